#pragma once

#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QProcess;

namespace halvora::platform::qt {

/// The general pasteboard of a Wayland session, through wl-clipboard's
/// `wl-copy` and `wl-paste`. A Wayland compositor takes a program's
/// clipboard only while one of its windows has the keyboard focus, which
/// Halvora's never has when it pastes into a chat; wl-copy sets the
/// clipboard through the compositor's data-control protocol instead (or a
/// short-lived window where there is none) and serves it after Halvora has
/// moved on.
///
/// The clipboard holds one offer: the first item's preferred representation
/// that has a common form — its text, or its image as PNG. Rich text with an
/// attachment has none; a text-and-image item is offered as its text.
class WlClipboardPasteboard final : public QObject, public Pasteboard {
  public:
    struct Offer {
        QString mimeType;
        QByteArray bytes;
        bool operator==(const Offer&) const = default;
    };

    /// `copy` and `paste` are the programs to run (tests pass their own).
    WlClipboardPasteboard(QString copy = QStringLiteral("wl-copy"),
                          QString paste = QStringLiteral("wl-paste"));
    ~WlClipboardPasteboard() override;

    /// Whether a Wayland session with wl-clipboard installed is at hand.
    static bool available();

    void clear() override;
    bool write(const std::vector<PasteboardItem>& items) override;
    /// What this program wrote, while the clipboard still holds it; otherwise
    /// one item with the text or the PNG image another program offers.
    std::vector<PasteboardItem> items() const override;
    std::int64_t changeCount() const override { return changeCount_; }

    /// What goes on the clipboard for `items`; none when nothing can.
    static std::optional<Offer> offerFor(const std::vector<PasteboardItem>& items);

  private:
    /// Runs `program` with `arguments`, `input` on its standard input; its
    /// standard output, or nothing when it failed.
    std::optional<QByteArray> run(const QString& program, const QStringList& arguments,
                                  const QByteArray& input = {}) const;
    /// The watcher's report of the clipboard's contents (their digest).
    void clipboardReported(const QByteArray& digest);
    void startWatching();

    QString copy_;
    QString paste_;
    std::vector<PasteboardItem> written_;
    /// Whether the clipboard holds what this program wrote last.
    bool own_ = false;
    /// The digest of the contents last seen or set here.
    QByteArray lastDigest_;
    bool watchStarted_ = false;
    std::int64_t changeCount_ = 0;
    std::unique_ptr<QProcess> watcher_;
};

}  // namespace halvora::platform::qt
