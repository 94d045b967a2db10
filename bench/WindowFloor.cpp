// The second peer of the start-up benchmark: the program's main window as its skin makes it
// (main.xml built as the program builds it, what is not seen at start left for later,
// its texts and stylesheet applied) and shown, with none of the program behind it: no pages,
// profiles, mouse or tray. What the program adds to a start is what it takes over
// this; what this takes over the bare window is the cost of the window's own widgets in Qt.
// With --charging its battery ring is stepped as the charging animation steps it, on the same
// kind of timer: the idle benchmark's peer for what Qt costs to animate the ring in this window.
// usage: bench_window_floor [--charging] SKIN_FOLDER
#include "page/MS_1_Page.h"
#include "ui/BatteryRing.h"
#include "ui/DialogBuilder.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    const bool charging = argc == 3 && std::strcmp(argv[1], "--charging") == 0;
    if (argc != 2 && !charging) {
        std::fprintf(stderr, "usage: bench_window_floor [--charging] SKIN_FOLDER\n");
        return 2;
    }
    const char* folder = argv[argc - 1];
    // Painted over the X socket, as the program paints.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    kestrin::CResourceManager* skin = kestrin::CResourceManager::GetInstance();
    skin->SetResourcePath(QString::fromLocal8Bit(folder));
    if (!skin->LoadLanguage(QStringLiteral("lan.xml")) ||
        !skin->LoadStyleSheet(QStringLiteral("kestrin.qss"))) {
        std::fprintf(stderr, "bench_window_floor: no skin in %s\n", folder);
        return 1;
    }
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("Kestrin"));
    QWidget* root = kestrin::CDialogBuilder::BuildWidget(QStringLiteral("main.xml"), &window,
        // What the main window leaves for later: its no-mouse page too.
        kestrin::CMS_1_Page::PartsBuiltWhenSeen() << QStringLiteral("no_mouse_page"));
    if (!root)
        return 1;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(root);
    window.resize(root->size());
    window.show();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer); // as the program's window timers are
    int step = 0;
    if (charging) {
        auto* ring = root->findChild<kestrin::BatteryRing*>();
        if (!ring) {
            std::fprintf(stderr, "bench_window_floor: the skin has no battery ring\n");
            return 1;
        }
        QObject::connect(&timer, &QTimer::timeout, ring, [ring, &step] {
            ring->setValue(step);
            step = step + 2 > 100 ? 0 : step + 2;
        });
        timer.start(30);
    }
    return QApplication::exec();
}
