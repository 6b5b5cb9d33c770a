#pragma once

#include "engine/InputMethod.h"
#include "platform/UserDefaults.h"

#include <optional>
#include <string>
#include <string_view>

namespace halvora::engine::TypoSuggester {

/// For a Telex word that the engine could not compose (typed with two
/// neighbouring letters swapped, such as "mwois"), the one valid syllable that
/// a single swap of two neighbouring letters gives ("mới"); none when no swap
/// or more than one distinct syllable fits.
///
/// `raw` is the word's raw keystrokes and `shown` the text it commits to.
/// The tone placement follows the "modernTone" default, read at each call.
std::optional<std::string> suggest(std::string_view raw, std::string_view shown, InputMethod method,
                                   const platform::UserDefaults& defaults);

}  // namespace halvora::engine::TypoSuggester
