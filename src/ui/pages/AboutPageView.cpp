#include "ui/pages/AboutPageView.h"

#include "ui/pages/PageKit.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvora::ui {

using workspace::AboutViewModel;

AboutPageView::AboutPageView(platform::Workspace& workspace, const platform::DesktopWords& words,
                             QWidget* parent)
    : QWidget(parent), model_(workspace, words) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->addWidget(PageKit::title(AboutViewModel::heading));
    layout->addWidget(PageKit::heading(AboutViewModel::productTitle));
    auto* version = new QLabel(qs(AboutViewModel::versionLine()));
    version->setObjectName("version");
    layout->addWidget(version);
    layout->addWidget(PageKit::note(model_.tagline()));

    QVBoxLayout* author = nullptr;
    layout->addWidget(PageKit::card(author));
    author->addWidget(PageKit::heading(AboutViewModel::authorCardTitle));
    author->addWidget(new QLabel(qs(AboutViewModel::authorName)));
    author->addWidget(PageKit::note(AboutViewModel::authorDescription));
    auto* authorButton = PageKit::button(std::string(AboutViewModel::authorButtonTitle) + " ↗");
    authorButton->setObjectName("author");
    author->addWidget(authorButton, 0, Qt::AlignLeft);

    QVBoxLayout* support = nullptr;
    layout->addWidget(PageKit::card(support));
    support->addWidget(PageKit::note(AboutViewModel::supportSentence));
    auto* supportButton = PageKit::button(AboutViewModel::supportButtonTitle);
    supportButton->setObjectName("support");
    support->addWidget(supportButton, 0, Qt::AlignLeft);
    layout->addStretch(1);

    connect(authorButton, &QPushButton::clicked, this, [this] { model_.openAuthorPage(); });
    connect(supportButton, &QPushButton::clicked, this, [this] { model_.openSupportPage(); });
}

}  // namespace halvora::ui
