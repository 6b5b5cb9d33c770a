#include "ui/pages/PageKit.h"

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

QScrollArea* scrolling(QWidget* content) {
    auto* area = new QScrollArea();
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(content);
    return area;
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
