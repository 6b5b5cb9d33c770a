#pragma once

// The comparisons the pages use for their search fields and sorted lists,
// in the forms a user of the Vietnamese desktop expects.

#include <string_view>

namespace halvora::workspace::TextMatching {

/// Whether `text` contains `query` regardless of letter case (Vietnamese case
/// mapping, precomposed forms compared). Accents still count: "ca" does not
/// find "cá". An empty query is contained in everything.
bool containsIgnoringCase(std::string_view text, std::string_view query);

/// The order of names in a list the user reads: case-insensitive, digit runs
/// compared by their value ("app2" before "app10"), byte order as the last
/// resort so that the order is total.
bool standardLess(std::string_view a, std::string_view b);

}  // namespace halvora::workspace::TextMatching
