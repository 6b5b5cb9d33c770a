#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::engine {

/// The conversions of the text tools. The raw value is both the label shown
/// and the value stored in the settings.
enum class TextOperation { uppercase, lowercase, removeAccents };

inline constexpr std::array<TextOperation, 3> allTextOperations{
    TextOperation::uppercase, TextOperation::lowercase, TextOperation::removeAccents};

/// "CHỮ HOA", "chữ thường" or "Bỏ dấu".
std::string_view rawValue(TextOperation operation);
/// The operation with that raw value; any other text gives none.
std::optional<TextOperation> textOperationFromRawValue(std::string_view raw);

/// The converted text, under the Vietnamese locale. Call it qualified
/// (engine::apply): with a std::string argument, ADL would also find std::apply.
std::string apply(TextOperation operation, std::string_view text);

}  // namespace halvora::engine
