#pragma once

#include <string>

namespace halvora::engine {

/// What the owner of the engine has to do for one key.
struct InputAction {
    enum class Kind {
        passThrough,  ///< the key's own effect is right: let the event through
        noChange,     ///< nothing to type; whether the key passes is the caller's default
        replace,      ///< delete `deleteCount` characters, type `text`, swallow the key
    };

    Kind kind = Kind::passThrough;
    /// User-perceived characters to delete before the caret (replace only).
    int deleteCount = 0;
    /// Text to type after deleting (replace only).
    std::string text;

    static InputAction passThrough() { return {}; }
    static InputAction noChange() { return {Kind::noChange, 0, {}}; }
    static InputAction replace(int deleteCount, std::string text) {
        return {Kind::replace, deleteCount, std::move(text)};
    }

    bool operator==(const InputAction&) const = default;
};

}  // namespace halvora::engine
