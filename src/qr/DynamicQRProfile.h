#pragma once

#include "platform/UserDefaults.h"

#include <string>

namespace halvora::qr {

/// The one receiving bank account for which transfer QR codes are made, and
/// how the memo is chosen. It lives only in the user defaults ("qr.*" keys)
/// and is loaded afresh whenever it is needed; nothing is validated here (the
/// QR service does that when it generates).
struct DynamicQRProfile {
    /// A bank code such as VCB or a six-digit bank BIN, as the user typed it.
    std::string bankID;
    std::string accountNumber;
    /// As typed; may hold Vietnamese letters with diacritics.
    std::string accountName;
    /// Decimal digits of a sum in đồng; empty lets the payer type the amount.
    std::string amount;
    /// True: each paste uses the next greeting of the wish rotation as the
    /// memo. False: `defaultMemo` (an empty one gives a QR without memo).
    bool randomMemo = true;
    std::string defaultMemo;

    friend bool operator==(const DynamicQRProfile&, const DynamicQRProfile&) = default;

    /// Never fails: a missing string key, or one holding another type, gives
    /// an empty string; "qr.randomMemo" is true unless a Boolean is stored.
    static DynamicQRProfile load(const platform::UserDefaults& defaults);

    /// Bank, account number and holder name are each non-empty once spaces
    /// and tabs are trimmed (line breaks are not trimmed). Amount and memo
    /// play no part.
    bool isConfigured() const;
};

}  // namespace halvora::qr
