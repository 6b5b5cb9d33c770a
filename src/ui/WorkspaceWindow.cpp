#include "ui/WorkspaceWindow.h"

#include "app/AppShell.h"
#include "input/KeyboardController.h"
#include "platform/qt/QtStatusItem.h"
#include "ui/HalvoraBetaStyle.h"
#include "ui/Symbols.h"
#include "ui/Typography.h"
#include "ui/pages/PageKit.h"
#include "workspace/SnippetsViewModel.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace halvora::ui {

namespace {

using snippets::WorkspacePage;

int pageIndex(WorkspacePage page) {
    for (std::size_t i = 0; i < snippets::allWorkspacePages.size(); ++i) {
        if (snippets::allWorkspacePages[i] == page) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

QWidget* placeholder(WorkspacePage page) {
    auto* widget = new QWidget();
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(28, 24, 28, 24);
    auto* title = new QLabel(WorkspaceWindow::pageTitle(page));
    title->setFont(Typography::heading());
    layout->addWidget(title);
    layout->addStretch(1);
    return widget;
}

}  // namespace

QSize WorkspaceWindow::fittingSize(const QSize& available) {
    // Room for the title bar the window manager adds.
    constexpr int titleBar = 40;
    return QSize(std::clamp(available.width(), minimumWidth, contentWidth),
                 std::clamp(available.height() - titleBar, minimumHeight, contentHeight));
}

QString WorkspaceWindow::pageTitle(WorkspacePage page) {
    switch (page) {
        case WorkspacePage::snippets:
            return QStringLiteral("Mẫu trả lời");
        case WorkspacePage::textTools:
            return QStringLiteral("Công cụ văn bản");
        case WorkspacePage::quickReplies:
            return QStringLiteral("Trả lời nhanh");
        case WorkspacePage::qr:
            return QStringLiteral("QR chuyển khoản");
        case WorkspacePage::backup:
            return QStringLiteral("Sao lưu & khôi phục");
        case WorkspacePage::settings:
            return QStringLiteral("Cài đặt");
        case WorkspacePage::about:
            return QStringLiteral("Giới thiệu");
    }
    return {};
}

WorkspaceWindow::WorkspaceWindow(snippets::WorkspaceNavigation& navigation,
                                 input::KeyboardController* keyboard,
                                 platform::qt::QtStatusItem& statusItem, QWidget* parent)
    : QWidget(parent), navigation_(navigation), keyboard_(keyboard), statusItem_(statusItem) {
    setWindowTitle(QStringLiteral("Halvora Independent Beta"));
    resize(contentWidth, contentHeight);
    setMinimumSize(minimumWidth, minimumHeight);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* sidebar = new QWidget();
    sidebar->setObjectName(QStringLiteral("sidebar"));
    sidebar->setFixedWidth(sidebarWidth);
    sidebar->setAutoFillBackground(true);
    {
        QPalette palette = sidebar->palette();
        palette.setColor(QPalette::Window, HalvoraBetaStyle::canvas().darker(104));
        sidebar->setPalette(palette);
    }
    auto* side = new QVBoxLayout(sidebar);
    side->setContentsMargins(14, 18, 14, 14);
    side->setSpacing(4);

    auto* nameRow = new QHBoxLayout();
    auto* name = new QLabel(QStringLiteral("Halvora"));
    QFont nameFont = Typography::heading();
    nameFont.setPixelSize(18);
    name->setFont(nameFont);
    auto* badge = new QLabel(QStringLiteral("BETA"));
    badge->setFont(Typography::caption2(QFont::Bold));
    badge->setStyleSheet(QStringLiteral("QLabel { color: white; background: %1; border-radius: 4px;"
                                        " padding: 1px 5px; }")
                             .arg(HalvoraBetaStyle::accent().name()));
    nameRow->addWidget(name);
    nameRow->addWidget(badge, 0, Qt::AlignVCenter);
    nameRow->addStretch(1);
    side->addLayout(nameRow);

    statusLine_ = new QLabel();
    statusLine_->setFont(Typography::caption());
    HalvoraBetaStyle::makeSecondary(*statusLine_);
    side->addWidget(statusLine_);
    side->addSpacing(10);

    statusArea_ = new QFrame();
    statusArea_->setObjectName(QStringLiteral("statusMenuArea"));
    statusAreaLayout_ = new QVBoxLayout(statusArea_);
    statusAreaLayout_->setContentsMargins(0, 0, 0, 8);
    statusAreaLayout_->setSpacing(2);
    side->addWidget(statusArea_);

    const QString buttonStyle =
        QStringLiteral(
            "QToolButton { border: none; border-radius: 6px; padding: 6px 8px;"
            " text-align: left; }"
            "QToolButton:checked { background: %1; color: %2; font-weight: 600; }"
            "QToolButton:hover:!checked { background: rgba(0,0,0,0.05); }")
            .arg(QColor(HalvoraBetaStyle::accent().red(), HalvoraBetaStyle::accent().green(),
                        HalvoraBetaStyle::accent().blue(), 38)
                     .name(QColor::HexArgb),
                 HalvoraBetaStyle::accent().name());
    bool bottomReached = false;
    int position = 0;
    for (const workspace::SidebarItem& item : workspace::SnippetsViewModel::sidebarItems) {
        auto* button = new QToolButton();
        button->setText(pageTitle(item.page));
        button->setIcon(symbolIcon(qs(item.symbol), HalvoraBetaStyle::accent()));
        button->setIconSize(QSize(18, 18));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setFont(Typography::body());
        button->setStyleSheet(buttonStyle);
        // Tab reaches the entries in their order; Ctrl+1, Ctrl+2, … opens
        // them from anywhere in the window.
        const QKeySequence keys(
            QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(Qt::Key_1 + position++)));
        auto* shortcut = new QShortcut(keys, this);
        button->setToolTip(keys.toString(QKeySequence::NativeText));
        const WorkspacePage page = item.page;
        connect(button, &QToolButton::clicked, this, [this, page] { navigation_.setPage(page); });
        connect(shortcut, &QShortcut::activated, this, [this, page] { navigation_.setPage(page); });
        buttons_[page] = button;
        shortcuts_[page] = shortcut;
        if (item.atBottom && !bottomReached) {
            side->addStretch(1);
            bottomReached = true;
        }
        side->addWidget(button);
    }
    if (!bottomReached) {
        side->addStretch(1);
    }

    auto* line = new QFrame();
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);

