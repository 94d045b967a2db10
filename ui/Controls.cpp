#include "ui/Controls.h"

#include "ui/BatteryRing.h"
#include "ui/LayoutTexts.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QTextEdit>

namespace kestrin {

COptionUI::COptionUI(QWidget* widget, CPaintManagerUI* manager) : CContainerUI(widget, manager)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setCheckable(true);
        QObject::connect(
            button, &QAbstractButton::clicked, button, [this] { SendNotify(DUI_MSGTYPE_CLICK); });
        QObject::connect(
            button, &QAbstractButton::toggled, button, [this](bool on) { OnToggled(on); });
    }
}

QString COptionUI::GetGroup() const
{
    if (!widget_)
        return QString();
    const QString group = widget_->property("group").toString();
    if (group.isEmpty() && qobject_cast<QRadioButton*>(widget_))
        return QStringLiteral("#parent");
    return group;
}

bool COptionUI::IsSelected() const
{
    auto* button = qobject_cast<QAbstractButton*>(widget_);
    return button && button->isChecked();
}

void COptionUI::Selected(bool selected, bool notify)
{
    auto* button = qobject_cast<QAbstractButton*>(widget_);
    if (!button || button->isChecked() == selected)
        return;
    if (notify) {
        button->setChecked(selected);
        return;
    }
    // The group's other buttons change too; none of them may notify.
    const auto groupButtons = button->group() ? button->group()->buttons() : QList{button};
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QAbstractButton* other : groupButtons)
        blockers.push_back(std::make_unique<QSignalBlocker>(other));
    button->setChecked(selected);
}

void COptionUI::OnToggled(bool checked)
{
    if (GetGroup().isEmpty())
        SendNotify(DUI_MSGTYPE_CHECKCLICK);
    else if (checked)
        SendNotify(DUI_MSGTYPE_SELECTCHANGED);
}

CComboUI::CComboUI(QWidget* widget, CPaintManagerUI* manager) : CControlUI(widget, manager)
{
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
            [this](int index) { SendNotify(DUI_MSGTYPE_ITEMSELECT, uintptr_t(index)); });
}

int CComboUI::GetCount() const
{
    auto* combo = qobject_cast<QComboBox*>(widget_);
    return combo ? combo->count() : 0;
}

int CComboUI::GetCurSel() const
{
    auto* combo = qobject_cast<QComboBox*>(widget_);
    return combo ? combo->currentIndex() : -1;
}

bool CComboUI::SelectItem(int index, bool notify)
{
    auto* combo = qobject_cast<QComboBox*>(widget_);
    if (!combo || index < -1 || index >= combo->count())
        return false;
    QSignalBlocker blocker(notify ? nullptr : combo);
    combo->setCurrentIndex(index);
    return true;
}

QString CComboUI::GetItemText(int index) const
{
    auto* combo = qobject_cast<QComboBox*>(widget_);
    return combo ? combo->itemText(index) : QString();
}

int CComboUI::AddItemId(const QString& textId)
{
    auto* combo = qobject_cast<QComboBox*>(widget_);
    if (!combo)
        return -1;
    QSignalBlocker blocker(combo);
    combo->addItem(CResourceManager::GetInstance()->GetText(textId));
    combo->setItemData(combo->count() - 1, textId, TextIdRole);
    return combo->count() - 1;
}

void CComboUI::RemoveAll()
{
    if (auto* combo = qobject_cast<QComboBox*>(widget_)) {
        QSignalBlocker blocker(combo);
        combo->clear();
    }
}

CSliderUI::CSliderUI(QWidget* widget, CPaintManagerUI* manager) : CControlUI(widget, manager)
{
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget))
        QObject::connect(slider, &QAbstractSlider::valueChanged, slider,
            [this](int value) { SendNotify(DUI_MSGTYPE_VALUECHANGED, uintptr_t(value)); });
}

int CSliderUI::GetValue() const
{
    auto* slider = qobject_cast<QAbstractSlider*>(widget_);
    return slider ? slider->value() : 0;
}

void CSliderUI::SetValue(int value, bool notify)
{
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget_)) {
        QSignalBlocker blocker(notify ? nullptr : slider);
        slider->setValue(value);
    }
}

int CSliderUI::GetMinValue() const
{
    auto* slider = qobject_cast<QAbstractSlider*>(widget_);
    return slider ? slider->minimum() : 0;
}

