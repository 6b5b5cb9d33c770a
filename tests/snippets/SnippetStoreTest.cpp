#include "snippets/SnippetStore.h"

#include "TemporaryFolder.h"
#include "platform/Log.h"
#include "qr/DynamicQRProfile.h"
#include "snippets/ImageType.h"
#include "snippets/SnippetJson.h"
#include "text/Unicode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace halvora::snippets {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

constexpr std::string_view kIdA = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
constexpr std::string_view kIdB = "0A6C5B8E-1F2D-4C3B-9A8E-7D6C5B4A3F21";

util::Uuid uuid(std::string_view text) {
    return *util::Uuid::parse(text);
}

Snippet snippet(std::string trigger, std::string text) {
    Snippet s;
    s.trigger = std::move(trigger);
    s.text = std::move(text);
    return s;
}

// Keys in another order, nulls for absent optional keys, unknown keys, a
// lower-case id, pretty printing.
constexpr std::string_view kHandWritten = R"([
  {
    "text": "Dạ em chào anh",
    "unknown": [1, 2, {"x": null}],
    "title": "Chào",
    "imageFilename": null,
    "id": "e621e1f8-c36c-495a-93fc-0c247a3e6e5f",
    "hotkeySlot": 2,
    "quickReply": null,
    "trigger": "chao",
    "dynamicQR": false,
    "qrMemo": null
  },
  {"quickReply": true, "trigger": ";tl1", "id": "0A6C5B8E-1F2D-4C3B-9A8E-7D6C5B4A3F21",
   "text": "Chào {ten_khach}\n/ok", "imageFilename": "0A6C5B8E-1F2D-4C3B-9A8E-7D6C5B4A3F21.png",
   "title": "Hỏi tên", "qrMemo": "CK", "extra": "ignored"}
])";

constexpr std::string_view kCanonical =
    R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"chao","title":"Chào","text":"Dạ em chào anh",)"
    R"("hotkeySlot":2,"dynamicQR":false},)"
    R"({"id":"0A6C5B8E-1F2D-4C3B-9A8E-7D6C5B4A3F21","trigger":";tl1","title":"Hỏi tên","text":"Chào {ten_khach}\n/ok",)"
    R"("imageFilename":"0A6C5B8E-1F2D-4C3B-9A8E-7D6C5B4A3F21.png","qrMemo":"CK","quickReply":true}])";

class SnippetStoreTest : public ::testing::Test {
  protected:
    fs::path file() const { return folder_ / "snippets.json"; }
    SnippetStore open() { return SnippetStore(folder_.path(), log_); }

    TemporaryFolder folder_;
    platform::RecordingLog log_;
};

TEST_F(SnippetStoreTest, HandWrittenFileLoadsAndIsRewrittenInCanonicalForm) {
    TemporaryFolder::write(file(), kHandWritten);
    SnippetStore store = open();

    ASSERT_EQ(store.snippets().size(), 2u);
    const Snippet& first = store.snippets()[0];
    EXPECT_EQ(first.id, uuid(kIdA));
    EXPECT_EQ(first.trigger, "chao");
    EXPECT_EQ(first.title, "Chào");
    EXPECT_EQ(first.hotkeySlot, 2);
    EXPECT_EQ(first.dynamicQR, false);
    EXPECT_FALSE(first.quickReply.has_value());
    EXPECT_FALSE(first.imageFilename.has_value());
    EXPECT_FALSE(first.qrMemo.has_value());
    const Snippet& second = store.snippets()[1];
    EXPECT_EQ(second.id, uuid(kIdB));
    EXPECT_EQ(second.quickReply, true);
    EXPECT_FALSE(second.dynamicQR.has_value());

    EXPECT_EQ(TemporaryFolder::read(file()), kCanonical);
}

