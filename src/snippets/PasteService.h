#pragma once

// Pasting into the frontmost application: the content goes on the general
// pasteboard and a synthesised Command+V delivers it. The previous
// pasteboard contents are neither saved nor restored.
//
// A text with an image always travels as two pastes, the text (with a
// trailing line feed) first and the image alone a moment later, because chat
// composers take a combined rich item inconsistently. Before the second
// paste the frontmost application is checked again, so the image never lands
// in an application other than the one that received the text. The combined
// item is only written when the content is copied without pasting.

#include "platform/ImageCodec.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/TextOutput.h"
#include "snippets/Snippet.h"
#include "snippets/SnippetStore.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::snippets::PasteService {

/// Carried in the source-user-data field of every key event the program
/// synthesises ("HALVRA" as a big-endian 48-bit number), so that the
/// keystroke tap recognises its own events and lets them pass.
inline constexpr std::int64_t syntheticEventMarker = platform::kSyntheticEventMarker;

/// Seconds between the text and the image of a two-step paste.
inline constexpr double imageStepDelaySeconds = 0.35;

/// The bytes of the snippet's image file when it names a plain file in the
/// store's data folder and the codec can decode them; nothing otherwise.
std::optional<platform::Bytes> loadImage(const Snippet& snippet, const SnippetStore& store,
                                         const platform::ImageCodec& codec);

/// Presses the platform's paste shortcut in the focused field; `text` is
/// what the pasteboard holds when that is plain text alone. A failure is
/// deliberately not reported: the pasteboard still holds the content for a
/// paste by hand.
void pressPasteShortcut(platform::TextOutput& output, std::string text = {});

/// Replaces the pasteboard's contents with the snippet's content without
/// pasting: a text with an image becomes one item offering rich text (the
/// text, a line feed and the image), the plain text, TIFF and PNG, in that
/// order; an image alone becomes an image item; anything else (also an
/// image that cannot be loaded) the text as a string.
void writeContents(const Snippet& snippet, const SnippetStore& store,
                   platform::Pasteboard& pasteboard, const platform::ImageCodec& codec);

/// writeContents to the platform's general pasteboard.
void writeContents(const platform::Platform& platform, const Snippet& snippet,
                   const SnippetStore& store);

/// Pastes a snippet into the frontmost application. A text with a loadable
/// image is pasted as the text plus a line feed, then, after
/// imageStepDelaySeconds on the main queue and only when the same
/// application (or equally none) is still in front, as the image alone.
/// Everything else is pasted at once as writeContents puts it.
void paste(const platform::Platform& platform, const Snippet& snippet, const SnippetStore& store);

/// Pastes `text` unchanged when the frontmost application is `targetPid`;
/// false (the pasteboard untouched) otherwise.
bool pasteExactText(const platform::Platform& platform, std::string_view text,
                    platform::ProcessId targetPid);

/// Pastes a text and an encoded image (the freshly generated transfer QR)
/// into `targetPid`. `completion` is called exactly once on the main queue:
/// false when the target is not in front at the start (nothing pasted) or no
/// longer in front for the image (the text was pasted, the image not); true
/// when everything was pasted. With an empty text the image is pasted alone
/// and `completion` runs before this returns.
void pasteDynamic(const platform::Platform& platform, std::string text, platform::Bytes image,
                  platform::ProcessId targetPid, std::function<void(bool)> completion);

}  // namespace halvora::snippets::PasteService
