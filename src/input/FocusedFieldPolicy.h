#pragma once

#include "input/FocusedFieldKind.h"
#include "platform/Accessibility.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::input::FocusedFieldPolicy {

/// How long one accessibility message to the focused application may take:
/// the query runs inside the keystroke path, so an application that does not
/// answer must not hold up typing.
inline constexpr double messagingTimeout = 0.05;

/// Reads the element that has keyboard focus in the whole system and sorts
/// it. Any accessibility failure gives `ordinary`.
FocusedFieldKind inspect(platform::Accessibility& accessibility, bool inBrowser);

/// The decision on attribute values already read. `labels` are the
/// element's description, title and placeholder, in that order.
FocusedFieldKind classify(std::string_view role, std::string_view subrole,
                          const std::vector<std::string>& labels, bool inBrowser);

/// Whether the application with this bundle identifier is one of the web
/// browsers whose address and search bars are kept free of composition.
/// Compared without regard to case; no identifier is not a browser.
bool isBrowser(std::optional<std::string_view> bundleIdentifier);

}  // namespace halvora::input::FocusedFieldPolicy