TEST_F(SnippetStoreTest, FileWithoutOneTitleLoadsEmptyAndIsKeptAsideBeforeTheFirstSave) {
    std::string broken(kHandWritten);
    const std::string titleLine = "    \"title\": \"Chào\",\n";
    broken.erase(broken.find(titleLine), titleLine.size());
    TemporaryFolder::write(file(), broken);

    SnippetStore store = open();
    EXPECT_TRUE(store.snippets().empty());
    EXPECT_EQ(TemporaryFolder::read(file()), broken) << "left unchanged at start";
    EXPECT_EQ(TemporaryFolder::names(folder_.path()), std::vector<std::string>{"snippets.json"});

    const Snippet added = snippet(";a", "A");
    store.append(added);

    std::vector<std::string> names = TemporaryFolder::names(folder_.path());
    ASSERT_EQ(names.size(), 2u);
    const std::string aside = names[0] == "snippets.json" ? names[1] : names[0];
    EXPECT_TRUE(aside.starts_with("snippets.unreadable-") && aside.ends_with(".json")) << aside;
    EXPECT_EQ(TemporaryFolder::read(folder_ / aside), broken);
    EXPECT_EQ(decodeSnippetsFile(TemporaryFolder::read(file())), std::vector<Snippet>{added});
    EXPECT_TRUE(std::ranges::any_of(log_.messages,
                                    [&](const std::string& m) { return m.find(aside) != m.npos; }));

    // Only the unreadable original is kept; later saves just replace the file.
    store.append(snippet(";b", "B"));
    EXPECT_EQ(TemporaryFolder::names(folder_.path()).size(), 2u);
}

TEST_F(SnippetStoreTest, UndecodableFilesLeaveAnEmptyListAndTheFileUntouched) {
    const std::string good =
        R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"a","title":"t","text":"x"})";
    const std::vector<std::string> files = {
        "",
        "not json",
        "[" + good + ",]",
        "{}",
        R"({"snippets":[]})",
        "[" + good + ",42]",
        R"([{"id":"not-a-uuid","trigger":"a","title":"t","text":"x"}])",
        R"([{"id":"E621E1F8C36C495A93FC0C247A3E6E5F","trigger":"a","title":"t","text":"x"}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"t","text":"x"}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"a","title":"t"}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":null,"title":"t","text":"x"}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":1,"title":"t","text":"x"}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"a","title":"t","text":"x","hotkeySlot":"1"}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"a","title":"t","text":"x","hotkeySlot":1.5}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"a","title":"t","text":"x","dynamicQR":1}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"a","title":"t","text":"x","quickReply":"true"}])",
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"a","title":"t","text":"x","imageFilename":7}])",
        "[\"\xff\"]",
    };
    for (const std::string& content : files) {
        SCOPED_TRACE(content);
        TemporaryFolder::write(file(), content);
        SnippetStore store = open();
        EXPECT_TRUE(store.snippets().empty());
        EXPECT_EQ(TemporaryFolder::read(file()), content);
    }
}

TEST_F(SnippetStoreTest, AcceptedVariantsOfOptionalValues) {
    TemporaryFolder::write(
        file(),
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","trigger":"","title":"","text":"",)"
        R"("hotkeySlot":-3.0},{"id":"0a6c5b8e-1f2d-4c3b-9a8e-7d6c5b4a3f21","trigger":"",)"
        R"("title":"","text":"","hotkeySlot":9007199254740993}])");
    SnippetStore store = open();
    ASSERT_EQ(store.snippets().size(), 2u);
    EXPECT_EQ(store.snippets()[0].hotkeySlot, -3);
    EXPECT_EQ(store.snippets()[1].hotkeySlot, 9007199254740993);
    EXPECT_EQ(store.snippets()[1].id.text(), kIdB);
}

TEST_F(SnippetStoreTest, MissingFileGivesAnEmptyListAndWritesNothing) {
    const fs::path nested = folder_ / "a" / "b";
    SnippetStore store(nested, log_);
    EXPECT_TRUE(store.snippets().empty());
    EXPECT_TRUE(fs::is_directory(nested)) << "the data folder is created";
    EXPECT_FALSE(fs::exists(nested / "snippets.json"));
    EXPECT_EQ(store.file(), nested / "snippets.json");
}

TEST_F(SnippetStoreTest, EveryEditSavesAndNotifies) {
    SnippetStore store = open();
    int notifications = 0;
    util::Connection connection = store.observe([&] { ++notifications; });
    const auto onDisk = [&] { return decodeSnippetsFile(TemporaryFolder::read(file())); };

    Snippet a = snippet("a", "A");
    Snippet b = snippet("b", "B");
    store.append(a);
    store.append(b);
    EXPECT_EQ(onDisk(), (std::vector<Snippet>{a, b}));

    EXPECT_TRUE(store.update(a.id, [](Snippet& s) { s.qrMemo = "memo"; }));
    a.qrMemo = "memo";
    EXPECT_EQ(onDisk(), (std::vector<Snippet>{a, b}));
    EXPECT_FALSE(store.update(util::Uuid::random(), [](Snippet& s) { s.text = "never"; }));

    EXPECT_TRUE(store.remove(a.id));
    EXPECT_FALSE(store.remove(a.id));
    EXPECT_EQ(onDisk(), std::vector<Snippet>{b});

    store.setSnippets({a, b, a});
    EXPECT_EQ(onDisk(), (std::vector<Snippet>{a, b, a}));
    EXPECT_EQ(notifications, 5);

    EXPECT_EQ(open().snippets(), (std::vector<Snippet>{a, b, a}))
        << "a new store reads the same list";

    connection.disconnect();
    store.append(snippet("c", "C"));
    EXPECT_EQ(notifications, 5);
}

