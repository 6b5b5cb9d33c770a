#pragma once

#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

#include <optional>
#include <string_view>

namespace halvora::input::AppModePolicy {

/// The Vietnamese mode (true: on) an application should get when it comes to
/// the front: the mode the user chose by hand there, else, with smart
/// switching on, the built-in default; nothing when neither applies, and the
/// current mode then stays.
std::optional<bool> mode(const platform::RunningApplication& app,
                         const platform::UserDefaults& defaults);

/// The built-in default: on in browsers and writing applications, off in
/// terminals, code editors and games. Bundle identifiers are compared without
/// regard to case.
std::optional<bool> defaultMode(std::string_view bundleID,
                                std::optional<std::string_view> category);

}  // namespace halvora::input::AppModePolicy
