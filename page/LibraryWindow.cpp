#include "page/LibraryWindow.h"

#include "platform/FileDialog.h"
#include "ui/ListUI.h"
#include "ui/WindowWnd.h"

#include <QFile>

namespace kestrin {
namespace {

constexpr int kRowHeight = 30;

std::optional<std::string> LocalPath(const QString& chosen)
{
    if (chosen.isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen).toStdString();
}

} // namespace

std::optional<std::string> AskLibraryFileToOpen(
    CWindowWnd& owner, const std::string& dataFolder, const LibraryFileKind& kind)
{
    return LocalPath(GetOpenFileName(owner.GetWidget(), QString(),
        QString::fromStdString(dataFolder), kind.filterName, kind.filter));
}

std::optional<std::string> AskLibraryFileToSave(
    CWindowWnd& owner, const std::string& dataFolder, const LibraryFileKind& kind)
{
    return LocalPath(GetSaveFileName(owner.GetWidget(), QString(),
        QString::fromStdString(dataFolder), kind.filterName, kind.filter, kind.extension));
}

void AppendLibraryRow(CListUI& list, std::u16string_view name)
{
    const int row =
        list.AddLabelElement(QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size())));
    list.SetItemHeight(row, kRowHeight);
    list.EnsureVisible(row);
}

} // namespace kestrin
