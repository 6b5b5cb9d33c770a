// A Qt 6 window with one multi-line plain-text field, typed into by
// typing-matrix.sh. After every change it writes its state as one JSON
// object to the file given on the command line (a temporary file renamed
// over it, so a reader never sees half a state):
//
//   {"text": …, "caret": N, "images": N, "resets": N,
//    "field": [x, y], "marks": [[x, y], …], "clear": [x, y]}
//
// "marks" are the screen points of the caret positions 0..length (where a
// click puts the caret there), "field" a point inside the empty field and
// "clear" the point of the button that empties the field. Images pasted
// into the field are counted, not shown.
//
//   halvora-client-qt STATE_FILE

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QPushButton>
#include <QSaveFile>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <functional>

namespace {

class Field : public QTextEdit {
public:
    using QTextEdit::QTextEdit;
    int images = 0;
    std::function<void()> changed;

protected:
    // A plain-text field drops pasted images; a chat field would attach
    // them, so they are counted for the harness.
    bool canInsertFromMimeData(const QMimeData* source) const override {
        return source->hasImage() || QTextEdit::canInsertFromMimeData(source);
    }
    void insertFromMimeData(const QMimeData* source) override {
        if (source->hasImage()) {
            ++images;
            if (!source->hasText()) {
                changed();
                return;
            }
        }
        QTextEdit::insertFromMimeData(source);
    }
};

QJsonArray point(QPoint p) { return QJsonArray{p.x(), p.y()}; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: halvora-client-qt STATE_FILE\n");
        return 2;
    }
    const QString stateFile = QString::fromLocal8Bit(argv[1]);
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Halvora client Qt"));
    auto* layout = new QVBoxLayout(&window);
    auto* field = new Field(&window);
    field->setAcceptRichText(false);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(20);
    field->setFont(font);
    field->setMinimumSize(760, 160);
    auto* clear = new QPushButton(QStringLiteral("Clear"), &window);
    // Clicking the button must not take the focus from the field's input context.
    clear->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(field);
    layout->addWidget(clear);
    int resets = 0;

    auto write = [&] {
        QJsonObject state;
        const QString text = field->toPlainText();
        state["text"] = text;
        state["caret"] = field->textCursor().position();
        state["images"] = field->images;
        state["resets"] = resets;
        QJsonArray marks;
        QTextCursor probe(field->document());
        for (int i = 0; i <= text.size(); ++i) {
            probe.setPosition(i);
            const QRect r = field->cursorRect(probe);
            marks.append(point(field->viewport()->mapToGlobal(r.center())));
        }
        state["marks"] = marks;
        state["field"] = point(field->viewport()->mapToGlobal(QPoint(40, 20)));
        state["clear"] = point(clear->mapToGlobal(clear->rect().center()));
        QSaveFile out(stateFile);
        if (out.open(QIODevice::WriteOnly)) {
            out.write(QJsonDocument(state).toJson(QJsonDocument::Compact));
            out.commit();
        }
    };
    field->changed = write;
    QObject::connect(field, &QTextEdit::textChanged, write);
    QObject::connect(field, &QTextEdit::cursorPositionChanged, write);
    QObject::connect(clear, &QPushButton::clicked, [&] {
        field->clear();
        field->images = 0;
        ++resets;
        write();
    });

    window.move(20, 20);
    window.show();
    window.activateWindow();
    field->setFocus();
    // Screen positions are known once the window is mapped.
    QTimer::singleShot(200, write);
    return app.exec();
}
