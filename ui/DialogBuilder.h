#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace kestrin {

class CControlUI;
class CPaintManagerUI;

// Builds control trees from the skin's layout files (Qt Designer XML kept under the names the
// program asks for), with our own controls available to them by class name:
// kestrin::ColorPaletteWidget and kestrin::BatteryRing.
class CDialogBuilder final {
public:
    // Builds the layout file `name` from the skin folder. Null (and traced) when the file is
    // missing or broken. The caller owns the widget. The widgets named in `deferred` that keep
    // their place without their content (hidden by the layout, a stack's page behind its first,
    // or of a fixed height) are made with their properties but without their content (layout
    // and children), which waits for BuildDeferred: a part nobody sees yet costs nothing at
    // start.
    static QWidget* BuildWidget(
        const QString& name, QWidget* parent = nullptr, const QStringList& deferred = {});

    // Whether `widget`'s content is still to be built.
    static bool IsDeferred(const QWidget* widget);
    // Whether the layout fixes `widget`'s height: waiting, it keeps its place without content.
    static bool HasFixedHeight(const QWidget* widget);
    // The widget under `root` whose deferred content holds a widget named `name`, or null.
    static QWidget* DeferredHolding(const QWidget* root, const QString& name);
    // Builds `widget`'s deferred content into it, in its place in the tab order; false when it
    // had none (or it was broken, traced).
    static bool BuildDeferred(QWidget* widget);

    // Builds a row template and gives its named widgets controls in `manager`.
    static CControlUI* Create(
        const QString& name, CPaintManagerUI* manager, QWidget* parent = nullptr);
};

} // namespace kestrin
