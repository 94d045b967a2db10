#pragma once

#include <QString>

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
    // missing or broken. The caller owns the widget.
    static QWidget* BuildWidget(const QString& name, QWidget* parent = nullptr);

    // Builds a row template and gives its named widgets controls in `manager`.
    static CControlUI* Create(
        const QString& name, CPaintManagerUI* manager, QWidget* parent = nullptr);
};

} // namespace kestrin
