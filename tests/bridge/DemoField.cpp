// A plain Qt text field for the fcitx5 demonstration: one line edit that has
// the keyboard focus, nothing of Halvora in it. When the trigger file
// appears it saves a picture of its window and quits.
//
//   halvora-demo-field --screenshot OUT.png --trigger FILE

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QString screenshot;
    QString trigger;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--screenshot") == 0) {
            screenshot = QString::fromLocal8Bit(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--trigger") == 0) {
            trigger = QString::fromLocal8Bit(argv[i + 1]);
        }
    }
    if (screenshot.isEmpty() || trigger.isEmpty()) {
        std::fprintf(stderr, "usage: halvora-demo-field --screenshot OUT.png --trigger FILE\n");
        return 2;
    }
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Text field"));
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit(&window);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(20);
    field->setFont(font);
    field->setMinimumWidth(720);
    layout->addWidget(field);
    window.move(40, 40);
    window.show();
    window.activateWindow();
    field->setFocus();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!QFile::exists(trigger)) {
            return;
        }
        std::printf("%s\n", field->text().toUtf8().constData());
        std::fflush(stdout);
        const bool saved = window.grab().save(screenshot, "PNG");
        QApplication::exit(saved ? 0 : 1);
    });
    poll.start(100);
    return app.exec();
}