int CSliderUI::GetMaxValue() const
{
    auto* slider = qobject_cast<QAbstractSlider*>(widget_);
    return slider ? slider->maximum() : 0;
}

void CSliderUI::SetMinValue(int value)
{
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget_)) {
        QSignalBlocker blocker(slider);
        slider->setMinimum(value);
    }
}

void CSliderUI::SetMaxValue(int value)
{
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget_)) {
        QSignalBlocker blocker(slider);
        slider->setMaximum(value);
    }
}

int CProgressUI::GetValue() const
{
    if (auto* bar = qobject_cast<QProgressBar*>(widget_))
        return bar->value();
    if (auto* ring = qobject_cast<BatteryRing*>(widget_))
        return ring->value();
    return 0;
}

void CProgressUI::SetValue(int value)
{
    if (auto* bar = qobject_cast<QProgressBar*>(widget_))
        bar->setValue(value);
    else if (auto* ring = qobject_cast<BatteryRing*>(widget_))
        ring->setValue(value);
}

int CProgressUI::GetMinValue() const
{
    if (auto* bar = qobject_cast<QProgressBar*>(widget_))
        return bar->minimum();
    return 0;
}

int CProgressUI::GetMaxValue() const
{
    if (auto* bar = qobject_cast<QProgressBar*>(widget_))
        return bar->maximum();
    return 100;
}

CEditUI::CEditUI(QWidget* widget, CPaintManagerUI* manager) : CControlUI(widget, manager)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        QObject::connect(
            edit, &QLineEdit::textEdited, edit, [this] { SendNotify(DUI_MSGTYPE_TEXTCHANGED); });
        QObject::connect(
            edit, &QLineEdit::returnPressed, edit, [this] { SendNotify(DUI_MSGTYPE_RETURN); });
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit,
            [this] { SendNotify(DUI_MSGTYPE_TEXTCHANGED); });
    } else if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
        QObject::connect(
            edit, &QTextEdit::textChanged, edit, [this] { SendNotify(DUI_MSGTYPE_TEXTCHANGED); });
    }
}

void CEditUI::SetText(const QString& text)
{
    QSignalBlocker blocker(widget_);
    CControlUI::SetText(text);
}

void CEditUI::SetSel(int start, int end)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget_)) {
        const int length = int(edit->text().size());
        start = std::clamp(start, 0, length);
        end = end < 0 ? length : std::clamp(end, start, length);
        edit->setSelection(start, end - start);
        return;
    }
    QTextCursor cursor;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget_))
        cursor = edit->textCursor();
    else if (auto* edit = qobject_cast<QTextEdit*>(widget_))
        cursor = edit->textCursor();
    else
        return;
    const int length = cursor.document()->characterCount() - 1;
    start = std::clamp(start, 0, length);
    end = end < 0 ? length : std::clamp(end, start, length);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget_))
        edit->setTextCursor(cursor);
    else if (auto* edit = qobject_cast<QTextEdit*>(widget_))
        edit->setTextCursor(cursor);
}

void CEditUI::SetLimitText(int characters)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget_))
        edit->setMaxLength(characters);
}

int CEditUI::GetLimitText() const
{
    auto* edit = qobject_cast<QLineEdit*>(widget_);
    return edit ? edit->maxLength() : 0;
}

void CEditUI::SetReadOnly(bool readOnly)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget_))
        edit->setReadOnly(readOnly);
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget_))
        edit->setReadOnly(readOnly);
    else if (auto* edit = qobject_cast<QTextEdit*>(widget_))
        edit->setReadOnly(readOnly);
}

int CTabLayoutUI::GetCount() const
{
    auto* stack = qobject_cast<QStackedWidget*>(widget_);
    return stack ? stack->count() : 0;
}

bool CTabLayoutUI::SelectItem(int index)
{
    auto* stack = qobject_cast<QStackedWidget*>(widget_);
    if (!stack || index < -1 || index >= stack->count())
        return false;
    current_ = index;
    if (index == -1) {
        // No page: a stack always has a current widget, so hide it instead.
        if (QWidget* page = stack->currentWidget())
            page->hide();
        return true;
    }
    stack->setCurrentIndex(index);
    stack->widget(index)->show();
    return true;
}

} // namespace kestrin
