#include "ui/SnippetPickerView.h"

#include "ui/HalvoraBetaStyle.h"
#include "ui/SnippetRowDelegate.h"
#include "ui/Symbols.h"
#include "ui/Typography.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace halvora::ui {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFrame* divider() {
    auto* line = new QFrame();
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

SnippetPickerView::SnippetPickerView(snippets::SnippetPickerPanel& picker, QWidget* parent)
    : QWidget(parent), picker_(&picker) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* searchRow = new QHBoxLayout();
    searchRow->setContentsMargins(16, 12, 16, 12);
    searchRow->setSpacing(8);
    auto* magnifier = new QLabel();
    magnifier->setPixmap(symbolPixmap(qs(snippets::SnippetPickerPanel::searchSymbolName), 18,
                                      QApplication::palette().color(QPalette::PlaceholderText)));
    searchRow->addWidget(magnifier);
    search_ = new QLineEdit();
    search_->setFrame(false);
    // Borderless on the panel's own background, like a search bar.
    search_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    QFont searchFont = Typography::body();
    searchFont.setPixelSize(16);
    search_->setFont(searchFont);
    search_->setPlaceholderText(qs(snippets::SnippetPickerPanel::searchPlaceholder));
    search_->installEventFilter(this);
    searchRow->addWidget(search_, 1);
    layout->addLayout(searchRow);
    layout->addWidget(divider());

    stack_ = new QStackedWidget();
    list_ = new QListWidget();
    SnippetRowDelegate::Style rowStyle;
    rowStyle.selectedAccessory = QStringLiteral("return");
    list_->setItemDelegate(new SnippetRowDelegate(rowStyle, list_));
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setMouseTracking(true);
    list_->setSpacing(0);
    stack_->addWidget(list_);
    empty_ = new QLabel();
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setFont(Typography::body());
    HalvoraBetaStyle::makeSecondary(*empty_);
    stack_->addWidget(empty_);
    layout->addWidget(stack_, 1);
    layout->addWidget(divider());

    auto* footer = new QHBoxLayout();
    footer->setContentsMargins(16, 10, 16, 12);
    auto* hint = new QLabel(qs(snippets::SnippetPickerPanel::hint));
    hint->setFont(Typography::caption());
    HalvoraBetaStyle::makeSecondary(*hint);
    footer->addWidget(hint, 1);
    cancel_ = new QPushButton(qs(snippets::SnippetPickerPanel::cancelTitle));
    cancel_->setAutoDefault(false);
    choose_ = new QPushButton(qs(snippets::SnippetPickerPanel::chooseTitle));
    choose_->setAutoDefault(false);
    choose_->setDefault(true);
    HalvoraBetaStyle::makeProminent(*choose_);
    footer->addWidget(cancel_);
    footer->addWidget(choose_);
    layout->addLayout(footer);

    // Outcomes may destroy the model while they are reported (and detach
    // this view); nothing touches it afterwards.
    connect(search_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (picker_ != nullptr) {
            picker_->setQuery(text.toStdString());
        }
    });
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (picker_ != nullptr) {
            picker_->chooseRow(static_cast<std::size_t>(list_->row(item)));
        }
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (picker_ != nullptr) {
            picker_->cancel();
        }
    });
    connect(choose_, &QPushButton::clicked, this, [this] {
        if (picker_ != nullptr) {
            picker_->submit();
        }
    });
    connection_ = picker.observe([this] { refresh(); });
    refresh();
}

void SnippetPickerView::detach() {
    connection_.disconnect();
    picker_ = nullptr;
}

bool SnippetPickerView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_ && picker_ != nullptr) {
        if (event->type() == QEvent::FocusIn) {
            picker_->setSearchFocused(true);
        } else if (event->type() == QEvent::FocusOut) {
            picker_->setSearchFocused(false);
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                picker_->move(key->key() == Qt::Key_Up ? snippets::SnippetPickerPanel::Move::up
                                                       : snippets::SnippetPickerPanel::Move::down);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SnippetPickerView::refresh() {
    if (picker_ == nullptr) {
        return;
    }
    const std::vector<snippets::SnippetPickerPanel::Row> rows = picker_->rows();
    std::vector<util::Uuid> ids;
    ids.reserve(rows.size());
    for (const auto& row : rows) {
        ids.push_back(row.id);
    }
    const bool sameRows = ids == shownIds_ && static_cast<int>(rows.size()) == list_->count();
    if (!sameRows) {
        list_->clear();
    }
    int selectedRow = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        QListWidgetItem* item = sameRows ? list_->item(static_cast<int>(i)) : new QListWidgetItem();
        item->setData(SnippetRowDelegate::symbolRole, qs(row.symbolName));
        item->setData(SnippetRowDelegate::titleRole, qs(row.title));
        item->setData(SnippetRowDelegate::kindRole, qs(row.kindLabel));
        item->setData(SnippetRowDelegate::codeRole, qs(row.code));
        item->setData(SnippetRowDelegate::textRole,
                      row.text ? QVariant(qs(*row.text)) : QVariant());
        item->setData(SnippetRowDelegate::selectedRole, row.selected);
        item->setToolTip(row.text ? qs(*row.text) : QString());
        if (!sameRows) {
            list_->addItem(item);
        }
        if (row.selected) {
            selectedRow = static_cast<int>(i);
        }
    }
    shownIds_ = std::move(ids);
    if (selectedRow >= 0) {
        list_->scrollToItem(list_->item(selectedRow));
    }
    if (const auto message = picker_->emptyMessage()) {
        empty_->setText(qs(*message));
        stack_->setCurrentWidget(empty_);
    } else {
        stack_->setCurrentWidget(list_);
    }
    if (search_->text().toStdString() != picker_->query()) {
        search_->setText(QString::fromStdString(picker_->query()));
    }
    choose_->setEnabled(picker_->canChoose());
}

}  // namespace halvora::ui
