// The second peer of the start-up benchmark: the program's main window as its skin makes it
// (main.xml built as the program builds it, its folded sections left for their first opening,
// its texts and stylesheet applied) and shown, with none of the program behind it: no pages,
// profiles, mouse or tray. What the program adds to a start is what it takes over
// this; what this takes over the bare window is the cost of the window's own widgets in Qt.
// usage: bench_window_floor SKIN_FOLDER
#include "page/SectionExpanders.h"
#include "ui/DialogBuilder.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_window_floor SKIN_FOLDER\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    kestrin::CResourceManager* skin = kestrin::CResourceManager::GetInstance();
    skin->SetResourcePath(QString::fromLocal8Bit(argv[1]));
    if (!skin->LoadLanguage(QStringLiteral("lan.xml")) ||
        !skin->LoadStyleSheet(QStringLiteral("kestrin.qss"))) {
        std::fprintf(stderr, "bench_window_floor: no skin in %s\n", argv[1]);
        return 1;
    }
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("Kestrin"));
    QWidget* root = kestrin::CDialogBuilder::BuildWidget(
        QStringLiteral("main.xml"), &window, kestrin::SectionExpanders::Containers());
    if (!root)
        return 1;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(root);
    window.resize(root->size());
    window.show();
    return QApplication::exec();
}
