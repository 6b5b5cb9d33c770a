#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace halvora::engine {

/// The keystroke convention a word is typed in. Not stored: every start of
/// the program begins with Telex.
enum class InputMethod { telex, vni };

inline constexpr std::array<InputMethod, 2> allInputMethods{InputMethod::telex, InputMethod::vni};

/// "Telex" or "VNI".
std::string_view rawValue(InputMethod method);
/// The method with that raw value; any other text gives none.
std::optional<InputMethod> inputMethodFromRawValue(std::string_view raw);

}  // namespace halvora::engine
