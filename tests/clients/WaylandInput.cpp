// A keyboard and a pointer for a wlroots compositor (sway), driven by
// typing-matrix.sh through standard input, one command a line:
//
//   delay MS         the time of one key: half after its press, half after
//                    its release, as xdotool's --delay
//   type TEXT        the keys of TEXT, Shift where a character needs it
//   key NAME         one key, xdotool's spelling: Return, BackSpace,
//                    alt+super+semicolon, ctrl+v
//   move X Y         the pointer to X, Y of the layout (an output of W x H)
//   click            the left button pressed and released
//   sync             answers "ok" once the compositor has had everything
//
// Both devices live as long as the program: a tool that makes a new virtual
// keyboard for each call (wtype) gives the seat a new keymap each time, with
// only the symbols it types, and the client's first key can be lost while it
// takes the new one. Here the keymap is the whole "us" layout, as a real
// keyboard's.
//
//   halvora-wayland-input WIDTH HEIGHT

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// The two virtual-device protocols are not in Debian's wayland-protocols;
// their interfaces are small enough to state here. Requests only: neither
// has events.
const wl_interface* noTypes[8] = {};

const wl_message keyboardRequests[] = {
    {"keymap", "uhu", noTypes},
    {"key", "uuu", noTypes},
    {"modifiers", "uuuu", noTypes},
    {"destroy", "", noTypes},
};
const wl_interface virtualKeyboardInterface = {"zwp_virtual_keyboard_v1", 1, 4,
                                               keyboardRequests,          0, nullptr};

const wl_interface* keyboardCreateTypes[] = {&wl_seat_interface, &virtualKeyboardInterface};
const wl_message keyboardManagerRequests[] = {
    {"create_virtual_keyboard", "on", keyboardCreateTypes},
};
const wl_interface virtualKeyboardManagerInterface = {
    "zwp_virtual_keyboard_manager_v1", 1, 1, keyboardManagerRequests, 0, nullptr};

const wl_message pointerRequests[] = {
    {"motion", "uff", noTypes},   {"motion_absolute", "uuuuu", noTypes},
    {"button", "uuu", noTypes},   {"axis", "uuf", noTypes},
    {"frame", "", noTypes},       {"axis_source", "u", noTypes},
    {"axis_stop", "uu", noTypes}, {"axis_discrete", "uufi", noTypes},
    {"destroy", "", noTypes},
};
const wl_interface virtualPointerInterface = {"zwlr_virtual_pointer_v1", 1, 9,
                                              pointerRequests,           0, nullptr};

const wl_interface* pointerCreateTypes[] = {&wl_seat_interface, &virtualPointerInterface};
const wl_message pointerManagerRequests[] = {
    {"create_virtual_pointer", "?on", pointerCreateTypes},
};
const wl_interface virtualPointerManagerInterface = {
    "zwlr_virtual_pointer_manager_v1", 1, 1, pointerManagerRequests, 0, nullptr};

enum : uint32_t { kKeymap = 0, kKey = 1, kModifiers = 2, kKeyboardDestroy = 3 };
enum : uint32_t { kMotionAbsolute = 1, kButton = 2, kFrame = 4, kPointerDestroy = 8 };

struct Globals {
    wl_seat* seat = nullptr;
    wl_proxy* keyboards = nullptr;
    wl_proxy* pointers = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto& g = *static_cast<Globals*>(data);
    const auto bind = [&](const wl_interface* wanted) {
        return static_cast<wl_proxy*>(wl_registry_bind(registry, name, wanted, 1));
    };
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && g.seat == nullptr) {
        g.seat = reinterpret_cast<wl_seat*>(bind(&wl_seat_interface));
    } else if (std::strcmp(interface, virtualKeyboardManagerInterface.name) == 0) {
        g.keyboards = bind(&virtualKeyboardManagerInterface);
    } else if (std::strcmp(interface, virtualPointerManagerInterface.name) == 0) {
        g.pointers = bind(&virtualPointerManagerInterface);
    }
}
void onGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Context = std::unique_ptr<xkb_context, Deleter<xkb_context, xkb_context_unref>>;
using Keymap = std::unique_ptr<xkb_keymap, Deleter<xkb_keymap, xkb_keymap_unref>>;
using State = std::unique_ptr<xkb_state, Deleter<xkb_state, xkb_state_unref>>;

// Where a symbol is on the keymap: its key and whether Shift is needed.
struct Place {
    xkb_keycode_t key = 0;
    bool shift = false;
};

