#pragma once

// The diagnostics port. Messages keep the "Halvora " prefix the callers give
// them; nothing the user reads goes through here.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::platform {

class Log {
  public:
    virtual ~Log() = default;
    virtual void message(std::string_view text) = 0;
};

/// Writes each message as one line on standard error.
class StderrLog final : public Log {
  public:
    void message(std::string_view text) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
};

/// Keeps the messages in memory, for tests.
class RecordingLog final : public Log {
  public:
    void message(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

}  // namespace halvora::platform
