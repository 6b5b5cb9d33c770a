#include "snippets/PasteService.h"

#include "TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimImageCodec.h"
#include "snippets/SnippetStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace halvora::snippets {
namespace {

namespace fs = std::filesystem;

using platform::Bytes;
using platform::PasteboardItem;
using platform::PasteboardRepresentation;
using platform::PasteboardType;
using platform::ProcessId;
using platform::sim::SimImageCodec;

constexpr std::int64_t kMarker = 0x48414C565241;

std::vector<PasteboardType> typesOf(const PasteboardItem& item) {
    std::vector<PasteboardType> types;
    for (const auto& representation : item.representations) {
        types.push_back(representation.type);
    }
    return types;
}

std::vector<PasteboardItem> imageOnly(const Bytes& image) {
    return {PasteboardItem{{PasteboardRepresentation::image(image)}}};
}

std::vector<PasteboardItem> stringOnly(std::string text) {
    return {PasteboardItem{{PasteboardRepresentation::string(std::move(text))}}};
}

class PasteServiceTest : public ::testing::Test {
  protected:
    PasteServiceTest() {
        chat = desktop.launch("Zalo", "com.vng.zalo");
        field = &desktop.addField(chat);
        desktop.bringToFront(chat);
        testing::TemporaryFolder::write(folder / "anh.png",
                                        std::string(image.begin(), image.end()));
        testing::TemporaryFolder::write(folder / "hong.png", "not an image");
        // The decoder draws SVG, and SVG can name local files to draw.
        testing::TemporaryFolder::write(
            folder / "ve.png",
            platform::sim::SimImageCodec::svg({4, 4}, "<image href=\"/etc/anh.png\"/>"));
        testing::TemporaryFolder::write(folder / "ong.png", "");
        fs::create_symlink("/dev/zero", folder / "vo-tan.png");
    }

    Snippet snippet(std::string text, std::optional<std::string> imageFilename = std::nullopt) {
        Snippet s;
        s.trigger = "ck";
        s.text = std::move(text);
        s.imageFilename = std::move(imageFilename);
        return s;
    }

    /// Number of Command+V presses posted; every posted event must be a
    /// marked Command+V key-down/key-up pair.
    std::size_t pasteCount() const {
        const auto& events = desktop.postedEvents();
        EXPECT_EQ(events.size() % 2, 0u);
        for (std::size_t i = 0; i < events.size(); ++i) {
            const auto& event = events[i];
            EXPECT_EQ(event.type,
                      i % 2 == 0 ? platform::EventType::keyDown : platform::EventType::keyUp);
            EXPECT_EQ(event.keyCode, platform::keyCodes::v);
            EXPECT_EQ(event.flags, platform::eventFlags::command);
            EXPECT_EQ(event.sourceUserData, kMarker);
        }
        return events.size() / 2;
    }

