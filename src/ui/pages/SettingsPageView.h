#pragma once

#include "platform/Platform.h"
#include "workspace/SettingsViewModel.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QStackedWidget;
class QVBoxLayout;

namespace halvora::snippets {
class SnippetStore;
}

namespace halvora::ui {
namespace PageKit {
class DeferredRefresh;
}
class BackupPageView;
class AboutPageView;

/// The settings page with its sub-pages (overview, backup, about,
/// applications with a remembered mode).
class SettingsPageView final : public QWidget {
  public:
    SettingsPageView(input::KeyboardController& keyboard, snippets::SnippetStore& store,
                     platform::Platform& platform, QWidget* parent = nullptr);

    workspace::SettingsViewModel& model() { return model_; }
    void refresh();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* buildOverview();
    QWidget* buildApplications();
    QWidget* withBackButton(std::string_view title, QWidget* page);
    QCheckBox* smartSwitchingToggle();
    void rebuildModes();

    workspace::SettingsViewModel model_;
    util::Connection connection_;
    util::Connection keyboardConnection_;
    PageKit::DeferredRefresh* refresher_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QButtonGroup* methods_ = nullptr;
    QButtonGroup* tones_ = nullptr;
    QCheckBox* suggestions_ = nullptr;
    std::vector<QCheckBox*> smartSwitching_;
    QCheckBox* launchAtLogin_ = nullptr;
    QLabel* loginMessage_ = nullptr;
    QLabel* modeCount_ = nullptr;
    QVBoxLayout* modes_ = nullptr;
    BackupPageView* backup_ = nullptr;
    AboutPageView* about_ = nullptr;
};

}  // namespace halvora::ui
