#pragma once

// The about page: what the program is, its version, and who makes it, with
// two links opened in the default browser.

#include "platform/DesktopWords.h"
#include "platform/Workspace.h"

#include <string>
#include <string_view>

namespace halvora::workspace {

class AboutViewModel {
  public:
    static constexpr std::string_view heading = "Giới thiệu";
    static constexpr std::string_view productTitle = "Halvora Independent Beta";
    static constexpr std::string_view authorCardTitle = "Tác giả Halvora";
    static constexpr std::string_view authorName = "Nhóm phát triển Halvora";
    static constexpr std::string_view authorDescription =
        "Những người viết Halvora cho người bán hàng và chăm sóc khách qua chat.";
    static constexpr std::string_view authorButtonTitle = "Tìm hiểu về tác giả";
    static constexpr std::string_view authorButtonSymbol = "arrow.up.right";
    static constexpr std::string_view supportSentence =
        "Nếu Halvora giúp ích cho anh, mời anh xem dự án và ủng hộ tác giả trên trang của "
        "nhóm.";
    static constexpr std::string_view supportButtonTitle = "Xem dự án và ủng hộ";

    AboutViewModel(platform::Workspace& workspace, const platform::DesktopWords& words)
        : workspace_(workspace), words_(words) {}

    /// What the program is, for the desktop it runs on.
    const std::string& tagline() const { return words_.aboutTagline; }

    /// The version of this build.
    static std::string_view version();
    /// "Phiên bản " + the version.
    static std::string versionLine();

    /// The author's page and the page for support, as configured at build
    /// time.
    static std::string_view authorURL();
    static std::string_view supportURL();

    /// Open the pages in the default browser; false when nothing opened them.
    bool openAuthorPage() { return workspace_.openUrl(authorURL()); }
    bool openSupportPage() { return workspace_.openUrl(supportURL()); }

  private:
    platform::Workspace& workspace_;
    const platform::DesktopWords& words_;
};

}  // namespace halvora::workspace
