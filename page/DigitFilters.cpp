#include "page/DigitFilters.h"

#include "page/DpiText.h"
#include "ui/Controls.h"

namespace kestrin {
namespace {

void Filter(CEditUI& edit, bool (*keep)(std::u16string&))
{
    std::u16string text = edit.GetText().toStdU16String();
    if (!keep(text))
        return;
    edit.SetText(QString::fromStdU16String(text));
    edit.SetSel(static_cast<int>(text.size()), static_cast<int>(text.size()));
}

} // namespace

void FilterDigits(CEditUI& edit) { Filter(edit, KeepDigitsOnly); }
void FilterSignedDigits(CEditUI& edit) { Filter(edit, KeepSignedDigitsOnly); }

} // namespace kestrin