TEST_F(SnippetStoreTest, FailedSavesKeepTheListAndSaveNowThrows) {
    const fs::path blocker = folder_ / "blocker";
    TemporaryFolder::write(blocker, "a file where the data folder should be");
    SnippetStore store(blocker / "data", log_);
    int notifications = 0;
    util::Connection connection = store.observe([&] { ++notifications; });

    const Snippet a = snippet("a", "A");
    store.append(a);
    EXPECT_EQ(store.snippets(), std::vector<Snippet>{a});
    EXPECT_EQ(notifications, 1) << "observers hear of the change even when the save failed";
    EXPECT_THROW(store.saveNow(), std::system_error);
    EXPECT_EQ(store.snippets(), std::vector<Snippet>{a});
}

TEST_F(SnippetStoreTest, MatchingTrigger) {
    Snippet imageOnly = snippet(";img", "");
    imageOnly.imageFilename = "X.png";
    Snippet qrOnly = snippet("qr", "");
    qrOnly.dynamicQR = true;
    Snippet qrOff = snippet("qroff", "");
    qrOff.dynamicQR = false;
    const Snippet plain = snippet("chao", "Dạ em chào anh");
    SnippetStore store = open();
    store.setSnippets({snippet("abc", "1"), snippet(";abc", "2"), snippet(";x", ""), imageOnly,
                       qrOnly, qrOff, plain, snippet("", "no code")});

    const struct {
        std::string code;
        std::optional<Snippet> expected;
    } cases[] = {
        {";chao", plain},         {"chao", std::nullopt}, {";Chao", std::nullopt},
        {";chao ", std::nullopt}, {";abc", std::nullopt},  // two snippets share it
        {";x", std::nullopt},                              // no content
        {";img", imageOnly},      {";qr", qrOnly},        {";qroff", std::nullopt},
        {";", std::nullopt},  // the empty trigger is no code
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(store.matchingTrigger(c.code), c.expected);
    }
}

TEST_F(SnippetStoreTest, MatchingTriggerFollowsEveryKindOfChange) {
    TemporaryFolder::write(file(), kHandWritten);
    SnippetStore store = open();
    const util::Uuid chao = uuid(kIdA);
    ASSERT_TRUE(store.matchingTrigger(";chao"));
    EXPECT_EQ(store.matchingTrigger(";tl1")->id, uuid(kIdB));

    store.update(chao, [](Snippet& s) { s.trigger = ";hello"; });
    EXPECT_EQ(store.matchingTrigger(";chao"), std::nullopt);
    EXPECT_EQ(store.matchingTrigger(";hello")->id, chao);

    store.append(snippet("hello", "again"));
    EXPECT_EQ(store.matchingTrigger(";hello"), std::nullopt) << "now ambiguous";
    store.remove(chao);
    EXPECT_EQ(store.matchingTrigger(";hello")->text, "again");

    store.setSnippets({});
    EXPECT_EQ(store.matchingTrigger(";hello"), std::nullopt);
    EXPECT_EQ(store.matchingTrigger(";tl1"), std::nullopt);
}

TEST_F(SnippetStoreTest, MatchingHotkeyTakesTheFirstSnippetWithContent) {
    Snippet empty = snippet("e", "");
    empty.hotkeySlot = 1;
    Snippet first = snippet("f", "first");
    first.hotkeySlot = 1;
    Snippet second = snippet("s", "second");
    second.hotkeySlot = 1;
    Snippet image = snippet("i", "");
    image.imageFilename = "I.png";
    image.hotkeySlot = -2;
    SnippetStore store = open();
    store.setSnippets({empty, first, second, image});

    EXPECT_EQ(store.matchingHotkey(1), first);
    EXPECT_EQ(store.matchingHotkey(-2), image);
    EXPECT_EQ(store.matchingHotkey(3), std::nullopt);
}

