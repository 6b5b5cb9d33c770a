#pragma once

#include "backup/FileWriter.h"
#include "workspace/BackupViewModel.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace halvora::ui {
namespace PageKit {
class DeferredRefresh;
}

/// The backup page. Its buttons open the save and open panels; the page
/// model does the rest.
class BackupPageView final : public QWidget {
  public:
    BackupPageView(snippets::SnippetStore& store, platform::UserDefaults& defaults,
                   platform::Workspace& workspace, platform::Alerts& alerts,
                   const platform::ImageCodec& codec, QWidget* parent = nullptr);

    workspace::BackupViewModel& model() { return model_; }
    void refresh();

  private:
    void chooseExportFile();
    void chooseImportFile();

    backup::AtomicFileWriter writer_;
    backup::BackupPorts ports_;
    workspace::BackupViewModel model_;
    util::Connection connection_;
    PageKit::DeferredRefresh* refresher_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* location_ = nullptr;
    QLabel* path_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace halvora::ui
