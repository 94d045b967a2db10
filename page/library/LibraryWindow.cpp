#include "page/library/LibraryWindow.h"

#include "base/Messages.h"
#include "page/FooterStatus.h"
#include "platform/FileDialog.h"
#include "ui/ListUI.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QFile>
#include <QWidget>

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

CLibraryWnd::CLibraryWnd(std::string dataFolder, LibraryFileKind files, LibraryTexts texts)
    : dataFolder_(std::move(dataFolder)), files_(std::move(files)), texts_(std::move(texts))
{
}

int CLibraryWnd::Run(CWindowWnd* parent)
{
    if (IsWindow())
        ShowLibraryAfresh();
    else
        Create(
            parent, GetWindowClassName(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 800, 800);
    CenterWindow();
    return ShowModal();
}

void CLibraryWnd::Saved(const SaveResult& result)
{
    if (onSaved)
        onSaved(result);
    ShowSaveFailure(SaveLine(), result, dataFolder_);
}

std::u16string CLibraryWnd::NewName() const
{
    return CResourceManager::GetInstance()->GetText(texts_.newName).toStdU16String();
}

void CLibraryWnd::AppendRow(std::u16string_view name)
{
    if (!list_)
        return;
    const int row = list_->AddLabelElement(
        QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size())));
    list_->SetItemHeight(row, kRowHeight);
    list_->EnsureVisible(row);
}

void CLibraryWnd::FocusList()
{
    if (list_ && list_->GetWidget())
        list_->GetWidget()->setFocus();
}

void CLibraryWnd::ShowAdded(int index)
{
    if (index < 0) {
        Tell(texts_.full);
        return;
    }
    AppendRow(CurrentName());
    ShowSelected();
}

void CLibraryWnd::DeleteSelected(const std::function<void(int row)>& remove)
{
    const int row = list_ ? list_->GetCurSel() : -1;
    if (row < 0 || CMsgWnd::Ask(this, texts_.askDelete, CMsgWnd::Kind::Destructive) != 1)
        return;
    remove(row);
    list_->RemoveAt(row);
    ShowSelected();
}

std::optional<std::string> CLibraryWnd::AskFileToOpen()
{
    return LocalPath(GetOpenFileName(GetWidget(), QString(), QString::fromStdString(dataFolder_),
        files_.filterName, files_.filter));
}

std::optional<std::string> CLibraryWnd::AskFileToSave()
{
    return LocalPath(GetSaveFileName(GetWidget(), QString(), QString::fromStdString(dataFolder_),
        files_.filterName, files_.filter, files_.extension));
}

void CLibraryWnd::Tell(const QString& textId) { CMsgWnd::Ask(this, textId); }

} // namespace kestrin
