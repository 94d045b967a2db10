// The peer of the start-up benchmark: the least a Qt Widgets program does to show an empty
// 800 x 572 window titled "Kestrin". Kestrin's start-up is measured against it.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Kestrin"));
    window.resize(800, 572);
    window.show();
    return QApplication::exec();
}
