// The peer of the start-up benchmark: the least a Qt Widgets program does to show an empty
// 800 x 572 window titled "Kestrin". Kestrin's start-up is measured against it.
// With --label the window shows one line of text in the skin's font, so that finding and
// loading a font is part of the floor: any window with text pays it.
// X painting goes over the socket, as the program's does (shared memory off).
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv)
{
    const bool withLabel = argc > 1 && std::strcmp(argv[1], "--label") == 0;
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Kestrin"));
    window.resize(800, 572);
    if (withLabel) {
        auto* label = new QLabel(QStringLiteral("Kestrin"), &window);
        QFont font;
        // As the skin's sheet names it.
        font.setFamilies({QStringLiteral("Inter"), QStringLiteral("Noto Sans"),
            QStringLiteral("DejaVu Sans"), QStringLiteral("sans-serif")});
        font.setPixelSize(13);
        label->setFont(font);
        label->move(20, 20);
    }
    window.show();
    return QApplication::exec();
}
