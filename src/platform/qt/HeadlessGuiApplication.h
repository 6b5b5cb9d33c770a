#pragma once

#include <memory>

class QGuiApplication;

namespace halvora::platform::qt {

/// Owns a QGuiApplication on the "offscreen" platform for programs that
/// have no window but need what only a GUI application provides (the font
/// database, used to render SVG text). When the process already has a Qt
/// application object it does nothing. Make it on the main thread before
/// any other Qt work, and keep it for as long as Qt is used.
class HeadlessGuiApplication {
  public:
    HeadlessGuiApplication();
    ~HeadlessGuiApplication();
    HeadlessGuiApplication(const HeadlessGuiApplication&) = delete;
    HeadlessGuiApplication& operator=(const HeadlessGuiApplication&) = delete;

    /// Whether this object made the application (false when one existed).
    bool ownsApplication() const { return application_ != nullptr; }

  private:
    // QGuiApplication keeps references to its argument count and vector, so
    // they live as long as it does.
    int argc_ = 3;
    char programName_[16] = "halvora";
    char platformOption_[16] = "-platform";
    char platformName_[16] = "offscreen";
    char* argv_[4] = {programName_, platformOption_, platformName_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

}  // namespace halvora::platform::qt
