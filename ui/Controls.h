#pragma once

#include "ui/Control.h"

namespace kestrin {

// A checkable button. In a group (the layout's "group" property, or a radio button) it is an
// option: selecting it raises "selectchanged" and clears the others of its group. Without a
// group it is a check box: every change of its state raises "checkclick".
// Each setter takes `notify`; false changes the state without any notification.
class COptionUI : public CContainerUI {
public:
    COptionUI(QWidget* widget, CPaintManagerUI* manager);
    QString GetGroup() const;
    bool IsSelected() const;
    void Selected(bool selected, bool notify = true);

private:
    void OnToggled(bool checked);
};

class CCheckBoxUI : public COptionUI {
public:
    using COptionUI::COptionUI;
    bool GetCheck() const { return IsSelected(); }
    void SetCheck(bool check, bool notify = true) { Selected(check, notify); }
};

// Selection change raises "itemselect".
class CComboUI : public CControlUI {
public:
    CComboUI(QWidget* widget, CPaintManagerUI* manager);
    int GetCount() const;
    int GetCurSel() const;
    bool SelectItem(int index, bool notify = true);
    QString GetItemText(int index) const;
    // Adds an item showing the language text of `textId`; its id stays as the item's data.
    int AddItemId(const QString& textId);
    void RemoveAll();
};

// A value change raises "valuechanged".
class CSliderUI : public CControlUI {
public:
    CSliderUI(QWidget* widget, CPaintManagerUI* manager);
    int GetValue() const;
    void SetValue(int value, bool notify = true);
    int GetMinValue() const;
    int GetMaxValue() const;
    void SetMinValue(int value);
    void SetMaxValue(int value);
};

// A progress bar or the battery ring; showing a value never notifies.
class CProgressUI : public CControlUI {
public:
    using CControlUI::CControlUI;
    int GetValue() const;
    void SetValue(int value);
    int GetMinValue() const;
    int GetMaxValue() const;
};

// A one-line or multi-line edit. Typing raises "textchanged"; Enter raises "return"; setting
// the text from code raises nothing.
class CEditUI : public CControlUI {
public:
    CEditUI(QWidget* widget, CPaintManagerUI* manager);
    void SetText(const QString& text) override;
    // Selects characters [start, end); end -1 selects to the end.
    void SetSel(int start, int end);
    void SetLimitText(int characters);
    int GetLimitText() const;
    void SetReadOnly(bool readOnly);
};
using CRichEditUI = CEditUI;

// Pages of which one (or none, index -1) shows.
class CTabLayoutUI : public CContainerUI {
public:
    using CContainerUI::CContainerUI;
    int GetCount() const;
    int GetCurSel() const { return current_; }
    bool SelectItem(int index);

private:
    int current_ = 0;
};

} // namespace kestrin
