#pragma once

// Whether a client's reset of the input method is the user's click. A reset
// ends the word, the typo suggestion on offer and the pastes on their way,
// as a click must. Firefox also resets now and then right after a commit of
// the input method's own; where no word is shown then and the client
// reports its text, the reset is judged at the next key by where the caret
// is: still right behind the text the edits wrote, the user has not moved
// it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::bridge {

class ResetJudge {
  public:
    /// The input method wrote `text` before the caret.
    void wrote(std::string_view text);
    /// It deleted `count` characters before the caret.
    void deleted(std::uint32_t count);
    /// What is before the caret is no longer known: a key went on to the
    /// client, the focus moved, the word ended by the user's hand.
    void forget();

    /// A reset came. True when it counts as a click now; false when it is
    /// judged at the next key (`pendingResetWasClick`).
    bool resetIsClick(bool wordShown, bool judgeableLater);
    /// Before a key, with the text before the caret as the client reports
    /// it (nothing when it does not): whether a reset left for later was a
    /// click.
    bool pendingResetWasClick(std::optional<std::string_view> textBeforeCaret);

  private:
    /// The end of what the input method wrote since the text was last
    /// unknown, at most `kKept` bytes, whole characters.
    std::string written_;
    bool pending_ = false;
    static constexpr std::size_t kKept = 64;
};

}  // namespace halvora::bridge
