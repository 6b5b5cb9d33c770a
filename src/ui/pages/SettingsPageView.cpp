#include "ui/pages/SettingsPageView.h"

#include "ui/pages/AboutPageView.h"
#include "ui/pages/BackupPageView.h"
#include "ui/pages/PageKit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace halvora::ui {

using workspace::SettingsPage;
using workspace::SettingsViewModel;

namespace {

constexpr int kApplicationIconSize = 20;

/// An icon of the desktop's theme by name, or an image file by path.
QIcon applicationIcon(const std::string& icon) {
    if (icon.empty()) {
        return {};
    }
    const QString name = QString::fromStdString(icon);
    return icon.front() == '/' ? QIcon(name) : QIcon::fromTheme(name);
}

int indexOf(SettingsPage page) {
    return static_cast<int>(page);
}

void clearLayout(QVBoxLayout& layout) {
    while (QLayoutItem* item = layout.takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->deleteLater();
        } else if (QLayout* inner = item->layout()) {
            while (QLayoutItem* innerItem = inner->takeAt(0)) {
                if (innerItem->widget()) {
                    innerItem->widget()->deleteLater();
                }
                delete innerItem;
            }
        }
        delete item;
    }
}

}  // namespace

SettingsPageView::SettingsPageView(input::KeyboardController& keyboard,
                                   snippets::SnippetStore& store, platform::Platform& platform,
                                   QWidget* parent)
    : QWidget(parent),
      model_(keyboard, platform.userDefaults, platform.loginItems, platform.workspace,
             platform.words) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget();
    pages_->setObjectName("subPages");
    layout->addWidget(pages_);

    backup_ = new BackupPageView(store, platform.userDefaults, platform.workspace, platform.alerts,
                                 platform.imageCodec);
    about_ = new AboutPageView(platform.workspace, platform.words);
    // In the order of SettingsPage.
    pages_->addWidget(buildOverview());
    pages_->addWidget(withBackButton(SettingsViewModel::subPageBackTitle, backup_));
    pages_->addWidget(withBackButton(SettingsViewModel::subPageBackTitle, about_));
    pages_->addWidget(buildApplications());

    refresher_ = new PageKit::DeferredRefresh(this, [this] { refresh(); });
    connection_ = model_.observe([this] { refresher_->request(); });
    keyboardConnection_ = keyboard.observeChanges([this] { refresher_->request(); });
    refresh();
}

QWidget* SettingsPageView::buildOverview() {
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->addWidget(PageKit::title(SettingsViewModel::title));
    layout->addWidget(PageKit::note(SettingsViewModel::subtitle));

    layout->addWidget(PageKit::heading(SettingsViewModel::methodLabel));
    auto* methodRow = new QHBoxLayout();
    methods_ = new QButtonGroup(this);
    for (const engine::InputMethod method :
         {engine::InputMethod::telex, engine::InputMethod::vni}) {
        auto* choice = new QRadioButton(qs(SettingsViewModel::methodTitle(method)));
        methods_->addButton(choice, static_cast<int>(method));
        methodRow->addWidget(choice);
    }
    methodRow->addStretch(1);
    layout->addLayout(methodRow);
    connect(methods_, &QButtonGroup::idClicked, this,
            [this](int id) { model_.setMethod(static_cast<engine::InputMethod>(id)); });

    layout->addWidget(PageKit::heading(SettingsViewModel::toneLabel));
    layout->addWidget(PageKit::note(SettingsViewModel::toneExample));
    auto* toneRow = new QHBoxLayout();
    tones_ = new QButtonGroup(this);
    auto* modern = new QRadioButton(qs(SettingsViewModel::modernToneTitle));
    auto* old = new QRadioButton(qs(SettingsViewModel::oldToneTitle));
    tones_->addButton(modern, 1);
    tones_->addButton(old, 0);
    toneRow->addWidget(modern);
    toneRow->addWidget(old);
    toneRow->addStretch(1);
    layout->addLayout(toneRow);
    connect(tones_, &QButtonGroup::idClicked, this, [this](int id) { model_.setModernTone(id); });

    suggestions_ = new QCheckBox(qs(SettingsViewModel::suggestionsTitle));
    suggestions_->setObjectName("suggestions");
    layout->addWidget(suggestions_);
    connect(suggestions_, &QCheckBox::clicked, this,
            [this](bool on) { model_.setSuggestionsEnabled(on); });

    layout->addWidget(smartSwitchingToggle());
    layout->addWidget(PageKit::note(model_.smartSwitchingNote()));
    auto* showApps = PageKit::button(SettingsViewModel::showApplicationsTitle);
    layout->addWidget(showApps, 0, Qt::AlignLeft);
    connect(showApps, &QPushButton::clicked, this,
            [this] { model_.setPage(SettingsPage::applications); });

    launchAtLogin_ = new QCheckBox(qs(model_.launchAtLoginTitle()));
    launchAtLogin_->setObjectName("launchAtLogin");
    layout->addWidget(launchAtLogin_);
    connect(launchAtLogin_, &QCheckBox::clicked, this,
            [this](bool on) { model_.setLaunchAtLogin(on); });
    loginMessage_ = PageKit::note("");
    loginMessage_->setObjectName("loginMessage");
    layout->addWidget(loginMessage_);

    auto* links = new QHBoxLayout();
    auto* backup = PageKit::button(std::string(SettingsViewModel::backupLinkTitle) + " ›");
    auto* about = PageKit::button(std::string(SettingsViewModel::aboutLinkTitle) + " ›");
    links->addWidget(backup);
    links->addWidget(about);
    links->addStretch(1);
    layout->addLayout(links);
    connect(backup, &QPushButton::clicked, this, [this] { model_.setPage(SettingsPage::backup); });
    connect(about, &QPushButton::clicked, this, [this] { model_.setPage(SettingsPage::about); });
    layout->addStretch(1);
    return page;
}

