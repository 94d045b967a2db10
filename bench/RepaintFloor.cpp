// The peer of the idle benchmark: what Qt itself costs to animate the battery ring. The
// program's own ring, sized, coloured and stepped as its charging animation steps it on the
// same kind of timer, alone in a window of the main window's size under a style sheet. What
// Kestrin costs beyond it is its own. Its pixels go to the X server over the socket, as the
// program's do (shared memory off).
#include "ui/BatteryRing.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    const QColor backdrop(0x17, 0x1B, 0x24);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setObjectName(QStringLiteral("root"));
    window.setStyleSheet(
        QStringLiteral("QWidget#root { background-color: %1; }").arg(backdrop.name()));
    window.resize(800, 572);
    kestrin::BatteryRing ring(&window);
    ring.setGeometry(700, 40, 44, 44);
    ring.setShowText(false);
    ring.setBackdropColor(backdrop);
    window.show();
    int step = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer); // as the program's window timers are
    QObject::connect(&timer, &QTimer::timeout, &ring, [&] {
        ring.setValue(step);
        step = step + 2 > 100 ? 0 : step + 2;
    });
    timer.start(30);
    return QApplication::exec();
}
