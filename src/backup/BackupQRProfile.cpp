#include "backup/BackupQRProfile.h"

#include "platform/DefaultsKeys.h"
#include "qr/DynamicQRProfile.h"

namespace halvora::backup {
namespace keys = platform::DefaultsKeys;

BackupQRProfile BackupQRProfile::fromDefaults(const platform::UserDefaults& defaults) {
    const qr::DynamicQRProfile profile = qr::DynamicQRProfile::load(defaults);
    BackupQRProfile backup;
    backup.bankID = profile.bankID;
    backup.accountNumber = profile.accountNumber;
    backup.accountName = profile.accountName;
    backup.amount = profile.amount;
    backup.randomMemo = profile.randomMemo;
    backup.defaultMemo = profile.defaultMemo;
    return backup;
}

void BackupQRProfile::restore(platform::UserDefaults& defaults) const {
    using platform::DefaultsValue;
    const platform::DefaultsChange changes[] = {
        {std::string(keys::qrBankID), DefaultsValue(bankID)},
        {std::string(keys::qrAccountNumber), DefaultsValue(accountNumber)},
        {std::string(keys::qrAccountName), DefaultsValue(accountName)},
        {std::string(keys::qrAmount), DefaultsValue(amount)},
        {std::string(keys::qrRandomMemo), DefaultsValue(randomMemo.value_or(true))},
        {std::string(keys::qrDefaultMemo), DefaultsValue(defaultMemo.value_or(""))},
    };
    defaults.apply(changes);
}

std::vector<platform::DefaultsChange> BackupQRProfile::stored(
    const platform::UserDefaults& defaults) {
    std::vector<platform::DefaultsChange> out;
    for (const std::string_view key : {keys::qrBankID, keys::qrAccountNumber, keys::qrAccountName,
                                       keys::qrAmount, keys::qrRandomMemo, keys::qrDefaultMemo}) {
        out.push_back({std::string(key), defaults.object(key)});
    }
    return out;
}

}  // namespace halvora::backup
