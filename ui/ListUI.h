#pragma once

#include "ui/Control.h"

namespace kestrin {

// A list of rows: text rows (label elements) or rows built from a row template. Selecting a
// row raises "itemselect" with the row in wParam; every setter has a variant that raises nothing.
class CListUI : public CControlUI {
public:
    CListUI(QWidget* widget, CPaintManagerUI* manager);

    int GetCount() const;
    // The selected row; -1 when none is, even while one is current.
    int GetCurSel() const;
    bool SelectItem(int index, bool notify = true);

    // Adds a text row at the end (or at `index`); returns its index.
    int AddLabelElement(const QString& text, int index = -1);
    // Adds a row built from a template (CDialogBuilder::Create); the list takes the control.
    int AddControl(CControlUI* row, int index = -1);
    CControlUI* GetItemControl(int index) const;
    // A text row's fixed height in pixels.
    void SetItemHeight(int index, int height);

    QString GetItemText(int index) const;
    void SetItemText(int index, const QString& text);
    QString GetItemUserData(int index) const;
    void SetItemUserData(int index, const QString& data);

    bool RemoveAt(int index);
    void RemoveAll();
    void EnsureVisible(int index);
};

} // namespace kestrin