class Devices {
  public:
    Devices(wl_display* display, const Globals& g, uint32_t width, uint32_t height)
        : display_(display), width_(width), height_(height) {
        context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        keymap_.reset(
            xkb_keymap_new_from_names(context_.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (!keymap_)
            throw std::runtime_error("the \"us\" keymap did not compile");
        state_.reset(xkb_state_new(keymap_.get()));
        indexSymbols();

        keyboard_ = wl_proxy_marshal_flags(g.keyboards, 0, &virtualKeyboardInterface, 1, 0, g.seat,
                                           nullptr);
        char* text = xkb_keymap_get_as_string(keymap_.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
        const size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("halvora-keymap", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0 ||
            write(fd, text, size) != static_cast<ssize_t>(size)) {
            throw std::runtime_error("the keymap could not be written to shared memory");
        }
        std::free(text);
        wl_proxy_marshal_flags(keyboard_, kKeymap, nullptr, 1, 0, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1,
                               fd, static_cast<uint32_t>(size));
        close(fd);
        pointer_ =
            wl_proxy_marshal_flags(g.pointers, 0, &virtualPointerInterface, 1, 0, g.seat, nullptr);
        wl_display_roundtrip(display_);
    }
    ~Devices() {
        wl_proxy_marshal_flags(keyboard_, kKeyboardDestroy, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
        wl_proxy_marshal_flags(pointer_, kPointerDestroy, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
        wl_display_roundtrip(display_);
    }
    Devices(const Devices&) = delete;
    Devices& operator=(const Devices&) = delete;

    void setDelay(int ms) { delay_ = std::chrono::microseconds(ms * 500); }

    bool type(const std::string& text) {
        std::vector<Place> places;
        for (const char32_t c : decode(text)) {
            const auto it = places_.find(xkb_utf32_to_keysym(c));
            if (it == places_.end())
                return false;
            places.push_back(it->second);
        }
        for (const Place& p : places) {
            if (p.shift)
                press(modifierKey("Shift_L"), true);
            tap(p.key);
            if (p.shift)
                press(modifierKey("Shift_L"), false);
        }
        return true;
    }

    // xdotool's names: modifiers before the key, joined by "+".
    bool key(const std::string& chord) {
        std::vector<xkb_keycode_t> modifiers;
        std::stringstream parts(chord);
        std::string part;
        std::vector<std::string> names;
        while (std::getline(parts, part, '+'))
            names.push_back(part);
        if (names.empty())
            return false;
        static const std::map<std::string, std::string> modifierNames{
            {"ctrl", "Control_L"}, {"alt", "Alt_L"}, {"super", "Super_L"}, {"shift", "Shift_L"}};
        for (size_t i = 0; i + 1 < names.size(); ++i) {
            const auto it = modifierNames.find(names[i]);
            if (it == modifierNames.end())
                return false;
            modifiers.push_back(modifierKey(it->second.c_str()));
        }
        const xkb_keysym_t sym = xkb_keysym_from_name(names.back().c_str(), XKB_KEYSYM_NO_FLAGS);
        const auto it = places_.find(sym);
        if (sym == XKB_KEY_NoSymbol || it == places_.end())
            return false;
        for (const xkb_keycode_t m : modifiers)
            press(m, true);
        if (it->second.shift)
            press(modifierKey("Shift_L"), true);
        tap(it->second.key);
        if (it->second.shift)
            press(modifierKey("Shift_L"), false);
        for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
            press(*m, false);
        return true;
    }

    void move(uint32_t x, uint32_t y) {
        wl_proxy_marshal_flags(pointer_, kMotionAbsolute, nullptr, 1, 0, now(), x, y, width_,
                               height_);
        wl_proxy_marshal_flags(pointer_, kFrame, nullptr, 1, 0);
        flushAndWait();
    }

    void click() {
        for (const auto state :
             {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
            wl_proxy_marshal_flags(pointer_, kButton, nullptr, 1, 0, now(), uint32_t{BTN_LEFT},
                                   static_cast<uint32_t>(state));
            wl_proxy_marshal_flags(pointer_, kFrame, nullptr, 1, 0);
            flushAndWait();
        }
    }

    bool sync() { return wl_display_roundtrip(display_) >= 0; }

  private:
    void indexSymbols() {
        // The first key and level that give each symbol, level 1 or Shift's level 2.
        xkb_keymap* map = keymap_.get();
        for (xkb_keycode_t k = xkb_keymap_min_keycode(map); k <= xkb_keymap_max_keycode(map); ++k) {
            for (xkb_level_index_t level = 0; level < 2; ++level) {
                const xkb_keysym_t* syms = nullptr;
                const int n = xkb_keymap_key_get_syms_by_level(map, k, 0, level, &syms);
                for (int i = 0; i < n; ++i)
                    places_.try_emplace(syms[i], Place{k, level == 1});
            }
        }
    }

    xkb_keycode_t modifierKey(const char* name) const {
        return places_.at(xkb_keysym_from_name(name, XKB_KEYSYM_NO_FLAGS)).key;
    }

    static std::vector<char32_t> decode(const std::string& text) {
        std::vector<char32_t> out;
        for (size_t i = 0; i < text.size();) {
            const auto c = static_cast<unsigned char>(text[i]);
            const int length = c < 0x80 ? 1 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
            char32_t value = length == 1 ? c : c & (0x3f >> (length - 1));
            for (int j = 1; j < length && i + j < text.size(); ++j) {
                value = (value << 6) | (static_cast<unsigned char>(text[i + j]) & 0x3f);
            }
            out.push_back(value);
            i += length;
        }
        return out;
    }

    static uint32_t now() {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }

    void tap(xkb_keycode_t key) {
        press(key, true);
        press(key, false);
    }

    // Key codes on the wire are evdev's, 8 below the keymap's.
    void press(xkb_keycode_t key, bool down) {
        wl_proxy_marshal_flags(keyboard_, kKey, nullptr, 1, 0, now(), key - 8,
                               static_cast<uint32_t>(down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                          : WL_KEYBOARD_KEY_STATE_RELEASED));
        xkb_state_update_key(state_.get(), key, down ? XKB_KEY_DOWN : XKB_KEY_UP);
        // The compositor takes a virtual keyboard's modifiers from its
        // client, not from the keys.
        xkb_state* s = state_.get();
        wl_proxy_marshal_flags(keyboard_, kModifiers, nullptr, 1, 0,
                               xkb_state_serialize_mods(s, XKB_STATE_MODS_DEPRESSED),
                               xkb_state_serialize_mods(s, XKB_STATE_MODS_LATCHED),
                               xkb_state_serialize_mods(s, XKB_STATE_MODS_LOCKED),
                               xkb_state_serialize_layout(s, XKB_STATE_LAYOUT_EFFECTIVE));
        flushAndWait();
    }

    void flushAndWait() {
        wl_display_flush(display_);
        std::this_thread::sleep_for(delay_);
    }

    wl_display* display_;
    uint32_t width_;
    uint32_t height_;
    Context context_;
    Keymap keymap_;
    State state_;
    std::map<xkb_keysym_t, Place> places_;
    wl_proxy* keyboard_ = nullptr;
    wl_proxy* pointer_ = nullptr;
    std::chrono::microseconds delay_{6000};
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: halvora-wayland-input WIDTH HEIGHT\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    Globals g;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &g);
    wl_display_roundtrip(display);
    if (g.seat == nullptr || g.keyboards == nullptr || g.pointers == nullptr) {
        std::fprintf(stderr, "the compositor offers no seat or no virtual keyboard and pointer\n");
        return 1;
    }
    int status = 0;
    try {
        Devices devices(display, g, static_cast<uint32_t>(std::stoul(argv[1])),
                        static_cast<uint32_t>(std::stoul(argv[2])));
        std::string line;
        while (std::getline(std::cin, line)) {
            const auto space = line.find(' ');
            const std::string command = line.substr(0, space);
            const std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
            bool ok = true;
            if (command == "delay") {
                devices.setDelay(std::stoi(arg));
            } else if (command == "type") {
                ok = devices.type(arg);
            } else if (command == "key") {
                ok = devices.key(arg);
            } else if (command == "move") {
                unsigned x = 0;
                unsigned y = 0;
                ok = std::sscanf(arg.c_str(), "%u %u", &x, &y) == 2;
                if (ok)
                    devices.move(x, y);
            } else if (command == "click") {
                devices.click();
            } else if (command == "sync") {
                ok = devices.sync();
                std::cout << (ok ? "ok" : "lost") << std::endl;
            } else {
                ok = false;
            }
            if (!ok)
                std::fprintf(stderr, "could not do: %s\n", line.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    wl_display_disconnect(display);
    return status;
}
