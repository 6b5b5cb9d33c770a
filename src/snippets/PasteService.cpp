#include "snippets/PasteService.h"

#include "snippets/ImageType.h"

#include "util/Files.h"

#include <array>
#include <system_error>
#include <utility>

namespace halvora::snippets::PasteService {
namespace {

using platform::PasteboardItem;
using platform::PasteboardRepresentation;
using platform::PasteboardType;

std::optional<platform::ProcessId> frontmostPid(const platform::Workspace& workspace) {
    const auto app = workspace.frontmostApplication();
    return app ? std::optional(app->pid) : std::nullopt;
}

void writeImage(platform::Pasteboard& pasteboard, platform::Bytes image) {
    pasteboard.write({PasteboardItem{{PasteboardRepresentation::image(std::move(image))}}});
}

void report(const std::function<void(bool)>& completion, bool pasted) {
    if (completion) {
        completion(pasted);
    }
}

/// The one item written when a text and its image are copied together.
PasteboardItem combinedItem(const std::string& text, const platform::Bytes& image,
                            const platform::ImageCodec& codec) {
    PasteboardItem item;
    item.representations.push_back({PasteboardType::rtfd, text + "\n", image});
    item.representations.push_back(PasteboardRepresentation::string(text));
    const auto decoded = codec.decode(image);
    const auto tiff = decoded ? codec.encodeTiff(*decoded) : std::nullopt;
    if (tiff) {
        item.representations.push_back({PasteboardType::tiff, {}, *tiff});
        // The PNG is made from the TIFF, as a bitmap of exactly what was
        // offered as TIFF.
        const auto bitmap = codec.decode(*tiff);
        if (const auto png = bitmap ? codec.encodePng(*bitmap) : std::nullopt) {
            item.representations.push_back({PasteboardType::png, {}, *png});
        }
    }
    return item;
}

}  // namespace

std::optional<platform::Bytes> loadImage(const Snippet& snippet, const SnippetStore& store,
                                         const platform::ImageCodec& codec) {
    const auto path = store.imagePath(snippet);
    if (!path) {
        return std::nullopt;
    }
    std::string content;
    try {
        content = util::readFile(*path, SnippetStore::maxImageBytes);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    platform::Bytes bytes(content.begin(), content.end());
    // Only raster images of the allowed kinds are decoded: a decoder would
    // draw an SVG document named "png", and SVG can name other files.
    if (!isAllowedImageContent(bytes) || !codec.decode(bytes)) {
        return std::nullopt;
    }
    return bytes;
}

void pressPasteShortcut(platform::TextOutput& output, std::string text) {
    const std::array edits{platform::TextEdit::paste(std::move(text))};
    output.perform(edits);
}

void writeContents(const Snippet& snippet, const SnippetStore& store,
                   platform::Pasteboard& pasteboard, const platform::ImageCodec& codec) {
    pasteboard.clear();
    if (auto image = loadImage(snippet, store, codec)) {
        if (!snippet.text.empty()) {
            pasteboard.write({combinedItem(snippet.text, *image, codec)});
        } else {
            writeImage(pasteboard, std::move(*image));
        }
        return;
    }
    pasteboard.writeString(snippet.text);
}

void writeContents(const platform::Platform& platform, const Snippet& snippet,
                   const SnippetStore& store) {
    writeContents(snippet, store, platform.pasteboard, platform.imageCodec);
}

void paste(const platform::Platform& platform, const Snippet& snippet, const SnippetStore& store) {
    auto image =
        snippet.text.empty() ? std::nullopt : loadImage(snippet, store, platform.imageCodec);
    if (!image) {
        writeContents(platform, snippet, store);
        // The pasteboard holds the text alone, unless the snippet is an image alone.
        pressPasteShortcut(platform.textOutput, snippet.text);
        return;
    }
    const auto before = frontmostPid(platform.workspace);
    platform.pasteboard.clear();
    platform.pasteboard.writeString(snippet.text + "\n");
    pressPasteShortcut(platform.textOutput, snippet.text + "\n");
    platform.mainQueue.asyncAfter(imageStepDelaySeconds,
                                  [platform, before, image = std::move(*image)]() mutable {
                                      if (frontmostPid(platform.workspace) != before) {
                                          return;
                                      }
                                      platform.pasteboard.clear();
                                      writeImage(platform.pasteboard, std::move(image));
                                      pressPasteShortcut(platform.textOutput);
                                  });
}

bool pasteExactText(const platform::Platform& platform, std::string_view text,
                    platform::ProcessId targetPid) {
    if (frontmostPid(platform.workspace) != targetPid) {
        return false;
    }
    platform.pasteboard.clear();
    platform.pasteboard.writeString(std::string(text));
    pressPasteShortcut(platform.textOutput, std::string(text));
    return true;
}

void pasteDynamic(const platform::Platform& platform, std::string text, platform::Bytes image,
                  platform::ProcessId targetPid, std::function<void(bool)> completion) {
    if (frontmostPid(platform.workspace) != targetPid) {
        report(completion, false);
        return;
    }
    platform.pasteboard.clear();
    if (text.empty()) {
        writeImage(platform.pasteboard, std::move(image));
        pressPasteShortcut(platform.textOutput);
        report(completion, true);
        return;
    }
    platform.pasteboard.writeString(text + "\n");
    pressPasteShortcut(platform.textOutput, text + "\n");
    platform.mainQueue.asyncAfter(imageStepDelaySeconds,
                                  [platform, targetPid, image = std::move(image),
                                   completion = std::move(completion)]() mutable {
                                      if (frontmostPid(platform.workspace) != targetPid) {
                                          report(completion, false);
                                          return;
                                      }
                                      platform.pasteboard.clear();
                                      writeImage(platform.pasteboard, std::move(image));
                                      pressPasteShortcut(platform.textOutput);
                                      report(completion, true);
                                  });
}

}  // namespace halvora::snippets::PasteService
