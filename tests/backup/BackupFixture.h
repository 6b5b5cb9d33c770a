#pragma once

// A data folder with a snippet store, user defaults and the simulated image
// codec, shared by the backup tests.

#include "TemporaryFolder.h"
#include "backup/BackupError.h"
#include "backup/BackupService.h"
#include "platform/InMemoryUserDefaults.h"
#include "platform/Log.h"
#include "platform/sim/SimImageCodec.h"
#include "snippets/SnippetStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace halvora::backup::testing {

using halvora::testing::TemporaryFolder;

/// Encoded bytes of a small simulated image of the format ("PNG", "JPEG",
/// "TIFF", "HEIC"), which begin as a real file of that format does.
inline std::string imageBytes(std::string_view payload, std::string_view format = "PNG") {
    const platform::Bytes bytes = platform::sim::SimImageCodec::encoded({4, 4}, payload, format);
    return std::string(bytes.begin(), bytes.end());
}

inline platform::Bytes asBytes(std::string_view text) {
    return platform::Bytes(text.begin(), text.end());
}

inline snippets::Snippet makeSnippet(std::string trigger, std::string title = "Mẫu") {
    snippets::Snippet s;
    s.trigger = std::move(trigger);
    s.title = std::move(title);
    s.text = "Dạ " + s.trigger;
    return s;
}

/// Every file of a folder with its content.
inline std::map<std::string, std::string> folderContent(const std::filesystem::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        out[entry.path().filename().string()] = TemporaryFolder::read(entry.path());
    }
    return out;
}

class BackupTest : public ::testing::Test {
  protected:
    std::filesystem::path dataFolder() const { return temporary_ / "data"; }

    snippets::SnippetStore& store() {
        if (!store_) {
            store_ = std::make_unique<snippets::SnippetStore>(dataFolder(), log_);
        }
        return *store_;
    }

    /// Reopens the store from disk, as the next start would.
    snippets::SnippetStore& reopenStore() {
        store_.reset();
        return store();
    }

    /// Adds a snippet whose image file holds `bytes`.
    snippets::Snippet addWithImage(std::string trigger, std::string_view bytes,
                                   std::string extension = "png") {
        snippets::Snippet s = makeSnippet(std::move(trigger));
        const std::string name = s.id.text() + "." + extension;
        TemporaryFolder::write(dataFolder() / name, bytes);
        s.imageFilename = name;
        store().append(s);
        return s;
    }

    BackupPorts ports() { return BackupPorts(codec_, writer_); }

    std::filesystem::path exported(const std::string& name = "backup.json") {
        const std::filesystem::path file = temporary_ / name;
        BackupService::exportArchive(store(), file, defaults_, ports());
        return file;
    }

    TemporaryFolder temporary_;
    platform::RecordingLog log_;
    platform::InMemoryUserDefaults defaults_;
    platform::sim::SimImageCodec codec_;
    AtomicFileWriter writer_;
    std::unique_ptr<snippets::SnippetStore> store_;
};

/// Runs `action` and gives the BackupError it threw; fails the test when it
/// threw none.
template <typename Action>
std::string backupErrorOf(Action&& action) {
    try {
        action();
    } catch (const BackupError& error) {
        return error.localizedDescription();
    }
    ADD_FAILURE() << "no BackupError was thrown";
    return {};
}

}  // namespace halvora::backup::testing
