#pragma once

// The objects every page model works on: a simulated desktop and the core
// assembled on it, with its store on a temporary data folder and the keyboard
// controller that reads the same store and user defaults.

#include "TemporaryFolder.h"
#include "app/Core.h"
#include "input/KeyboardController.h"
#include "platform/sim/SimDesktop.h"
#include "snippets/Snippet.h"
#include "snippets/SnippetStore.h"
#include "snippets/sim/SimPanelHost.h"
#include "util/Uuid.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace halvora::workspace::testing {

class WorkspaceFixture : public ::testing::Test {
  protected:
    WorkspaceFixture()
        : platform_(desktop_.platform()),
          panels_(desktop_),
          core_(platform_, panels_, folder_.path() / "data"),
          store_(core_.store()),
          keyboard_(core_.keyboard()) {}

    util::Uuid addSnippet(std::string title, std::string trigger, std::string text = "",
                          std::optional<bool> quickReply = std::nullopt) {
        snippets::Snippet snippet;
        snippet.title = std::move(title);
        snippet.trigger = std::move(trigger);
        snippet.text = std::move(text);
        snippet.quickReply = quickReply;
        store_.append(snippet);
        return snippet.id;
    }

    /// A chat application in front with its text field focused, and the
    /// controller listening to the keys.
    platform::sim::SimTextField& openChat() {
        const platform::ProcessId pid = desktop_.launch("Zalo", "com.vng.zalo");
        platform::sim::SimTextField& field = desktop_.addField(pid);
        desktop_.bringToFront(pid);
        keyboard_.start();
        return field;
    }

    /// The user types, then the deferred steps (pastes) run.
    void type(std::string_view text) {
        desktop_.typeText(text);
        desktop_.mainQueue().advance(1.0);
    }

    halvora::testing::TemporaryFolder folder_;
    platform::sim::SimDesktop desktop_;
    platform::Platform platform_;
    snippets::sim::SimPanelHost panels_;
    app::Core core_;
    snippets::SnippetStore& store_;
    input::KeyboardController& keyboard_;
};

}  // namespace halvora::workspace::testing
