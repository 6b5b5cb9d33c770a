#include "ui/pages/BackupPageView.h"

#include "ui/pages/PageKit.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvora::ui {

using workspace::BackupViewModel;

namespace {

const QString kJsonFilter = QStringLiteral("JSON (*.json)");

}  // namespace

BackupPageView::BackupPageView(snippets::SnippetStore& store, platform::UserDefaults& defaults,
                               platform::Workspace& workspace, platform::Alerts& alerts,
                               const platform::ImageCodec& codec, QWidget* parent)
    : QWidget(parent), ports_(codec, writer_), model_(store, defaults, workspace, alerts, ports_) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->addWidget(PageKit::title(BackupViewModel::title));
    layout->addWidget(PageKit::note(BackupViewModel::subtitle));

    QVBoxLayout* local = nullptr;
    layout->addWidget(PageKit::card(local));
    local->addWidget(PageKit::heading(BackupViewModel::localCardTitle));
    count_ = PageKit::note("");
    count_->setObjectName("count");
    local->addWidget(count_);
    auto* localButtons = new QHBoxLayout();
    auto* saveNow = PageKit::button(BackupViewModel::saveNowTitle);
    saveNow->setObjectName("saveNow");
    auto* openFolder = PageKit::button(BackupViewModel::openFolderTitle);
    location_ = PageKit::button(BackupViewModel::showLocationTitle);
    location_->setObjectName("location");
    localButtons->addWidget(saveNow);
    localButtons->addWidget(openFolder);
    localButtons->addWidget(location_);
    localButtons->addStretch(1);
    local->addLayout(localButtons);
    path_ = new QLabel();
    path_->setObjectName("path");
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSizeF(path_->font().pointSizeF() * 0.85);
    path_->setFont(mono);
    local->addWidget(path_);

    QVBoxLayout* exportCard = nullptr;
    layout->addWidget(PageKit::card(exportCard));
    exportCard->addWidget(PageKit::heading(BackupViewModel::exportCardTitle));
    exportCard->addWidget(PageKit::note(BackupViewModel::exportCardLine));
    auto* exportButton = PageKit::button(BackupViewModel::exportTitle);
    exportCard->addWidget(exportButton, 0, Qt::AlignLeft);

    QVBoxLayout* importCard = nullptr;
    layout->addWidget(PageKit::card(importCard));
    importCard->addWidget(PageKit::heading(BackupViewModel::importCardTitle));
    importCard->addWidget(PageKit::note(BackupViewModel::importCardLine));
    auto* importButton = PageKit::button(BackupViewModel::importTitle);
    importCard->addWidget(importButton, 0, Qt::AlignLeft);

    layout->addWidget(PageKit::note(BackupViewModel::privacyNote));
    status_ = new QLabel();
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setStyleSheet(QStringLiteral("color: #1e8e3e;"));
    layout->addWidget(status_);
    layout->addStretch(1);

    refresher_ = new PageKit::DeferredRefresh(this, [this] { refresh(); });
    connection_ = model_.observe([this] { refresher_->request(); });
    connect(saveNow, &QPushButton::clicked, this, [this] { model_.saveNow(); });
    connect(openFolder, &QPushButton::clicked, this, [this] { model_.revealDataFolder(); });
    connect(location_, &QPushButton::clicked, this, [this] { model_.toggleLocation(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { chooseExportFile(); });
    connect(importButton, &QPushButton::clicked, this, [this] { chooseImportFile(); });
    refresh();
}

void BackupPageView::refresh() {
    count_->setText(qs(model_.snippetCountLine()));
    location_->setText(qs(model_.locationButtonTitle()));
    path_->setText(qs(model_.dataFolderPath()));
    path_->setVisible(model_.showLocation());
    const auto& status = model_.statusMessage();
    status_->setText(status ? QStringLiteral("✔ ") + qs(*status) : QString());
    status_->setVisible(status.has_value());
}

void BackupPageView::chooseExportFile() {
    const QString file =
        QFileDialog::getSaveFileName(this, qs(BackupViewModel::exportCardTitle),
                                     qs(BackupViewModel::suggestedExportName()), kJsonFilter);
    if (!file.isEmpty()) {
        model_.exportTo(file.toStdString());
    }
}

void BackupPageView::chooseImportFile() {
    const QString file = QFileDialog::getOpenFileName(this, qs(BackupViewModel::importCardTitle),
                                                      QString(), kJsonFilter);
    if (!file.isEmpty()) {
        model_.chooseImportFile(file.toStdString());
    }
}

}  // namespace halvora::ui
