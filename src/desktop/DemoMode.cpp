#include "desktop/DemoMode.h"

#include "desktop/DesktopApplication.h"
#include "snippets/ReplyTemplate.h"
#include "ui/PanelWindow.h"
#include "ui/QtPanelHost.h"
#include "ui/WorkspaceWindow.h"
#include "ui/pages/SnippetListPages.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace halvora::desktop {

namespace {

using snippets::WorkspacePage;

constexpr int kSettleMilliseconds = 700;
constexpr int kMaxAttempts = 20;

// What the keyboard controller shows before pasting a quick reply.
constexpr const char* kPromptInstruction =
    "Điền thông tin rồi dán vào ô chat đang soạn. Halvora sẽ không tự gửi tin nhắn.";
constexpr const char* kPromptSubmitTitle = "Dán vào chat";

void say(const std::string& line) {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

std::optional<WorkspacePage> workspacePageNamed(const std::string& name) {
    static const std::pair<const char*, WorkspacePage> names[] = {
        {"snippets", WorkspacePage::snippets},
        {"textTools", WorkspacePage::textTools},
        {"quickReplies", WorkspacePage::quickReplies},
        {"qr", WorkspacePage::qr},
        {"backup", WorkspacePage::backup},
        {"settings", WorkspacePage::settings},
        {"about", WorkspacePage::about},
    };
    for (const auto& [text, page] : names) {
        if (name == text) {
            return page;
        }
    }
    return std::nullopt;
}

bool parseDemoShow(const std::string& value, DemoOptions& options) {
    if (value == "picker") {
        options.view = DemoOptions::View::picker;
    } else if (value == "prompt") {
        options.view = DemoOptions::View::prompt;
    } else if (value == "picker-from-menu") {
        options.view = DemoOptions::View::pickerFromMenu;
    } else if (value == "workspace") {
        options.view = DemoOptions::View::workspace;
    } else if (value.rfind("workspace:", 0) == 0) {
        const auto page = workspacePageNamed(value.substr(10));
        if (!page) {
            return false;
        }
        options.view = DemoOptions::View::workspace;
        options.page = page;
    } else {
        return false;
    }
    return true;
}

bool parseDemoAct(const std::string& value, DemoOptions& options) {
    if (value == "add") {
        options.act = DemoOptions::Act::add;
    } else if (value == "delete") {
        options.act = DemoOptions::Act::remove;
    } else {
        return false;
    }
    return true;
}

DemoMode::DemoMode(DesktopApplication& desktop, DemoOptions options)
    : desktop_(desktop), options_(std::move(options)) {}

DemoMode::~DemoMode() = default;

void DemoMode::start() {
    if (options_.view == DemoOptions::View::none && !options_.screenshot) {
        return;
    }
    QTimer::singleShot(0, qApp, [this] { show(); });
}

void DemoMode::show() {
    switch (options_.view) {
        case DemoOptions::View::none:
            break;
        case DemoOptions::View::picker:
            showPicker();
            break;
        case DemoOptions::View::prompt:
            showPrompt();
            break;
        case DemoOptions::View::workspace:
            if (options_.page) {
                desktop_.shell().navigation().setPage(*options_.page);
            }
            desktop_.showWorkspaceWindow();
            // Once the page is on screen; a delete question stays open for
            // the screenshot.
            QTimer::singleShot(kSettleMilliseconds / 3, qApp, [this] { actOnPage(); });
            break;
        case DemoOptions::View::pickerFromMenu:
            desktop_.shell().perform(app::MenuAction::openPickerFromMenu);
            break;
    }
    if (options_.screenshot) {
        QTimer::singleShot(kSettleMilliseconds, qApp, [this] { saveScreenshot(0); });
    }
}

void DemoMode::showPicker() {
    picker_ = std::make_unique<snippets::SnippetPickerPanel>(
        desktop_.shell().store(),
        [this](const snippets::Snippet& snippet) {
            say("chosen: " + snippet.title);
            QTimer::singleShot(0, qApp, [this] { picker_.reset(); });
        },
        [this] {
            say("cancelled");
            QTimer::singleShot(0, qApp, [this] { picker_.reset(); });
        });
    desktop_.panels().present(*picker_);
    if (!options_.query.empty()) {
        picker_->setQuery(options_.query);
    }
    for (int i = 0; i < options_.downPresses; ++i) {
        picker_->move(snippets::SnippetPickerPanel::Move::down);
    }
}

void DemoMode::showPrompt() {
    const snippets::Snippet* reply = nullptr;
    for (const auto& snippet : desktop_.shell().store().snippets()) {
        if (snippet.isQuickReply() && !snippets::ReplyTemplate::fields(snippet.text).empty()) {
            reply = &snippet;
            break;
        }
    }
    if (reply == nullptr) {
        say("no quick reply with fields in the store");
        return;
    }
    prompt_ = std::make_unique<snippets::ReplyTemplatePrompt>(
        reply->title, reply->text, snippets::ReplyTemplate::fields(reply->text), kPromptInstruction,
        kPromptSubmitTitle,
        [this](const snippets::ReplyTemplate::FieldValues& values) {
            say("submitted: " +
                snippets::ReplyTemplate::render(prompt_->templateText(), values).value_or(""));
            QTimer::singleShot(0, qApp, [this] { prompt_.reset(); });
        },
        [this] {
            say("cancelled");
            QTimer::singleShot(0, qApp, [this] { prompt_.reset(); });
        });
    for (const auto& [field, value] : options_.fills) {
        prompt_->setValue(field, value);
    }
    desktop_.panels().present(*prompt_);
}

namespace {

/// Searches, adds or deletes on one list page.
template <typename Model, typename Add, typename Selected>
void actOn(Model& model, const DemoOptions& options, Add add, Selected selected) {
    if (!options.query.empty()) {
        model.setSearchText(options.query);
    }
    if (options.act == DemoOptions::Act::add) {
        add(model);
    } else if (options.act == DemoOptions::Act::remove) {
        if (const std::optional<util::Uuid> id = selected(model)) {
            model.requestDelete(*id);
        }
    }
}

}  // namespace

void DemoMode::actOnPage() {
    ui::WorkspaceWindow* window = desktop_.workspaceWindow();
    if (window == nullptr) {
        return;
    }
    QWidget* page = window->pageWidget(window->currentPage());
    if (auto* snippetsPage = dynamic_cast<ui::SnippetsPageView*>(page)) {
        actOn(
            snippetsPage->model(), options_,
            [](workspace::SnippetsViewModel& model) { model.addSnippet(); },
            [](const workspace::SnippetsViewModel& model) { return model.selectedSnippetID(); });
    } else if (auto* replies = dynamic_cast<ui::QuickRepliesPageView*>(page)) {
        actOn(
            replies->model(), options_,
            [](workspace::QuickRepliesViewModel& model) { model.add(); },
            [](const workspace::QuickRepliesViewModel& model) { return model.selectedID(); });
    }
}

QWidget* DemoMode::shownWindow() const {
    switch (options_.view) {
        case DemoOptions::View::picker:
            return desktop_.panels().pickerWindow();
        case DemoOptions::View::prompt:
            return desktop_.panels().promptWindow();
        case DemoOptions::View::pickerFromMenu:
            return QApplication::activeModalWidget();
        case DemoOptions::View::workspace:
            // A delete question, when one is open.
            if (QWidget* question = QApplication::activeModalWidget()) {
                return question;
            }
            return desktop_.workspaceWindow();
        case DemoOptions::View::none:
            return desktop_.workspaceWindow();
    }
    return nullptr;
}

void DemoMode::saveScreenshot(int attempt) {
    QWidget* window = shownWindow();
    if (window == nullptr || !window->isVisible()) {
        if (attempt < kMaxAttempts) {
            QTimer::singleShot(100, qApp, [this, attempt] { saveScreenshot(attempt + 1); });
            return;
        }
        std::fprintf(stderr, "halvora-desktop: nothing to take a screenshot of\n");
        QCoreApplication::exit(1);
        return;
    }
    const QString file = QString::fromStdString(options_.screenshot->string());
    if (!window->grab().save(file, "PNG")) {
        std::fprintf(stderr, "halvora-desktop: cannot write %s\n", file.toLocal8Bit().constData());
        QCoreApplication::exit(1);
        return;
    }
    say("saved " + options_.screenshot->string());
    QCoreApplication::exit(0);
}

}  // namespace halvora::desktop
