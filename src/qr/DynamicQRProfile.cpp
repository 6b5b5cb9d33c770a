#include "qr/DynamicQRProfile.h"

#include "platform/DefaultsKeys.h"
#include "util/Whitespace.h"

namespace halvora::qr {
namespace keys = platform::DefaultsKeys;

DynamicQRProfile DynamicQRProfile::load(const platform::UserDefaults& defaults) {
    const auto string = [&defaults](std::string_view key) {
        return defaults.stringValue(key).value_or("");
    };
    DynamicQRProfile profile;
    profile.bankID = string(keys::qrBankID);
    profile.accountNumber = string(keys::qrAccountNumber);
    profile.accountName = string(keys::qrAccountName);
    profile.amount = string(keys::qrAmount);
    profile.randomMemo = defaults.boolOr(keys::qrRandomMemo, true);
    profile.defaultMemo = string(keys::qrDefaultMemo);
    return profile;
}

bool DynamicQRProfile::isConfigured() const {
    return !util::trimWhitespace(bankID).empty() && !util::trimWhitespace(accountNumber).empty() &&
           !util::trimWhitespace(accountName).empty();
}

}  // namespace halvora::qr