TEST_F(SnippetStoreTest, TriggerConflict) {
    const Snippet lower = snippet("abc", "1");
    const Snippet upper = snippet("Abc", "2");
    const Snippet noCode = snippet("", "3");
    SnippetStore store = open();
    store.setSnippets({lower, upper, noCode});
    Snippet upperEdited = upper;  // the same record, code edited
    upperEdited.trigger = ";Abc";

    const struct {
        Snippet candidate;
        bool expected;
    } cases[] = {
        {lower, false},  // not with itself; Abc is another code
        {upperEdited, false},
        {snippet(";abc", ""), true},
        {snippet(";Abc", ""), true},
        {snippet(";ABC", ""), false},
        {snippet("", ""), false},
        {snippet(";", ""), true},  // the bare code of the snippet without trigger
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.candidate.trigger);
        EXPECT_EQ(store.triggerConflict(c.candidate), c.expected);
    }
}

TEST_F(SnippetStoreTest, NextQuickReplyTrigger) {
    SnippetStore store = open();
    EXPECT_EQ(store.nextQuickReplyTrigger(), ";tl1");
    store.setSnippets({snippet(";tl1", ""), snippet("tl2", ""), snippet(";tl04", "")});
    EXPECT_EQ(store.nextQuickReplyTrigger(), ";tl3");

    std::vector<Snippet> all;
    for (int n = 1; n <= 9999; ++n) {
        all.push_back(snippet("tl" + std::to_string(n), ""));
    }
    store.setSnippets(std::move(all));
    const std::string code = store.nextQuickReplyTrigger();
    ASSERT_EQ(code.size(), 9u) << code;
    EXPECT_TRUE(code.starts_with(";tl"));
    EXPECT_EQ(code.find_first_not_of("0123456789abcdef", 3), std::string::npos) << code;
}

TEST_F(SnippetStoreTest, ImportImage) {
    const Snippet target = snippet("a", "");
    SnippetStore store = open();
    store.setSnippets({target});
    TemporaryFolder sources;
    const std::string bytes("\x89PNG\r\n\x1a\n\0binary", 14);
    TemporaryFolder::write(sources / "Photo.PNG", bytes);
    TemporaryFolder::write(sources / "anim.gif", "GIF89a");

    store.importImage(sources / "anim.gif", target.id);
    store.importImage(sources / "Photo.PNG", util::Uuid::random());
    EXPECT_EQ(store.snippets(), std::vector<Snippet>{target});
    EXPECT_EQ(TemporaryFolder::names(folder_.path()), std::vector<std::string>{"snippets.json"});

    store.importImage(sources / "Photo.PNG", target.id);
    const std::string name = target.id.text() + ".png";
    EXPECT_EQ(store.snippets()[0].imageFilename, name);
    EXPECT_EQ(TemporaryFolder::read(folder_ / name), bytes);
    EXPECT_EQ(decodeSnippetsFile(TemporaryFolder::read(file()))[0].imageFilename, name);
    EXPECT_EQ(store.imagePath(store.snippets()[0]), folder_ / name);

    // A second import replaces the file of the same name.
    const std::string second = bytes.substr(0, 8) + "second";
    TemporaryFolder::write(sources / "other.png", second);
    store.importImage(sources / "other.png", target.id);
    EXPECT_EQ(TemporaryFolder::read(folder_ / name), second);

    // Content of another type than the name says (an SVG document, which
    // could draw local files; a JPEG) is refused with a sentence for the user.
    TemporaryFolder::write(sources / "fake.png", "<svg><image href=\"/etc/x.png\"/></svg>");
    TemporaryFolder::write(sources / "photo.tiff", "\xFF\xD8\xFF\xE0 jpeg");
    for (const char* fake : {"fake.png", "photo.tiff"}) {
        try {
            store.importImage(sources / fake, target.id);
            ADD_FAILURE() << fake << " was imported";
        } catch (const ImageTypeMismatch& error) {
            EXPECT_EQ(std::string(error.what()).find("Nội dung file không phải ảnh "), 0u);
        }
    }
    EXPECT_EQ(std::string(ImageTypeMismatch(imageTypeMismatchMessage("jpg")).what()),
              "Nội dung file không phải ảnh JPEG như tên file ghi.");
    EXPECT_EQ(TemporaryFolder::read(folder_ / name), second);
    EXPECT_FALSE(fs::exists(folder_ / (target.id.text() + ".tiff")));

    // A failed copy is reported and changes nothing.
    store.update(target.id, [](Snippet& s) { s.imageFilename.reset(); });
    EXPECT_THROW(store.importImage(sources / "missing.jpg", target.id), std::system_error);
    EXPECT_FALSE(store.snippets()[0].imageFilename.has_value());
    EXPECT_FALSE(fs::exists(folder_ / (target.id.text() + ".jpg")));
}

