#include "ui/pages/PageKit.h"

#include <QEvent>
#include <QFont>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace halvora::ui::PageKit {

QLabel* title(std::string_view text) {
    auto* label = new QLabel(qs(text));
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* note(std::string_view text) {
    auto* label = new QLabel(qs(text));
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

QLabel* heading(std::string_view text) {
    auto* label = new QLabel(qs(text));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QFrame* card(QVBoxLayout*& layout) {
    auto* frame = new QFrame();
    frame->setFrameShape(QFrame::StyledPanel);
    layout = new QVBoxLayout(frame);
    layout->setContentsMargins(14, 12, 14, 12);
    return frame;
}

QPushButton* button(std::string_view text, bool prominent) {
    // A lone "&" would mark a shortcut letter instead of showing itself.
    auto* button = new QPushButton(qs(text).replace(QStringLiteral("&"), QStringLiteral("&&")));
    if (prominent) {
        button->setDefault(true);
    }
    return button;
}

namespace {

/// Holds a scroll area's content and gives it all the room there is, down
/// to its minimum size. A scroll area asks a content with wrapped text for
/// its preferred height at the shown width, and would scroll long before
/// the content needs it; this holder answers with the minimum instead.
class ScrollContent final : public QWidget {
  public:
    explicit ScrollContent(QWidget* content) : content_(content) { content_->setParent(this); }

    QWidget* content() const { return content_; }
    QSize sizeHint() const override { return content_->sizeHint(); }
    QSize minimumSizeHint() const override { return content_->minimumSizeHint(); }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        content_->setGeometry(rect());
    }
    bool event(QEvent* event) override {
        // The content's size hints changed: the scroll area asks again.
        if (event->type() == QEvent::LayoutRequest) {
            updateGeometry();
        }
        return QWidget::event(event);
    }

  private:
    QWidget* content_;
};

}  // namespace

QScrollArea* scrolling(QWidget* content, Room room) {
    auto* area = new QScrollArea();
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(room == Room::minimum ? new ScrollContent(content) : content);
    return area;
}

QWidget* scrolledContent(const QScrollArea& area) {
    const auto* holder = dynamic_cast<const ScrollContent*>(area.widget());
    return holder == nullptr ? area.widget() : holder->content();
}

void syncText(QLineEdit& field, const QString& text) {
    if (field.text() != text) {
        field.setText(text);
    }
}

void syncText(QPlainTextEdit& editor, const QString& text) {
    if (editor.toPlainText() != text) {
        editor.setPlainText(text);
    }
}

DeferredRefresh::DeferredRefresh(QObject* owner, std::function<void()> refresh)
    : QObject(owner), refresh_(std::move(refresh)) {}

void DeferredRefresh::request() {
    if (pending_) {
        return;
    }
    pending_ = true;
    QTimer::singleShot(0, this, [this] { flush(); });
}

void DeferredRefresh::flush() {
    pending_ = false;
    refresh_();
}

}  // namespace halvora::ui::PageKit
