#pragma once

#include "ui/WindowImplBase.h"

#include <QObject>
#include <QPoint>

#include <memory>

class QMenu;

namespace kestrin {

// What a chosen menu item sends to the menu's owner as WM_MENU_COMMAND: wParam points to a
// MenuCmd that the owner copies and then frees with CPaintManagerUI::DeletePtr.
struct MenuCmd {
    QString szName;
    QString szUserData;
    QString szText;
    bool bChecked = false;
};

// Sends `owner` the command, as choosing an item does; false when it is gone.
bool PostMenuCommand(KestrinWindow owner, MenuCmd command);

enum MenuAlignment : uint32_t {
    eMenuAlignment_Left = 1 << 1,
    eMenuAlignment_Top = 1 << 2,
    eMenuAlignment_Right = 1 << 3,
    eMenuAlignment_Bottom = 1 << 4,
};

// A popup menu built from a menu layout: every button of the layout is an item, named by its
// control name. It closes when an item is chosen, the user clicks elsewhere or presses Escape;
// Up and Down move through the items, Left and Right to the nearest item of the column beside,
// and Enter chooses one.
class CMenuWnd final : public WindowImplBase {
public:
    // Left|Top puts the menu's top-left corner at the point; Right and Bottom put its right or
    // bottom edge there. The menu is kept on the work area.
    void Init(void* ownerElement, const QString& layout, QPoint point, CPaintManagerUI* mainManager,
        void* checkMap = nullptr, uint32_t alignment = eMenuAlignment_Left | eMenuAlignment_Top);
    void ResizeMenu();
    // Where the menu goes at the next ResizeMenu.
    void SetPoint(QPoint point) { point_ = point; }
    // The item that has the keyboard when the menu shows; the first one when it has none.
    void SetFocusedItem(const QString& item) { focusedItem_ = item; }
    QStringList VisibleItems() const;
    // Ticks or clears a check item; a name the layout lacks is left alone.
    void SetItemChecked(const QString& item, bool checked);
    // True while the menu shows, and once `item` has been chosen in it: a choice made in this
    // menu, not one named when no menu was open.
    bool IsOpenFor(const QString& item) const;

protected:
    QString GetWindowClassName() const override { return QStringLiteral("MenuWnd"); }
    QString GetSkinFile() const override { return layout_; }
    void Notify(TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(uint32_t message, uintptr_t, intptr_t, bool& handled) override;

private:
    QString layout_;
    QPoint point_;
    uint32_t alignment_ = 0;
    KestrinWindow owner_ = 0;
    QString focusedItem_;
    QString chosen_;
    std::unique_ptr<QObject> keys_;
};

// A menu layout's items as a QMenu for panels that draw an application's menu themselves (a
// StatusNotifierItem host reads it over D-Bus): its buttons in order with their texts, a plain
// frame between them a separator. Choosing an item sends `owner` what choosing it in the skinned
// menu sends. The menu never shows itself as a window: Qt pops a tray icon's menu up on an XEmbed
// tray, where the skinned menu shows instead. Null when the layout cannot be built.
std::unique_ptr<QMenu> BuildPanelMenu(const QString& layout, KestrinWindow owner);

} // namespace kestrin