TEST_F(SnippetStoreTest, ASnippetsFileThatIsNotASmallRegularFlatFileIsNotRead) {
    // Each starts an empty list, is logged, and stays as it is; none is read
    // whole (the device never ends, the pipe has no writer, the large file is
    // refused from its size) and the deep one is kept aside at the next save.
    const std::string deep(100'000, '[');
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        bool keptAside;
    };
    const Case cases[] = {
        {"a device", [](const fs::path& f) { fs::create_symlink("/dev/zero", f); }, false},
        {"a pipe", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }, false},
        {"too large",
         [](const fs::path& f) {
             TemporaryFolder::write(f, "[]");
             fs::resize_file(f, SnippetStore::maxFileBytes + 1);  // sparse
         },
         true},
        {"nested too deep",
         [&](const fs::path& f) {
             TemporaryFolder::write(f, deep + std::string(deep.size(), ']'));
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        c.make(folder / "snippets.json");
        log_.messages.clear();
        SnippetStore store(folder.path(), log_);
        EXPECT_TRUE(store.snippets().empty());
        EXPECT_FALSE(log_.messages.empty());
        if (c.keptAside) {
            store.append(snippet(";moi", "x"));
            const auto names = TemporaryFolder::names(folder.path());
            EXPECT_EQ(std::ranges::count_if(names,
                                            [](const std::string& n) {
                                                return n.starts_with("snippets.unreadable-");
                                            }),
                      1);
        }
    }
}

TEST_F(SnippetStoreTest, ALinkedSnippetsFileIsSavedThroughTheLink) {
    TemporaryFolder elsewhere;
    TemporaryFolder::write(elsewhere / "snippets.json", "[]");
    fs::create_symlink(elsewhere / "snippets.json", file());
    open().append(snippet(";a", "x"));
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(decodeSnippetsFile(TemporaryFolder::read(elsewhere / "snippets.json")).size(), 1u);
}

TEST_F(SnippetStoreTest, LeftoversOfInterruptedWritesAreRemovedOnceOld) {
    const std::string id = std::string(kIdA);
    const std::string other = std::string(kIdB);
    Snippet pictured = snippet(";anh", "");
    pictured.imageFilename = "import-" + other + ".png";
    {
        SnippetStore store = open();
        store.setSnippets({pictured});
    }
    struct Entry {
        std::string name;
        bool removed;
    };
    const std::vector<Entry> entries = {
        {".snippets.json.a1B2c3", true},
        {".import-" + id + ".png.Zz9Yy8", true},
        {"." + id + ".jpeg.abcdef", true},
        {".truoc-khi-nhap-" + id + ".halvora.json.QWERTY", true},
        {"import-" + id + ".heic", true},     // no snippet names it
        {"import-" + other + ".png", false},  // the snippet's image
        {id + ".png", false},                 // the user's own image, never an import
        {".snippets.json.a1B2c", false},      // not a name this program makes
        {".snippets.json.a1B2c3.bak", false},
        {".notes.txt.a1B2c3", false},
        {"import-" + text::lowercased(id) + ".png", false},
        {"import-" + id + ".gif", false},
        {"truoc-khi-nhap-" + id + ".halvora.json", false},
    };
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    for (const Entry& entry : entries) {
        TemporaryFolder::write(folder_ / entry.name, "x");
        fs::last_write_time(folder_ / entry.name, old);
    }
    TemporaryFolder::write(folder_ / ".snippets.json.young1", "being written");

    SnippetStore store = open();  // start-up
    for (const Entry& entry : entries) {
        EXPECT_EQ(fs::exists(folder_ / entry.name), !entry.removed) << entry.name;
    }
    EXPECT_TRUE(fs::exists(folder_ / ".snippets.json.young1"));
    EXPECT_EQ(store.removeLeftovers(std::chrono::seconds(0)), 1u);

    // An image that a kept-aside unreadable snippets file names stays.
    TemporaryFolder::write(folder_ / "snippets.unreadable-20261208T000000Z.json",
                           "{\"imageFilename\":\"import-" + id + ".png\"");
    TemporaryFolder::write(folder_ / ("import-" + id + ".png"), "x");
    EXPECT_EQ(store.removeLeftovers(std::chrono::seconds(0)), 0u);
}

TEST_F(SnippetStoreTest, ImageNamesThatAreNotPlainFileNamesAreNeverUsed) {
    SnippetStore store = open();
    for (const std::string name :
         {"../secret.png", "/etc/passwd", "a/b.png", "..", ".", "", "a\\b.png"}) {
        SCOPED_TRACE(name);
        Snippet s = snippet(";bad", "");
        s.imageFilename = name;
        s.hotkeySlot = 1;
        store.setSnippets({s});
        EXPECT_FALSE(s.hasContent());
        EXPECT_EQ(store.imagePath(s), std::nullopt);
        EXPECT_EQ(store.matchingTrigger(";bad"), std::nullopt);
        EXPECT_EQ(store.matchingHotkey(1), std::nullopt);
        // The stored value itself is kept as it was.
        EXPECT_EQ(decodeSnippetsFile(TemporaryFolder::read(file()))[0].imageFilename, name);
    }
}

TEST_F(SnippetStoreTest, LegacyVcbqSwitch) {
    qr::DynamicQRProfile configured;
    configured.bankID = "VCB";
    configured.accountNumber = "0123456789";
    configured.accountName = "Nguyễn Văn A";

    Snippet explicitlyOff = snippet(";VCBQ", "off");
    explicitlyOff.dynamicQR = false;
    const Snippet other = snippet("vcb", "x");
    const Snippet legacy = snippet(";vcbq;", "legacy");
    const Snippet later = snippet("vcbq", "later");
    SnippetStore store = open();
    store.setSnippets({explicitlyOff, other, legacy, later});

    EXPECT_FALSE(store.enableLegacyVCBQIfConfigured(qr::DynamicQRProfile{}));
    EXPECT_FALSE(store.snippets()[2].dynamicQR.has_value());

    EXPECT_TRUE(store.enableLegacyVCBQIfConfigured(configured));
    EXPECT_EQ(store.snippets()[0].dynamicQR, false);
    EXPECT_EQ(store.snippets()[2].dynamicQR, true);
    EXPECT_FALSE(store.snippets()[3].dynamicQR.has_value());
    EXPECT_EQ(decodeSnippetsFile(TemporaryFolder::read(file()))[2].dynamicQR, true);

    EXPECT_TRUE(store.enableLegacyVCBQIfConfigured(configured)) << "the next one never set";
    EXPECT_EQ(store.snippets()[3].dynamicQR, true);
    EXPECT_FALSE(store.enableLegacyVCBQIfConfigured(configured));
}

TEST(SnippetStoreFolderTest, DefaultFolderFollowsXdgDataHome) {
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> previous =
        saved ? std::optional<std::string>(saved) : std::nullopt;
    TemporaryFolder data;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    EXPECT_EQ(SnippetStore::defaultFolder(), data / "HalvoraIndependentBeta");
    {
        platform::RecordingLog log;
        SnippetStore store(std::nullopt, log);
        store.append(snippet("a", "A"));
        EXPECT_EQ(store.file(), data / "HalvoraIndependentBeta" / "snippets.json");
        EXPECT_TRUE(fs::exists(store.file()));
    }
    previous ? ::setenv("XDG_DATA_HOME", previous->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
}

TEST(SnippetTest, NormalizedCodeAndDefaults) {
    const Snippet fresh;
    EXPECT_EQ(fresh.title, "Mục mới");
    EXPECT_TRUE(fresh.trigger.empty() && fresh.text.empty());
    EXPECT_FALSE(fresh.imageFilename || fresh.hotkeySlot || fresh.qrMemo || fresh.dynamicQR ||
                 fresh.quickReply);
    EXPECT_NE(fresh.id, Snippet{}.id);

    EXPECT_EQ(snippet("", "").normalizedCode(), ";");
    EXPECT_EQ(snippet("abc", "").normalizedCode(), ";abc");
    EXPECT_EQ(snippet(";abc", "").normalizedCode(), ";abc");
    EXPECT_EQ(snippet(";;a", "").normalizedCode(), ";;a");
}

}  // namespace
}  // namespace halvora::snippets
