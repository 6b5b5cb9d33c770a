#pragma once

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QSocketNotifier;
struct xcb_connection_t;
struct xcb_selection_request_event_t;

namespace halvora::platform::qt {

/// The X11 clipboard served by this program for what it writes, on an X
/// connection of its own.
///
/// Qt's own clipboard refuses a request stamped earlier than the moment it
/// took the clipboard, as the conventions allow. But a paste shortcut that
/// an input method forwards to a GTK client carries the time of the user's
/// last key, which comes before a paste this program prepares in answer to
/// that key: the client would paste nothing. This owner serves every
/// request while it holds the clipboard.
class XcbClipboard final : public QObject {
  public:
    /// One form of the contents: a target name ("UTF8_STRING", "image/png")
    /// and its bytes.
    using Format = std::pair<std::string, QByteArray>;

    /// Connects to the display of $DISPLAY; null without one.
    static std::unique_ptr<XcbClipboard> open();
    ~XcbClipboard() override;
    XcbClipboard(const XcbClipboard&) = delete;
    XcbClipboard& operator=(const XcbClipboard&) = delete;

    /// Takes the clipboard with these forms; false when the display refused
    /// or a form is too large to hand over in one piece.
    bool own(std::vector<Format> formats);
    /// Gives the clipboard up (it is then empty), if held.
    void release();
    bool owns() const { return owned_; }

    /// Another program took the clipboard.
    std::function<void()> onLost;

  private:
    XcbClipboard(xcb_connection_t* connection, std::uint32_t root);
    void readEvents();
    void readQueuedEventsSoon();
    /// Asks the display whether this owner holds the clipboard.
    bool stillOwner();
    void answer(const xcb_selection_request_event_t& request);
    std::uint32_t atom(const std::string& name);

    xcb_connection_t* connection_;
    std::uint32_t window_ = 0;
    std::uint32_t clipboardAtom_ = 0;
    std::uint32_t targetsAtom_ = 0;
    std::uint32_t atomAtom_ = 4;  // the predefined ATOM type
    std::size_t maxBytes_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::pair<std::uint32_t, QByteArray>> formats_;
    bool owned_ = false;
};

}  // namespace halvora::platform::qt
