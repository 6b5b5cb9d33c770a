#pragma once

#include "workspace/AboutViewModel.h"

#include <QWidget>

namespace halvora::ui {

/// The about page.
class AboutPageView final : public QWidget {
  public:
    explicit AboutPageView(platform::Workspace& workspace, QWidget* parent = nullptr);

    workspace::AboutViewModel& model() { return model_; }

  private:
    workspace::AboutViewModel model_;
};

}  // namespace halvora::ui
