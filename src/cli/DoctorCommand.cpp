#include "cli/DoctorCommand.h"

#include "bridge/BridgeProtocol.h"
#include "cli/ConfigCommand.h"
#include "platform/XdgDirectories.h"
#include "snippets/SnippetStore.h"

#ifndef HALVORA_FCITX5_ADDON_FILE
#define HALVORA_FCITX5_ADDON_FILE ""
#endif
#ifndef HALVORA_IBUS_COMPONENT_FILE
#define HALVORA_IBUS_COMPONENT_FILE ""
#endif
#ifndef HALVORA_INSTALLED_DESKTOP
#define HALVORA_INSTALLED_DESKTOP ""
#endif

namespace halvora::cli {
namespace {

using Level = DoctorFinding::Level;

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// Halvora types through fcitx5 or IBus, whichever runs; fcitx5 first when
// both do, as its addon then has the keys.
bool throughIBus(const DoctorFacts& f) {
    return !f.fcitx5Running && f.ibusRunning;
}

void framework(const DoctorFacts& f, std::vector<DoctorFinding>& out) {
    if (f.fcitx5Running) {
        out.push_back({Level::ok, "Bộ khung gõ", "fcitx5 đang chạy."});
    } else if (f.ibusRunning) {
        out.push_back({Level::ok, "Bộ khung gõ", "IBus đang chạy."});
    } else {
        out.push_back({Level::failure, "Bộ khung gõ",
                       "Chưa có bộ khung gõ nào chạy. Chạy \"fcitx5 -d\" hoặc chọn fcitx5 (hay "
                       "IBus) làm bộ gõ (im-config -n fcitx5), đăng xuất và đăng nhập lại."});
    }
}

void ibusEngine(const DoctorFacts& f, std::vector<DoctorFinding>& out) {
    if (!f.ibusEngineInstalled) {
        out.push_back({Level::failure, "Bộ gõ IBus",
                       "Chưa cài bộ gõ Halvora cho IBus. Cài lại gói halvora "
                       "(sudo apt install ./halvora_*.deb)."});
    } else if (f.ibusEngineListed == false) {
        out.push_back({Level::failure, "Bộ gõ IBus",
                       "IBus chưa thấy Halvora. Chạy \"ibus restart\" rồi thêm Tiếng Việt "
                       "(Halvora) trong Cài đặt → Bàn phím → Nguồn nhập (hoặc ibus-setup)."});
    } else if (!f.ibusEngineListed) {
        out.push_back({Level::warning, "Bộ gõ IBus",
                       "Đã cài, nhưng không hỏi được IBus xem đã có Halvora chưa."});
    } else {
        out.push_back({Level::ok, "Bộ gõ IBus", "IBus đã có bộ gõ Halvora."});
    }
}

void addon(const DoctorFacts& f, std::vector<DoctorFinding>& out) {
    if (!f.addonInstalled) {
        out.push_back({Level::failure, "Phần bổ trợ fcitx5",
                       "Chưa cài phần bổ trợ Halvora của fcitx5. Cài lại gói halvora "
                       "(sudo apt install ./halvora_*.deb)."});
    } else if (f.addonLoaded == false) {
        out.push_back({Level::failure, "Phần bổ trợ fcitx5",
                       "fcitx5 chưa nạp Halvora. Khởi động lại fcitx5 (fcitx5 -r) rồi thêm "
                       "\"Halvora\" trong Cấu hình fcitx5 → Bộ gõ."});
    } else if (!f.addonLoaded) {
        out.push_back({Level::warning, "Phần bổ trợ fcitx5",
                       "Đã cài, nhưng không hỏi được fcitx5 xem đã nạp chưa."});
    } else {
        out.push_back({Level::ok, "Phần bổ trợ fcitx5", "fcitx5 đã nạp Halvora."});
    }
}

void desktop(const DoctorFacts& f, std::vector<DoctorFinding>& out) {
    if (!f.desktopInstalled) {
        out.push_back({Level::failure, "halvora-desktop",
                       "Không tìm thấy chương trình halvora-desktop. Cài lại gói halvora."});
    } else if (f.desktopAttached == true) {
        out.push_back(
            {Level::ok, "halvora-desktop", "halvora-desktop đang chạy và đã nối với bộ gõ."});
    } else if (f.desktopAttached == false) {
        out.push_back({Level::failure, "halvora-desktop",
                       "halvora-desktop chưa chạy. Mở \"Halvora Independent Beta\" trong menu ứng "
                       "dụng, hoặc chạy: systemctl --user start halvora-desktop"});
    } else {
        out.push_back({Level::failure, "halvora-desktop",
                       "Không có phiên D-Bus: bộ gõ và halvora-desktop không nói chuyện được với "
                       "nhau. Hãy chạy trong một phiên đăng nhập đồ hoạ."});
    }
}

void environment(const DoctorFacts& f, std::vector<DoctorFinding>& out) {
    const struct {
        const char* name;
        const std::string& value;
        const char* expected;
    } fcitx[] =
        {
            {"GTK_IM_MODULE", f.gtkImModule, "fcitx"},
            {"QT_IM_MODULE", f.qtImModule, "fcitx"},
            {"XMODIFIERS", f.xmodifiers, "@im=fcitx"},
        },
      ibus[] = {
          {"GTK_IM_MODULE", f.gtkImModule, "ibus"},
          {"QT_IM_MODULE", f.qtImModule, "ibus"},
          {"XMODIFIERS", f.xmodifiers, "@im=ibus"},
      };
    const bool viaIBus = throughIBus(f);
    const auto& variables = viaIBus ? ibus : fcitx;
    const std::string name = viaIBus ? "ibus" : "fcitx5";
    for (const auto& v : variables) {
        const std::string subject = std::string("Biến ") + v.name;
        if (v.value == v.expected) {
            out.push_back({Level::ok, subject, v.value});
        } else if (v.value.empty() && f.sessionType == "wayland") {
            // Native Wayland clients reach the framework over the text-input
            // protocol.
            out.push_back({Level::ok, subject, "chưa đặt (Wayland dùng giao thức text-input)"});
        } else {
            out.push_back({Level::warning, subject,
                           (v.value.empty() ? std::string("chưa đặt") : "là \"" + v.value + "\"") +
                               ". Thêm dòng " + v.name + "=" + v.expected +
                               " vào ~/.config/environment.d/" + name +
                               ".conf (hoặc chạy im-config -n " + name + "), rồi đăng nhập lại."});
        }
    }
}

void display(const DoctorFacts& f, std::vector<DoctorFinding>& out) {
    if (f.sessionType == "x11") {
        out.push_back({Level::ok, "Màn hình", "X11."});
    } else if (f.sessionType == "wayland") {
        out.push_back({Level::ok, "Màn hình", "Wayland."});
        out.push_back(f.waylandClipboardTools
                          ? DoctorFinding{Level::ok, "Bộ nhớ tạm", "Có wl-copy và wl-paste."}
                          : DoctorFinding{Level::warning, "Bộ nhớ tạm",
                                          "Thiếu wl-copy/wl-paste: mẫu có thể không dán được. Cài "
                                          "gói wl-clipboard (sudo apt install wl-clipboard)."});
    } else {
        out.push_back({Level::warning, "Màn hình",
                       "Không thấy phiên X11 hay Wayland (DISPLAY, WAYLAND_DISPLAY chưa đặt)."});
    }
}

void folders(const DoctorFacts& f, std::vector<DoctorFinding>& out) {
    const struct {
        const char* subject;
        const std::filesystem::path& folder;
        bool usable;
    } list[] = {{"Thư mục dữ liệu", f.dataFolder, f.dataFolderUsable},
                {"Thư mục cài đặt", f.configFolder, f.configFolderUsable}};
    for (const auto& item : list) {
        if (item.folder.empty()) {
            out.push_back(
                {Level::failure, item.subject,
                 "Không biết thư mục nhà (HOME chưa đặt): không lưu được mẫu và cài đặt."});
        } else if (item.usable) {
            out.push_back({Level::ok, item.subject, item.folder.string()});
        } else {
            out.push_back({Level::failure, item.subject,
                           item.folder.string() +
                               " không ghi được. Kiểm tra quyền của thư mục (ls -ld) và chỗ trống "
                               "trên đĩa."});
        }
    }
}

std::optional<bool> busNameHasOwner(const platform::SystemProbe& probe, const std::string& name) {
    const auto reply = probe.commandOutput({"dbus-send", "--session", "--print-reply",
                                            "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                            "org.freedesktop.DBus.NameHasOwner", "string:" + name});
    if (!reply) {
        return std::nullopt;
    }
    return contains(*reply, "boolean true");
}

}  // namespace

std::vector<DoctorFinding> diagnose(const DoctorFacts& facts) {
    std::vector<DoctorFinding> findings;
    framework(facts, findings);
    if (throughIBus(facts)) {
        ibusEngine(facts, findings);
    } else {
        addon(facts, findings);
    }
    desktop(facts, findings);
    environment(facts, findings);
    display(facts, findings);
    folders(facts, findings);
    return findings;
}

bool typingCanWork(const std::vector<DoctorFinding>& findings) {
    for (const DoctorFinding& finding : findings) {
        if (finding.level == Level::failure) {
            return false;
        }
    }
    return true;
}

DoctorFacts gatherDoctorFacts(const platform::SystemProbe& probe,
                              const std::optional<std::filesystem::path>& dataFolder,
                              const std::optional<std::filesystem::path>& configFolder) {
    DoctorFacts f;
    f.fcitx5Running = probe.processRunning("fcitx5");
    f.ibusRunning = probe.processRunning("ibus-daemon");
    f.addonInstalled = probe.fileExists(HALVORA_FCITX5_ADDON_FILE);
    if (f.fcitx5Running) {
        // The input methods fcitx5 knows, over its controller interface.
        const auto reply = probe.commandOutput(
            {"dbus-send", "--session", "--print-reply", "--dest=org.fcitx.Fcitx5", "/controller",
             "org.fcitx.Fcitx.Controller1.AvailableInputMethods"});
        if (reply) {
            f.addonLoaded = contains(*reply, "\"halvora\"");
        }
    }
    f.ibusEngineInstalled = probe.fileExists(HALVORA_IBUS_COMPONENT_FILE);
    if (throughIBus(f)) {
        if (const auto engines = probe.commandOutput({"ibus", "list-engine"})) {
            f.ibusEngineListed = contains(*engines, "halvora");
        }
    }
    f.desktopInstalled =
        probe.fileExists(HALVORA_INSTALLED_DESKTOP) || probe.executableInPath("halvora-desktop");
    f.desktopAttached = busNameHasOwner(probe, std::string(bridge::protocol::serviceName));
    f.gtkImModule = probe.environment("GTK_IM_MODULE");
    f.qtImModule = probe.environment("QT_IM_MODULE");
    f.xmodifiers = probe.environment("XMODIFIERS");
    const std::string session = probe.environment("XDG_SESSION_TYPE");
    if (session == "wayland" || session == "x11") {
        f.sessionType = session;
    } else if (!probe.environment("WAYLAND_DISPLAY").empty()) {
        f.sessionType = "wayland";
    } else if (!probe.environment("DISPLAY").empty()) {
        f.sessionType = "x11";
    }
    f.waylandClipboardTools =
        probe.executableInPath("wl-copy") && probe.executableInPath("wl-paste");
    f.dataFolder = dataFolder
                       ? *dataFolder
                       : snippets::SnippetStore::defaultFolder().value_or(std::filesystem::path());
    f.dataFolderUsable = !f.dataFolder.empty() && probe.folderUsable(f.dataFolder);
    const auto settings = defaultsFile(configFolder);
    f.configFolder = settings ? settings->parent_path() : std::filesystem::path();
    f.configFolderUsable = !f.configFolder.empty() && probe.folderUsable(f.configFolder);
    return f;
}

int printDoctorReport(const std::vector<DoctorFinding>& findings, std::ostream& out) {
    for (const DoctorFinding& finding : findings) {
        const char* mark = finding.level == Level::ok        ? "[ổn]  "
                           : finding.level == Level::warning ? "[lưu ý]"
                                                             : "[lỗi] ";
        out << mark << ' ' << finding.subject << ": " << finding.text << '\n';
    }
    if (typingCanWork(findings)) {
        out << "Halvora sẵn sàng để gõ.\n";
        return 0;
    }
    out << "Halvora chưa gõ được: hãy sửa các mục [lỗi] ở trên.\n";
    return 1;
}

}  // namespace halvora::cli