    pages_ = new QStackedWidget();
    for (const WorkspacePage page : snippets::allWorkspacePages) {
        pages_->addWidget(PageKit::scrolling(placeholder(page)));
    }

    root->addWidget(sidebar);
    root->addWidget(line);
    root->addWidget(pages_, 1);

    navigationConnection_ = navigation_.observe([this](WorkspacePage page) { showPage(page); });
    if (keyboard_ != nullptr) {
        // Called before the state changes; read it once the change is made.
        keyboardConnection_ = keyboard_->observeChanges([this] { scheduleStatusRefresh(); });
    }
    connect(&statusItem_, &platform::qt::QtStatusItem::changed, this, [this] {
        rebuildStatusMenuArea();
        refreshStatus();
    });
    showPage(navigation_.page());
    rebuildStatusMenuArea();
    refreshStatus();
}

WorkspaceWindow::~WorkspaceWindow() = default;

void WorkspaceWindow::setPageWidget(WorkspacePage page, QWidget* widget) {
    const int index = pageIndex(page);
    QWidget* old = pages_->widget(index);
    const bool current = pages_->currentIndex() == index;
    // A page scrolls in a window smaller than it needs. The list pages
    // (which scroll their lists and editors themselves) and text tools
    // shrink their boxes first, and scroll only below their minimum.
    const bool shrinks = page == WorkspacePage::snippets || page == WorkspacePage::quickReplies ||
                         page == WorkspacePage::textTools;
    pages_->insertWidget(index, PageKit::scrolling(widget, shrinks ? PageKit::Room::minimum
                                                                   : PageKit::Room::preferred));
    pages_->removeWidget(old);
    old->deleteLater();
    if (current) {
        pages_->setCurrentIndex(index);
    }
}

QWidget* WorkspaceWindow::pageWidget(WorkspacePage page) const {
    return PageKit::scrolledContent(*static_cast<QScrollArea*>(pages_->widget(pageIndex(page))));
}

WorkspacePage WorkspaceWindow::currentPage() const {
    return snippets::allWorkspacePages[static_cast<std::size_t>(pages_->currentIndex())];
}

QToolButton* WorkspaceWindow::navigationButton(WorkspacePage page) const {
    const auto it = buttons_.find(page);
    return it == buttons_.end() ? nullptr : it->second;
}

QKeySequence WorkspaceWindow::navigationShortcut(WorkspacePage page) const {
    const auto it = shortcuts_.find(page);
    return it == shortcuts_.end() ? QKeySequence() : it->second->key();
}

void WorkspaceWindow::showPage(WorkspacePage page) {
    pages_->setCurrentIndex(pageIndex(page));
    for (const auto& [buttonPage, button] : buttons_) {
        button->setChecked(buttonPage == page);
    }
}