    testing::TemporaryFolder folder;
    platform::sim::SimDesktop desktop;
    platform::Platform platform = desktop.platform();
    platform::RecordingLog log;
    SnippetStore store{folder.path(), log};
    const Bytes image = SimImageCodec::encoded({120, 80}, "anh san pham");
    ProcessId chat = 0;
    platform::sim::SimTextField* field = nullptr;
};

TEST_F(PasteServiceTest, TheMarkerSpellsHalvra) {
    EXPECT_EQ(PasteService::syntheticEventMarker, kMarker);
    EXPECT_EQ(PasteService::syntheticEventMarker, 79445290799681);
}

TEST_F(PasteServiceTest, TextWithImagePastesTheTextFirstAndTheImageAlone035SecondsLater) {
    PasteService::paste(platform, snippet("Mẫu áo mới", "anh.png"), store);

    EXPECT_EQ(desktop.pasteboard().items(), stringOnly("Mẫu áo mới\n"));
    EXPECT_EQ(pasteCount(), 1u);
    EXPECT_EQ(field->text(), "Mẫu áo mới\n");
    EXPECT_TRUE(field->pastedImages().empty());

    desktop.mainQueue().advance(0.34);
    EXPECT_EQ(pasteCount(), 1u);

    desktop.mainQueue().advance(0.01);
    EXPECT_EQ(desktop.pasteboard().items(), imageOnly(image));
    EXPECT_EQ(pasteCount(), 2u);
    EXPECT_EQ(field->pastedImages(), std::vector<Bytes>{image});
    EXPECT_EQ(field->text(), "Mẫu áo mới\n");
}

TEST_F(PasteServiceTest, ImageIsDroppedWhenAnotherApplicationCameToTheFront) {
    PasteService::paste(platform, snippet("Mẫu áo mới", "anh.png"), store);
    const ProcessId notes = desktop.launch("Notes", "com.apple.Notes");
    auto& note = desktop.addField(notes);
    desktop.bringToFront(notes);

    desktop.mainQueue().advance(1);

    EXPECT_EQ(pasteCount(), 1u);
    EXPECT_EQ(desktop.pasteboard().items(), stringOnly("Mẫu áo mới\n"));
    EXPECT_TRUE(note.pastedImages().empty());
    EXPECT_TRUE(field->pastedImages().empty());
}

TEST_F(PasteServiceTest, ImageFollowsWhenNoApplicationWasInFrontEitherTime) {
    desktop.terminate(chat);
    PasteService::paste(platform, snippet("Mẫu áo mới", "anh.png"), store);
    desktop.mainQueue().advance(0.35);

    EXPECT_EQ(pasteCount(), 2u);
    EXPECT_EQ(desktop.pasteboard().items(), imageOnly(image));
}

TEST_F(PasteServiceTest, ImageWithoutTextIsPastedOnceAsTheImage) {
    PasteService::paste(platform, snippet("", "anh.png"), store);

    EXPECT_EQ(desktop.pasteboard().items(), imageOnly(image));
    EXPECT_EQ(pasteCount(), 1u);
    EXPECT_EQ(desktop.mainQueue().pendingCount(), 0u);
    EXPECT_EQ(field->pastedImages(), std::vector<Bytes>{image});
}

TEST_F(PasteServiceTest, UnusableImagesFallBackToTheTextAlone) {
    struct Case {
        const char* name;
        std::optional<std::string> imageFilename;
    };
    const Case cases[] = {
        {"missing file", "khong-co.png"},
        {"undecodable file", "hong.png"},
        {"an SVG document named png", "ve.png"},
        {"an empty file", "ong.png"},
        {"a device that never ends", "vo-tan.png"},
        {"path outside the folder", "../anh.png"},
        {"no image", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.clearPostedEvents();
        field->setText("");
        PasteService::paste(platform, snippet("Dạ shop gửi anh", c.imageFilename), store);
        desktop.mainQueue().advance(1);

        EXPECT_EQ(desktop.pasteboard().items(), stringOnly("Dạ shop gửi anh"));
        EXPECT_EQ(pasteCount(), 1u);
        EXPECT_EQ(field->text(), "Dạ shop gửi anh");
    }
}

TEST_F(PasteServiceTest, WriteContentsOffersRichTextStringTiffAndPngInOneItem) {
    desktop.pasteboard().writeString("cũ");
    PasteService::writeContents(platform, snippet("Mẫu áo mới", "anh.png"), store);

    const auto items = desktop.pasteboard().items();
    ASSERT_EQ(items.size(), 1u);
    const auto& item = items.front();
    EXPECT_EQ(typesOf(item), (std::vector{PasteboardType::rtfd, PasteboardType::string,
                                          PasteboardType::tiff, PasteboardType::png}));
    EXPECT_EQ(item.representations[0].text, "Mẫu áo mới\n");
    EXPECT_EQ(item.representations[0].data, image);
    EXPECT_EQ(item.representations[1].text, "Mẫu áo mới");
    EXPECT_EQ(SimImageCodec::formatOf(item.representations[2].data), "TIFF");
    EXPECT_EQ(SimImageCodec::formatOf(item.representations[3].data), "PNG");
    EXPECT_EQ(desktop.imageCodec().decode(item.representations[3].data)->pixels,
              desktop.imageCodec().decode(image)->pixels);
    EXPECT_EQ(pasteCount(), 0u);
}

TEST_F(PasteServiceTest, WriteContentsSkipsImageEncodingsThePlatformCannotMake) {
    desktop.imageCodec().setEncodingFails(true);
    PasteService::writeContents(platform, snippet("Mẫu áo mới", "anh.png"), store);

    const auto items = desktop.pasteboard().items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(typesOf(items.front()), (std::vector{PasteboardType::rtfd, PasteboardType::string}));
}

TEST_F(PasteServiceTest, WriteContentsOfImageOrTextAlone) {
    PasteService::writeContents(platform, snippet("", "anh.png"), store);
    EXPECT_EQ(desktop.pasteboard().items(), imageOnly(image));

    PasteService::writeContents(platform, snippet(" hai dòng\nthứ hai ", "hong.png"), store);
    EXPECT_EQ(desktop.pasteboard().items(), stringOnly(" hai dòng\nthứ hai "));
    EXPECT_EQ(pasteCount(), 0u);
}

TEST_F(PasteServiceTest, PasteExactTextOnlyIntoTheTarget) {
    desktop.pasteboard().writeString("cũ");
    const auto before = desktop.pasteboard().changeCount();
    const ProcessId notes = desktop.launch("Notes", "com.apple.Notes");
    desktop.bringToFront(notes);

    EXPECT_FALSE(PasteService::pasteExactText(platform, "Dạ em chào chị Lan", chat));
    EXPECT_EQ(desktop.pasteboard().changeCount(), before);
    EXPECT_EQ(pasteCount(), 0u);

    desktop.bringToFront(chat);
    EXPECT_TRUE(PasteService::pasteExactText(platform, "Dạ em chào chị Lan", chat));
    EXPECT_EQ(desktop.pasteboard().items(), stringOnly("Dạ em chào chị Lan"));
    EXPECT_EQ(pasteCount(), 1u);
    EXPECT_EQ(field->text(), "Dạ em chào chị Lan");
}

TEST_F(PasteServiceTest, PasteExactTextWithoutFrontmostApplicationFails) {
    desktop.terminate(chat);
    EXPECT_FALSE(PasteService::pasteExactText(platform, "x", chat));
    EXPECT_TRUE(desktop.pasteboard().items().empty());
}

TEST_F(PasteServiceTest, FailedEventCreationStillCountsAsDoneAndLeavesTheContent) {
    desktop.setEventCreationFails(true);

    EXPECT_TRUE(PasteService::pasteExactText(platform, "Dạ", chat));
    EXPECT_EQ(desktop.pasteboard().items(), stringOnly("Dạ"));

    std::optional<bool> result;
    PasteService::pasteDynamic(platform, "", image, chat, [&](bool pasted) { result = pasted; });
    EXPECT_EQ(result, true);
    EXPECT_EQ(desktop.pasteboard().items(), imageOnly(image));
    EXPECT_TRUE(desktop.postedEvents().empty());
    EXPECT_EQ(field->text(), "");
}

TEST_F(PasteServiceTest, PasteDynamicWithEmptyTextPastesTheImageOnceAndAnswersAtOnce) {
    std::vector<bool> results;
    PasteService::pasteDynamic(platform, "", image, chat,
                               [&](bool pasted) { results.push_back(pasted); });

    EXPECT_EQ(results, std::vector{true});
    EXPECT_EQ(pasteCount(), 1u);
    EXPECT_EQ(desktop.mainQueue().pendingCount(), 0u);
    EXPECT_EQ(field->pastedImages(), std::vector<Bytes>{image});
}

TEST_F(PasteServiceTest, PasteDynamicPastesTextThenImageAndAnswersOnce) {
    std::vector<bool> results;
    PasteService::pasteDynamic(platform, "STK 0123", image, chat,
                               [&](bool pasted) { results.push_back(pasted); });

    EXPECT_TRUE(results.empty());
    EXPECT_EQ(desktop.pasteboard().items(), stringOnly("STK 0123\n"));
    desktop.mainQueue().advance(0.35);

    EXPECT_EQ(results, std::vector{true});
    EXPECT_EQ(pasteCount(), 2u);
    EXPECT_EQ(field->text(), "STK 0123\n");
    EXPECT_EQ(field->pastedImages(), std::vector<Bytes>{image});
    desktop.mainQueue().advance(5);
    EXPECT_EQ(results.size(), 1u);
}

TEST_F(PasteServiceTest, PasteDynamicReportsFalseWhenTheTargetIsNotInFront) {
    const ProcessId notes = desktop.launch("Notes", "com.apple.Notes");

    // Not in front at the start: nothing is touched.
    desktop.bringToFront(notes);
    std::vector<bool> results;
    PasteService::pasteDynamic(platform, "STK 0123", image, chat,
                               [&](bool pasted) { results.push_back(pasted); });
    EXPECT_EQ(results, std::vector{false});
    EXPECT_TRUE(desktop.pasteboard().items().empty());
    EXPECT_EQ(pasteCount(), 0u);

    // Gone from the front before the image: the text stays pasted alone.
    desktop.bringToFront(chat);
    results.clear();
    PasteService::pasteDynamic(platform, "STK 0123", image, chat,
                               [&](bool pasted) { results.push_back(pasted); });
    desktop.bringToFront(notes);
    desktop.mainQueue().advance(0.35);
    EXPECT_EQ(results, std::vector{false});
    EXPECT_EQ(pasteCount(), 1u);
    EXPECT_EQ(desktop.pasteboard().items(), stringOnly("STK 0123\n"));
    EXPECT_TRUE(field->pastedImages().empty());
}

}  // namespace
}  // namespace halvora::snippets
