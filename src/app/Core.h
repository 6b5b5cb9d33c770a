#pragma once

// The long-lived objects of the core, wired together once for every program
// that runs them (the desktop shell, the simulate command, the tests and the
// benches): the snippet store on the data folder, the workspace navigation,
// the keyboard controller and the snippet picker it opens. Main queue only.

#include "app/PickerPresenter.h"
#include "input/DynamicQRSource.h"
#include "input/KeyboardController.h"
#include "platform/Platform.h"
#include "snippets/PanelHost.h"
#include "snippets/SnippetStore.h"
#include "snippets/WorkspaceNavigation.h"

#include <filesystem>

namespace halvora::app {

class Core {
  public:
    /// `dataFolder` is the snippet store's folder. `qrSource` may be null: a
    /// QR snippet then fails with the QR error status instead of pasting.
    Core(platform::Platform& platform, snippets::PanelHost& panels,
         std::filesystem::path dataFolder, input::DynamicQRSource* qrSource = nullptr);
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    platform::Platform& platform() { return platform_; }
    snippets::SnippetStore& store() { return store_; }
    snippets::WorkspaceNavigation& navigation() { return navigation_; }
    input::KeyboardController& keyboard() { return keyboard_; }
    PickerPresenter& picker() { return picker_; }

  private:
    platform::Platform& platform_;
    snippets::SnippetStore store_;
    snippets::WorkspaceNavigation navigation_;
    input::KeyboardController keyboard_;
    PickerPresenter picker_;
};

}  // namespace halvora::app
