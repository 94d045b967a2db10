#include "ui/ListUI.h"

#include "ui/PaintManager.h"

#include <QListWidget>
#include <QSignalBlocker>

#include <algorithm>

namespace kestrin {
namespace {

constexpr int UserDataRole = Qt::UserRole + 1;

QListWidget* AsList(QWidget* widget) { return qobject_cast<QListWidget*>(widget); }

} // namespace

CListUI::CListUI(QWidget* widget, CPaintManagerUI* manager) : CControlUI(widget, manager)
{
    auto* list = AsList(widget);
    if (!list)
        return;
    // A row is chosen when it is current and selected: focus alone makes a row current without
    // selecting it. The current row is set before the selection changes, whether by a click, a
    // key or SelectItem.
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [this, list] {
        const int row = list->currentRow();
        if (row >= 0 && list->item(row)->isSelected())
            SendNotify(DUI_MSGTYPE_ITEMSELECT, uintptr_t(row));
    });
}

int CListUI::GetCount() const
{
    auto* list = AsList(widget_);
    return list ? list->count() : 0;
}

int CListUI::GetCurSel() const
{
    auto* list = AsList(widget_);
    if (!list)
        return -1;
    // The current row alone is no choice: focus makes the first one current.
    const int row = list->currentRow();
    return row >= 0 && list->item(row)->isSelected() ? row : -1;
}

bool CListUI::SelectItem(int index, bool notify)
{
    auto* list = AsList(widget_);
    if (!list || index < -1 || index >= list->count())
        return false;
    QSignalBlocker blocker(notify ? nullptr : list);
    list->setCurrentRow(index);
    if (!notify && list->viewport())
        list->viewport()->update();
    return true;
}

int CListUI::AddLabelElement(const QString& text, int index)
{
    auto* list = AsList(widget_);
    if (!list)
        return -1;
    QSignalBlocker blocker(list);
    if (index < 0 || index > list->count())
        index = list->count();
    list->insertItem(index, text);
    return index;
}

int CListUI::AddControl(CControlUI* row, int index)
{
    auto* list = AsList(widget_);
    if (!list || !row || !row->GetWidget())
        return -1;
    QSignalBlocker blocker(list);
    if (index < 0 || index > list->count())
        index = list->count();
    auto* item = new QListWidgetItem;
    // A widget's size before it is shown is a default (640 by 480), not its own: its hint
    // within its limits is.
    const QWidget* widget = row->GetWidget();
    item->setSizeHint(
        widget->sizeHint().boundedTo(widget->maximumSize()).expandedTo(widget->minimumSize()));
    list->insertItem(index, item);
    list->setItemWidget(item, row->GetWidget());
    return index;
}

CControlUI* CListUI::GetItemControl(int index) const
{
    auto* list = AsList(widget_);
    if (!list || !manager_ || index < 0 || index >= list->count())
        return nullptr;
    return manager_->ControlFor(list->itemWidget(list->item(index)));
}

void CListUI::SetItemHeight(int index, int height)
{
    auto* list = AsList(widget_);
    if (!list || index < 0 || index >= list->count())
        return;
    QListWidgetItem* item = list->item(index);
    // A text row has no hint of its own (-1 by -1): without a width the height would be ignored.
    item->setSizeHint(QSize(std::max(item->sizeHint().width(), 0), height));
}

QString CListUI::GetItemText(int index) const
{
    auto* list = AsList(widget_);
    if (!list || index < 0 || index >= list->count())
        return QString();
    return list->item(index)->text();
}

void CListUI::SetItemText(int index, const QString& text)
{
    auto* list = AsList(widget_);
    if (list && index >= 0 && index < list->count())
        list->item(index)->setText(text);
}

QString CListUI::GetItemUserData(int index) const
{
    auto* list = AsList(widget_);
    if (!list || index < 0 || index >= list->count())
        return QString();
    return list->item(index)->data(UserDataRole).toString();
}

void CListUI::SetItemUserData(int index, const QString& data)
{
    auto* list = AsList(widget_);
    if (list && index >= 0 && index < list->count())
        list->item(index)->setData(UserDataRole, data);
}

bool CListUI::RemoveAt(int index)
{
    auto* list = AsList(widget_);
    if (!list || index < 0 || index >= list->count())
        return false;
    QSignalBlocker blocker(list);
    if (QWidget* row = list->itemWidget(list->item(index)))
        row->deleteLater();
    delete list->takeItem(index);
    return true;
}

void CListUI::RemoveAll()
{
    auto* list = AsList(widget_);
    if (!list)
        return;
    QSignalBlocker blocker(list);
    for (int i = 0; i < list->count(); ++i)
        if (QWidget* row = list->itemWidget(list->item(i)))
            row->deleteLater();
    list->clear();
}

void CListUI::EnsureVisible(int index)
{
    auto* list = AsList(widget_);
    if (list && index >= 0 && index < list->count())
        list->scrollToItem(list->item(index));
}

} // namespace kestrin
