#pragma once

// Every user-defaults key Halvora reads or writes, with its type. What a
// missing key (or a value of another type) means is decided by each reader.

#include <string>
#include <string_view>

namespace halvora::platform::DefaultsKeys {

// Booleans.
inline constexpr std::string_view modernTone = "modernTone";
inline constexpr std::string_view suggestionsEnabled = "suggestionsEnabled";
inline constexpr std::string_view smartAppSwitchingEnabled = "smartAppSwitchingEnabled";
inline constexpr std::string_view qrRandomMemo = "qr.randomMemo";

// Strings.
inline constexpr std::string_view qrBankID = "qr.bankID";
inline constexpr std::string_view qrAccountNumber = "qr.accountNumber";
inline constexpr std::string_view qrAccountName = "qr.accountName";
inline constexpr std::string_view qrAmount = "qr.amount";
inline constexpr std::string_view qrDefaultMemo = "qr.defaultMemo";
inline constexpr std::string_view qrLastWish = "qr.lastWish";
inline constexpr std::string_view textToolsOperation = "textTools.operation";

// Array of strings.
inline constexpr std::string_view qrRemainingWishes = "qr.remainingWishes";

/// The prefix of the Boolean that remembers an application's mode.
inline constexpr std::string_view modePrefix = "mode.";

/// "mode." followed by the application's bundle identifier.
inline std::string modeKey(std::string_view bundleIdentifier) {
    std::string key(modePrefix);
    key += bundleIdentifier;
    return key;
}

}  // namespace halvora::platform::DefaultsKeys
