// Where the device page's named controls sit in the main window, for scripts that drive the real
// program with the pointer. The skin's "main.xml" is built at its own size and never shown on the
// screen; the words after the skin folder put it into the state the program is in, then ask:
//   kestrin_page_probe RES_DIR [layout FILE] [size W H] [check NAME 0|1] [show NAME] [hide NAME]
//                      [select NAME INDEX]
//                      [value NAME N] [scroll NAME top|end] [at NAME] [bar NAME] [handle NAME]
// ("layout FILE" asks about another window of the skin, such as a dialog, instead of main.xml;
// "size W H" gives the window the size the user gave it.)
// "at" prints the control's rectangle in window coordinates ("x y w h"), "bar" that of a scroll
// area's vertical bar, "handle" the centre of a slider's handle for its current value ("x y").
// Each fails (exit 3) when the point it would name is hidden or scrolled out of view, so that a
// script never clicks beside the control. It runs on the program's own display, so that fonts
// and metrics are the program's.
#include "ui/DialogBuilder.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace kestrin {
namespace {

int Fail(const char* what, const QString& name)
{
    std::fprintf(stderr, "kestrin_page_probe: %s: %s\n", what, name.toUtf8().constData());
    return 3;
}

// Lets every layout settle, including a scroll area's content after a row came or went.
void Settle(QWidget& root)
{
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (root.layout())
            root.layout()->activate();
    }
}

// A point of `widget` that the user can reach: on it, and not clipped by a parent.
bool Reachable(const QWidget& widget, QPoint local)
{
    return widget.isVisible() && widget.visibleRegion().contains(local);
}

QPoint SliderHandleCentre(const QSlider& slider)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.subControls = QStyle::SC_None;
    option.activeSubControls = QStyle::SC_None;
    option.orientation = slider.orientation();
    option.maximum = slider.maximum();
    option.minimum = slider.minimum();
    option.tickPosition = slider.tickPosition();
    option.tickInterval = slider.tickInterval();
    option.upsideDown = slider.orientation() == Qt::Horizontal
        ? slider.invertedAppearance() != (option.direction == Qt::RightToLeft)
        : !slider.invertedAppearance();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.singleStep = slider.singleStep();
    option.pageStep = slider.pageStep();
    return slider.style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider)
        .center();
}

int Run(const QStringList& args)
{
    CResourceManager* resources = CResourceManager::GetInstance();
    resources->SetResourcePath(args.value(0));
    resources->UseDesktopLanguage(QStringLiteral("lan.xml")); // the program's texts take its room
    if (!resources->LoadLanguage(QStringLiteral("lan.xml")) ||
        !resources->LoadStyleSheet(QStringLiteral("kestrin.qss")))
        return Fail("no skin in", args.value(0));
    // "layout FILE" first asks about another window's layout (a dialog's) instead.
    QString layout = QStringLiteral("main.xml");
    qsizetype first = 1;
    if (args.value(1) == QLatin1String("layout")) {
        layout = args.value(2);
        first = 3;
    }
    std::unique_ptr<QWidget> root(CDialogBuilder::BuildWidget(layout));
    if (!root)
        return Fail("cannot build", layout);
    root->setAttribute(Qt::WA_DontShowOnScreen);
    root->show();
    Settle(*root);

    if (args.value(first) == QLatin1String("size")) {
        root->resize(args.value(first + 1).toInt(), args.value(first + 2).toInt());
        Settle(*root);
        first += 3;
    }
    for (qsizetype i = first; i < args.size(); i += 2) {
        const QString verb = args[i];
        const QString name = args.value(i + 1);
        auto* widget = root->findChild<QWidget*>(name);
        if (!widget && root->objectName() == name)
            widget = root.get();
        if (!widget)
            return Fail("no control", name);
        const bool takesValue = verb == QLatin1String("check") || verb == QLatin1String("select") ||
            verb == QLatin1String("value") || verb == QLatin1String("scroll");
        const QString argument = takesValue ? args.value(i + 2) : QString();
        if (takesValue)
            ++i;

        if (verb == QLatin1String("check")) {
            auto* button = qobject_cast<QAbstractButton*>(widget);
            if (!button)
                return Fail("not a button", name);
            button->setChecked(argument == QLatin1String("1"));
        } else if (verb == QLatin1String("show") || verb == QLatin1String("hide")) {
            widget->setVisible(verb == QLatin1String("show"));
        } else if (verb == QLatin1String("select")) {
            auto* combo = qobject_cast<QComboBox*>(widget);
            if (!combo)
                return Fail("not a combo box", name);
            combo->setCurrentIndex(argument.toInt());
        } else if (verb == QLatin1String("value")) {
            auto* slider = qobject_cast<QSlider*>(widget);
            if (!slider)
                return Fail("not a slider", name);
            slider->setValue(argument.toInt());
        } else if (verb == QLatin1String("scroll")) {
            auto* area = qobject_cast<QScrollArea*>(widget);
            if (!area)
                return Fail("not a scroll area", name);
            Settle(*root);
            QScrollBar* bar = area->verticalScrollBar();
            bar->setValue(argument == QLatin1String("end") ? bar->maximum() : bar->minimum());
        } else if (verb == QLatin1String("at")) {
            Settle(*root);
            if (!Reachable(*widget, widget->rect().center()))
                return Fail("out of view", name);
            const QPoint origin = widget->mapTo(root.get(), QPoint(0, 0));
            std::printf("%d %d %d %d\n", origin.x(), origin.y(), widget->width(), widget->height());
        } else if (verb == QLatin1String("bar")) {
            Settle(*root);
            auto* area = qobject_cast<QScrollArea*>(widget);
            QScrollBar* bar = area ? area->verticalScrollBar() : nullptr;
            if (!bar || !Reachable(*bar, bar->rect().center()))
                return Fail("no scroll bar in view", name);
            const QPoint origin = bar->mapTo(root.get(), QPoint(0, 0));
            std::printf("%d %d %d %d\n", origin.x(), origin.y(), bar->width(), bar->height());
        } else if (verb == QLatin1String("handle")) {
            Settle(*root);
            auto* slider = qobject_cast<QSlider*>(widget);
            if (!slider)
                return Fail("not a slider", name);
            const QPoint centre = SliderHandleCentre(*slider);
            if (!Reachable(*slider, centre))
                return Fail("out of view", name);
            const QPoint point = slider->mapTo(root.get(), centre);
            std::printf("%d %d\n", point.x(), point.y());
        } else {
            return Fail("unknown word", verb);
        }
        Settle(*root);
    }
    return 0;
}

} // namespace
} // namespace kestrin

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: kestrin_page_probe RES_DIR [VERB NAME [VALUE]]...\n");
        return 2;
    }
    return kestrin::Run(args);
}