QString WorkspaceWindow::statusLine() const {
    const bool running = keyboard_ != nullptr && keyboard_->isRunning();
    const bool enabled = keyboard_ == nullptr || keyboard_->enabled();
    const bool vni = keyboard_ != nullptr && keyboard_->method() == engine::InputMethod::vni;
    return QStringLiteral("%1 · %2 · %3")
        .arg(running ? QStringLiteral("Sẵn sàng") : QStringLiteral("Tạm dừng"),
             enabled ? QStringLiteral("Vi") : QStringLiteral("En"),
             vni ? QStringLiteral("VNI") : QStringLiteral("Telex"));
}

void WorkspaceWindow::scheduleStatusRefresh() {
    if (statusRefreshPending_) {
        return;
    }
    statusRefreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        statusRefreshPending_ = false;
        refreshStatus();
    });
}

void WorkspaceWindow::refreshStatus() {
    statusLine_->setText(statusLine());
}

std::vector<platform::MenuItem> WorkspaceWindow::standInItems(const platform::StatusMenu& menu) {
    // The pages the sidebar has entries for.
    const auto opensSidebarPage = [](const platform::MenuItem& item) {
        return item.action == static_cast<int>(app::MenuAction::openTextTools) ||
               item.action == static_cast<int>(app::MenuAction::openPreferences);
    };
    std::vector<platform::MenuItem> items;
    for (const platform::MenuItem& item : menu.items) {
        if (!item.separator && opensSidebarPage(item)) {
            continue;
        }
        // No separator first, last or after another.
        if (item.separator && (items.empty() || items.back().separator)) {
            continue;
        }
        items.push_back(item);
    }
    if (!items.empty() && items.back().separator) {
        items.pop_back();
    }
    return items;
}

void WorkspaceWindow::rebuildStatusMenuArea() {
    const bool standIn = !statusItem_.isAvailable() && !statusItem_.statusMenu().title.empty();
    statusArea_->setVisible(standIn);
    // The area is rebuilt from inside one of its own buttons' clicks; let the
    // event loop delete the old widgets.
    while (QLayoutItem* item = statusAreaLayout_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    if (!standIn) {
        return;
    }
    const platform::StatusMenu& menu = statusItem_.statusMenu();
    auto* title = new QLabel(QString::fromStdString(menu.title));
    QFont titleFont = Typography::body();
    titleFont.setBold(true);
    title->setFont(titleFont);
    // As a tray icon's: shown on hovering, not as a line of its own.
    title->setToolTip(QString::fromStdString(menu.toolTip));
    title->setStyleSheet(
        QStringLiteral("QLabel { color: %1; }").arg(HalvoraBetaStyle::accent().name()));
    statusAreaLayout_->addWidget(title);
    for (const platform::MenuItem& item : standInItems(menu)) {
        if (item.separator) {
            auto* line = new QFrame();
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            statusAreaLayout_->addWidget(line);
            continue;
        }
        if (!item.enabled || item.action == 0) {
            auto* label = new QLabel(QString::fromStdString(item.title));
            label->setFont(Typography::caption(QFont::Medium));
            label->setWordWrap(true);
            HalvoraBetaStyle::makeSecondary(*label);
            statusAreaLayout_->addWidget(label);
            continue;
        }
        // The title on the left, the shortcut right-aligned and quieter, so
        // both fit the sidebar.
        auto* button = new QPushButton();
        button->setFlat(true);
        button->setAccessibleName(QString::fromStdString(item.title));
        button->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 0; }"));
        auto* row = new QHBoxLayout(button);
        row->setContentsMargins(6, 3, 6, 3);
        auto* itemTitle = new QLabel(QString::fromStdString(item.title));
        itemTitle->setFont(Typography::caption());
        itemTitle->setAttribute(Qt::WA_TransparentForMouseEvents);
        row->addWidget(itemTitle, 1);
        if (const QString shortcut = platform::qt::shortcutText(item); !shortcut.isEmpty()) {
            auto* keys = new QLabel(shortcut);
            keys->setFont(Typography::caption2());
            keys->setAttribute(Qt::WA_TransparentForMouseEvents);
            HalvoraBetaStyle::makeSecondary(*keys);
            row->addWidget(keys);
        }
        button->setMinimumHeight(row->sizeHint().height());
        const int action = item.action;
        QPointer<platform::qt::QtStatusItem> status(&statusItem_);
        connect(button, &QPushButton::clicked, this, [status, action] {
            if (status) {
                status->trigger(action);
            }
        });
        statusAreaLayout_->addWidget(button);
    }
}

}  // namespace halvora::ui
