#include "page/PageProfileList.h"

#include "base/RecordNames.h"
#include "ui/ListUI.h"

namespace kestrin {

namespace {

constexpr int kRowHeight = 22;

CListUI* List(const PageWindow& window)
{
    return window.Find<CListUI>(QStringLiteral("ms_1_list_profile"));
}

} // namespace

void PageProfileList::Fill(const ProfileList& profiles, int current)
{
    CListUI* list = List(window_);
    if (!list)
        return;
    list->RemoveAll();
    for (const auto& profile : profiles)
        AppendRow(ReadName(profile.NameField()));
    SelectRow(current);
}

void PageProfileList::AppendRow(std::u16string_view name)
{
    CListUI* list = List(window_);
    if (!list)
        return;
    const int row = list->AddLabelElement(QString::fromStdU16String(std::u16string(name)));
    list->SetItemHeight(row, kRowHeight);
}

void PageProfileList::RemoveRow(int row)
{
    if (CListUI* list = List(window_))
        list->RemoveAt(row);
}

void PageProfileList::SetRowText(int row, std::u16string_view name)
{
    if (CListUI* list = List(window_))
        list->SetItemText(row, QString::fromStdU16String(std::u16string(name)));
}

void PageProfileList::SelectRow(int row)
{
    if (CListUI* list = List(window_)) {
        list->SelectItem(row, false);
        list->EnsureVisible(row);
    }
}

} // namespace kestrin
