#include "page/FooterStatus.h"

#include "base/StoreFiles.h"
#include "base/Trace.h"
#include "ui/Control.h"
#include "ui/ResourceManager.h"

namespace kestrin {
namespace {
const QString kFooterHint = QStringLiteral("ms_1_footer_hint");
}

void FooterStatus::SetChangesUntaken(bool untaken)
{
    if (untaken == untaken_)
        return;
    untaken_ = untaken;
    recovered_ = false;
    Show();
}

void FooterStatus::SaveDone(const SaveResult& result, const std::string& folder, bool unsavedLeft)
{
    if (result.code == FileError::NotDone)
        return;
    if (result.ok()) {
        if (failure_.isEmpty() || unsavedLeft)
            return;
        failure_.clear();
        recovered_ = true;
        Trace("saving works again\n");
        Show();
        return;
    }
    if (!failure_.isEmpty())
        return; // told already for this streak
    failure_ = SaveFailureText(result, folder);
    recovered_ = false;
    Show();
}

void FooterStatus::Show() const
{
    CControlUI* hint = window_.Find(kFooterHint);
    if (!hint)
        return;
    if (!failure_.isEmpty()) {
        hint->SetResourceText(false);
        hint->SetText(failure_);
        return;
    }
    hint->SetResourceText(true);
    hint->SetText(untaken_ ? QStringLiteral("apply_untaken_text")
            : recovered_   ? QStringLiteral("save_recovered_text")
                           : QStringLiteral("apply_hint_text"));
}

QString SaveFailureText(const SaveResult& result, const std::string& folder)
{
    return CResourceManager::GetInstance()
        ->GetText(QStringLiteral("save_failed_text"))
        .arg(QString::fromStdString(folder), QString::fromStdString(result.error));
}

void ShowSaveFailure(CControlUI* line, const SaveResult& result, const std::string& dataFolder)
{
    if (!line)
        return;
    line->SetVisible(!result.ok());
    if (!result.ok())
        line->SetText(SaveFailureText(result, StoreFolder(dataFolder)));
}

} // namespace kestrin