QCheckBox* SettingsPageView::smartSwitchingToggle() {
    auto* toggle = new QCheckBox(qs(SettingsViewModel::smartSwitchingTitle));
    connect(toggle, &QCheckBox::clicked, this, [this](bool on) { model_.setSmartSwitching(on); });
    smartSwitching_.push_back(toggle);
    return toggle;
}

QWidget* SettingsPageView::withBackButton(std::string_view title, QWidget* content) {
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 8, 0, 0);
    auto* back = PageKit::button(title);
    back->setFlat(true);
    layout->addWidget(back, 0, Qt::AlignLeft);
    layout->addWidget(content, 1);
    connect(back, &QPushButton::clicked, this, [this] { model_.setPage(SettingsPage::overview); });
    return page;
}

QWidget* SettingsPageView::buildApplications() {
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(28, 8, 28, 24);
    auto* back = PageKit::button("‹ " + std::string(SettingsViewModel::applicationsBackTitle));
    back->setFlat(true);
    layout->addWidget(back, 0, Qt::AlignLeft);
    connect(back, &QPushButton::clicked, this, [this] { model_.setPage(SettingsPage::overview); });
    layout->addWidget(PageKit::title(SettingsViewModel::applicationsTitle));
    layout->addWidget(PageKit::note(SettingsViewModel::applicationsLine));
    layout->addWidget(smartSwitchingToggle());
    layout->addWidget(PageKit::note(SettingsViewModel::applicationsRule));
    layout->addWidget(PageKit::note(model_.applicationsHint()));

    auto* header = new QHBoxLayout();
    header->addWidget(PageKit::heading(SettingsViewModel::rememberedHeading));
    header->addStretch(1);
    modeCount_ = PageKit::note("");
    modeCount_->setObjectName("modeCount");
    header->addWidget(modeCount_);
    layout->addLayout(header);

    auto* scroll = new QScrollArea();
    scroll->setWidgetResizable(true);
    auto* list = new QWidget();
    modes_ = new QVBoxLayout(list);
    scroll->setWidget(list);
    layout->addWidget(scroll, 1);
    return page;
}

void SettingsPageView::rebuildModes() {
    clearLayout(*modes_);
    modeCount_->setText(qs(model_.rememberedCount()));
    if (model_.rememberedModes().empty()) {
        auto* empty = PageKit::note(SettingsViewModel::noRememberedModes);
        empty->setObjectName("noModes");
        modes_->addWidget(empty);
    }
    for (const workspace::RememberedMode& mode : model_.rememberedModes()) {
        auto* row = new QHBoxLayout();
        const platform::ApplicationLabel application = model_.applicationLabel(mode.bundleID);
        auto* icon = new QLabel();
        icon->setObjectName("applicationIcon");
        icon->setFixedSize(kApplicationIconSize, kApplicationIconSize);
        const QIcon image = applicationIcon(application.icon);
        if (!image.isNull()) {
            icon->setPixmap(image.pixmap(kApplicationIconSize, kApplicationIconSize));
        }
        row->addWidget(icon);
        auto* name = new QLabel(qs(application.name));
        name->setObjectName("applicationName");
        name->setToolTip(qs(mode.bundleID));
        row->addWidget(name, 1);
        row->addWidget(new QLabel(qs(SettingsViewModel::modeTitle(mode.enabled))));
        auto* reset = PageKit::button(SettingsViewModel::resetTitle);
        const std::string bundleID = mode.bundleID;
        connect(reset, &QPushButton::clicked, this,
                [this, bundleID] { model_.resetMode(bundleID); });
        row->addWidget(reset);
        modes_->addLayout(row);
    }
    modes_->addStretch(1);
}

void SettingsPageView::refresh() {
    pages_->setCurrentIndex(indexOf(model_.page()));
    methods_->button(static_cast<int>(model_.method()))->setChecked(true);
    tones_->button(model_.modernTone() ? 1 : 0)->setChecked(true);
    suggestions_->setChecked(model_.suggestionsEnabled());
    for (QCheckBox* toggle : smartSwitching_) {
        toggle->setChecked(model_.smartSwitching());
    }
    launchAtLogin_->setChecked(model_.launchAtLogin());
    loginMessage_->setText(qs(model_.loginMessage().value_or("")));
    loginMessage_->setVisible(model_.loginMessage().has_value());
    rebuildModes();
}

void SettingsPageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Opened, not merely brought back from a minimised window: start at the
    // overview, before the page is first painted.
    if (!event->spontaneous()) {
        model_.appear();
        refresher_->flush();
    }
}

}  // namespace halvora::ui
