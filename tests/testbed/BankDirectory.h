#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halvora::testbed {

/// One bank as the public bank directory lists it.
struct Bank {
    std::string code;
    std::string bin;
    std::string shortName;
    std::string name;

    bool operator==(const Bank&) const = default;
};

/// Real Vietnamese banks with their NAPAS BINs, codes and short names, in
/// the directory's order.
const std::vector<Bank>& vietnameseBanks();

/// The bank with this BIN, or nullptr.
const Bank* bankWithBin(std::string_view bin);

/// The directory document: {"code": code, "desc": ..., "data": [banks]},
/// each bank with the extra keys a real directory carries. With
/// `binAsNumber` the BINs are JSON numbers instead of strings.
std::string bankDirectoryJson(std::string_view code, bool binAsNumber);

}  // namespace halvora::testbed
