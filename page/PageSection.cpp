#include "page/PageSection.h"

#include "ui/Controls.h"

namespace kestrin {

std::optional<int> NumberedName(const QString& name, QLatin1StringView prefix, int count)
{
    if (!name.startsWith(prefix))
        return std::nullopt;
    bool ok = false;
    const int n = QStringView(name).mid(prefix.size()).toInt(&ok);
    if (!ok || n < 1 || n > count || name.size() != prefix.size() + QString::number(n).size())
        return std::nullopt;
    return n;
}

void SelectOptionQuietly(
    const PageWindow& window, QLatin1StringView prefix, int32_t value, int count)
{
    if (value < 0 || value >= count)
        return;
    if (auto* option = window.Find<COptionUI>(prefix + QString::number(value + 1)))
        option->Selected(true, false);
}

void SetSliderQuietly(const PageWindow& window, const QString& name, int32_t value)
{
    if (auto* slider = window.Find<CSliderUI>(name))
        slider->SetValue(value, false);
}

} // namespace kestrin
