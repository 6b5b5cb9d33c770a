#pragma once

#include "workspace/AboutViewModel.h"

#include <QWidget>

namespace halvora::ui {

/// The about page.
class AboutPageView final : public QWidget {
  public:
    AboutPageView(platform::Workspace& workspace, const platform::DesktopWords& words,
                  QWidget* parent = nullptr);

    workspace::AboutViewModel& model() { return model_; }

  private:
    workspace::AboutViewModel model_;
};

}  // namespace halvora::ui
