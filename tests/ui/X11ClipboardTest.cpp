// The clipboard this program writes on a real X server (under xvfb-run),
// asked for by another client the way a GTK client pastes after a shortcut
// an input method forwarded: with the time of the user's last key, before
// the clipboard changed hands.

#include "platform/qt/QtPasteboard.h"
#include "platform/qt/XcbClipboard.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace halvora::platform::qt {
namespace {

/// Another X client; it asks for the clipboard from a thread of its own
/// while this one keeps the owner's event loop running.
class Requester {
  public:
    Requester() : connection_(xcb_connect(nullptr, nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_flush(connection_);
    }
    ~Requester() { xcb_disconnect(connection_); }

    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return value;
    }

    /// The bytes of `target`, or nothing when the owner refused.
    std::optional<std::string> convert(const char* target, xcb_timestamp_t time) {
        const xcb_atom_t property = atom("HALVORA_TEST");
        xcb_convert_selection(connection_, window_, atom("CLIPBOARD"), atom(target), property,
                              time);
        xcb_flush(connection_);
        while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
            const bool notify = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
            const xcb_atom_t got =
                notify ? reinterpret_cast<xcb_selection_notify_event_t*>(event)->property : 0;
            std::free(event);
            if (!notify) {
                continue;
            }
            if (got == XCB_NONE) {
                return std::nullopt;
            }
            auto* reply =
                xcb_get_property_reply(connection_,
                                       xcb_get_property(connection_, 1, window_, property,
                                                        XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 24),
                                       nullptr);
            std::string bytes(static_cast<const char*>(xcb_get_property_value(reply)),
                              xcb_get_property_value_length(reply) *
                                  (reply->format == 32 ? 4 : reply->format / 8));
            std::free(reply);
            return bytes;
        }
        return std::nullopt;
    }

    /// Takes the clipboard, as a program copying something would.
    void takeClipboard() {
        xcb_set_selection_owner(connection_, window_, atom("CLIPBOARD"), XCB_CURRENT_TIME);
        xcb_flush(connection_);
    }

  private:
    xcb_connection_t* connection_;
    xcb_window_t window_ = 0;
};

/// Runs `request` on a thread while the event loop serves it.
template <typename Request>
auto served(Request request) {
    decltype(request()) result;
    bool done = false;
    std::thread thread([&] {
        result = request();
        done = true;
    });
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    thread.join();
    return result;
}

TEST(X11ClipboardTest, WrittenContentsAreServedToRequestsStampedBeforeTheyWereWritten) {
    auto x11 = XcbClipboard::open();
    ASSERT_NE(x11, nullptr);
    QtPasteboard pasteboard(std::move(x11));
    Requester requester;
    const xcb_timestamp_t lastKey = 1;  // long before anything was written

    QImage pixels(4, 3, QImage::Format_RGB32);
    pixels.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(pixels.save(&buffer, "PNG"));

    struct Case {
        const char* name;
        std::vector<PasteboardItem> items;
        const char* target;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"text",
         {PasteboardItem{{PasteboardRepresentation::string("Dạ em chào anh")}}},
         "UTF8_STRING",
         "Dạ em chào anh"},
        {"an image as PNG",
         {PasteboardItem{{{PasteboardType::png, {}, {png.begin(), png.end()}}}}},
         "image/png",
         std::string(png.constData(), static_cast<std::size_t>(png.size()))},
        {"an image object's PNG, as written",
         {PasteboardItem{{PasteboardRepresentation::image({png.begin(), png.end()})}}},
         "image/png",
         std::string(png.constData(), static_cast<std::size_t>(png.size()))},
        {"no text in an image",
         {PasteboardItem{{{PasteboardType::png, {}, {png.begin(), png.end()}}}}},
         "UTF8_STRING",
         std::nullopt},
    };
    for (const Case& c : cases) {
        pasteboard.clear();
        ASSERT_TRUE(pasteboard.write(c.items)) << c.name;
        const auto got = served([&] { return requester.convert(c.target, lastKey); });
        EXPECT_EQ(got, c.expected) << c.name;
        const auto targets = served([&] { return requester.convert("TARGETS", lastKey); });
        EXPECT_TRUE(targets.has_value()) << c.name;
    }

    // Another program copies: what this program wrote is no longer offered.
    const std::int64_t before = pasteboard.changeCount();
    requester.takeClipboard();
    QElapsedTimer timer;
    timer.start();
    while (pasteboard.changeCount() == before && timer.elapsed() < 3000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_GT(pasteboard.changeCount(), before);
}

}  // namespace
}  // namespace halvora::platform::qt
