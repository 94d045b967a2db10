#include "page/ProfilePrompts.h"

#include "platform/FileDialog.h"
#include "profiles/ProfileExchange.h"
#include "ui/MsgWnd.h"
#include "ui/NameDialog.h"

#include <QFile>

namespace kestrin {
namespace {

const QString kFilterName = QStringLiteral("Profile File");
const QString kFilter = QStringLiteral("*.pro;*.PRO");

QString Id(std::string_view id)
{
    return QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size()));
}

std::optional<std::string> LocalPath(const QString& chosen)
{
    if (chosen.isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen).toStdString();
}

} // namespace

bool CProfilePrompts::Ask(std::string_view textId) { return CMsgWnd::Ask(owner_, Id(textId)) == 1; }

bool CProfilePrompts::Confirm(std::string_view textId)
{
    return CMsgWnd::Ask(owner_, Id(textId), CMsgWnd::Kind::Destructive) == 1;
}

std::optional<std::u16string> CProfilePrompts::AskProfileName(
    std::string_view titleId, const ProfileList& profiles)
{
    CMS_1_ProfileName dialog;
    dialog.SetTitleId(Id(titleId));
    dialog.SetList(profiles);
    if (dialog.Run(owner_) != 1)
        return std::nullopt;
    return dialog.GetResultName().toStdU16String();
}

std::optional<std::string> CProfilePrompts::AskProfileFileToSave(std::u16string_view suggestedName)
{
    QWidget* parent = owner_ ? owner_->GetWidget() : nullptr;
    return LocalPath(GetSaveFileName(parent, QString(), QString(), kFilterName, kFilter,
        QString::fromLatin1(kProfileFileExtension),
        QString::fromUtf16(suggestedName.data(), static_cast<qsizetype>(suggestedName.size()))));
}

std::optional<std::string> CProfilePrompts::AskProfileFileToOpen()
{
    QWidget* parent = owner_ ? owner_->GetWidget() : nullptr;
    return LocalPath(GetOpenFileName(parent, QString(), QString(), kFilterName, kFilter));
}

} // namespace kestrin
