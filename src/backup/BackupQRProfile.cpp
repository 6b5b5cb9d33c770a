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
    defaults.set(keys::qrBankID, bankID);
    defaults.set(keys::qrAccountNumber, accountNumber);
    defaults.set(keys::qrAccountName, accountName);
    defaults.set(keys::qrAmount, amount);
    defaults.set(keys::qrRandomMemo, randomMemo.value_or(true));
    defaults.set(keys::qrDefaultMemo, defaultMemo.value_or(""));
}

}  // namespace halvora::backup
