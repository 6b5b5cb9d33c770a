#pragma once

// The small pieces every workspace page is built from: text conversion, the
// title block, cards, and editors that take a model's value without
// disturbing the caret while the user types.

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <QString>

#include <functional>
#include <string>
#include <string_view>

class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace halvora::ui {

inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string str(const QString& text) {
    return text.toStdString();
}

namespace PageKit {

/// The page's title in heading type.
QLabel* title(std::string_view text);
/// A line in secondary style, wrapped.
QLabel* note(std::string_view text);
/// A bold label above a field or a group.
QLabel* heading(std::string_view text);
/// A framed group with its own vertical layout.
QFrame* card(QVBoxLayout*& layout);
QPushButton* button(std::string_view text, bool prominent = false);
/// How much room a scrolled content asks for before it scrolls.
enum class Room {
    /// What it would like at the width shown: wrapped text never clips.
    preferred,
    /// Its minimum: for a page that scrolls its own lists and editors.
    minimum,
};
/// `content` in a frameless area that scrolls it when there is less room
/// than it asks for, so that a small window still shows all of it.
QScrollArea* scrolling(QWidget* content, Room room = Room::preferred);
/// The content given to `scrolling`.
QWidget* scrolledContent(const QScrollArea& area);

/// Shows `text` unless the field already holds it (so the caret stays).
void syncText(QLineEdit& field, const QString& text);
void syncText(QPlainTextEdit& editor, const QString& text);

/// Runs `refresh` once on the next turn of the event loop however often it
/// is asked for, so that a burst of model changes rebuilds a page once and
/// never from inside a change the page itself is making.
class DeferredRefresh : public QObject {
  public:
    DeferredRefresh(QObject* owner, std::function<void()> refresh);
    void request();
    /// Runs a pending refresh now (tests, first display).
    void flush();

  private:
    std::function<void()> refresh_;
    bool pending_ = false;
};

}  // namespace PageKit
}  // namespace halvora::ui
