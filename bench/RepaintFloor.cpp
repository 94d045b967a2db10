// The peer of the idle benchmark: the least a Qt Widgets program does to animate a ring like
// the battery's, an 800 x 572 window under a style sheet whose 44 px child is repainted every
// 30 ms and draws nothing. What Kestrin costs beyond it is its own. Its pixels go to the X
// server over the socket, as the program's do (shared memory off).
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setObjectName(QStringLiteral("root"));
    window.setStyleSheet(QStringLiteral("QWidget#root { background-color: #171B24; }"));
    window.resize(800, 572);
    QWidget ring(&window);
    ring.setGeometry(700, 40, 44, 44);
    window.show();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &ring, [&ring] { ring.update(); });
    timer.start(30);
    return QApplication::exec();
}
