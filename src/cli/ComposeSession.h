#pragma once

// Types a text through the composition engine the way the keyboard controller
// does: letters (and, under VNI, numbers) go to the engine, every other
// character ends the word and is copied unchanged.

#include "engine/VietInputEngine.h"
#include "platform/InMemoryUserDefaults.h"

#include <string>
#include <string_view>

namespace halvora::cli {

struct ComposeOptions {
    bool vni = false;
    bool oldTone = false;
    /// One line per word instead of the text: raw, composed, commit, escaped
    /// (0/1) and the typo suggestion, separated by tabs.
    bool trace = false;
};

class ComposeSession {
  public:
    explicit ComposeSession(ComposeOptions options);

    /// Types the characters; output produced so far is appended to `out`.
    void type(std::u32string_view characters, std::string& out);
    /// Ends the word in progress (the end of the input is a boundary).
    void finish(std::string& out);

  private:
    void endWord(std::string& out);

    ComposeOptions options_;
    engine::VietInputEngine engine_;
    // The engine's answer to the last key; kept so that its storage serves
    // every key.
    engine::InputAction action_;
    platform::InMemoryUserDefaults defaults_;
};

/// Composes a whole text at once.
std::string composeText(std::string_view utf8, const ComposeOptions& options);

}  // namespace halvora::cli
