#pragma once

#include "platform/Pasteboard.h"

#include <QObject>

#include <memory>
#include <vector>

class QMimeData;

namespace halvora::platform::qt {

class XcbClipboard;

/// The general pasteboard on the system clipboard (QClipboard). The clipboard
/// holds one item, so the items written since the last `clear` are offered
/// together: the first text as plain text, the first image as its PNG (or
/// TIFF) bytes and as an image for programs that ask for pixels. Rich text
/// with an attachment has no common form on Linux desktops; such an item is
/// offered through its plain-text and image representations, which the
/// paste service always adds beside it.
///
/// On X11 what this program writes is served by an owner of its own
/// (XcbClipboard), which answers every request while it holds the
/// clipboard; Qt's clipboard reads what other programs offer.
class QtPasteboard final : public QObject, public Pasteboard {
  public:
    /// Needs a QGuiApplication.
    QtPasteboard();
    /// `x11` serves what this program writes (null: Qt's clipboard does).
    explicit QtPasteboard(std::unique_ptr<XcbClipboard> x11);
    ~QtPasteboard() override;

    void clear() override;
    bool write(const std::vector<PasteboardItem>& items) override;
    /// What this program wrote, while the clipboard still holds it; otherwise
    /// one item with the text and the image another program offers.
    std::vector<PasteboardItem> items() const override;
    std::int64_t changeCount() const override { return changeCount_; }

    /// The clipboard contents offered for `items` (exposed for tests).
    static QMimeData* mimeDataFor(const std::vector<PasteboardItem>& items);

  private:
    void clipboardChanged();
    void lostToAnotherProgram();
    /// Whether this program's own X11 owner holds the clipboard now.
    bool servedByOwnOwner() const;

    std::vector<PasteboardItem> written_;
    const QMimeData* ownData_ = nullptr;
    std::int64_t changeCount_ = 0;
    bool writing_ = false;
    std::unique_ptr<XcbClipboard> x11_;
};

}  // namespace halvora::platform::qt
