#pragma once

#include "base/FileResult.h"
#include "ui/PageWindow.h"

#include <QString>

#include <string>

namespace kestrin {

class CControlUI;

// The footer line under the page: what the user should know of their changes, the most pressing
// first. A save that failed, with the folder and the reason, once for a streak of failures and
// until saves work and no store is left unsaved; changes the mouse has not taken yet; that
// saving works again after a failure; else the plain hint that changes are saved. It never
// says a change is saved while one is not.
class FooterStatus final {
public:
    explicit FooterStatus(const PageWindow& window) : window_(window) { }

    void SetChangesUntaken(bool untaken);
    // The outcome of a save of a store in `folder`; one that did nothing (NotDone) says nothing
    // either way, and one that worked ends a streak of failures only when no store is left
    // `unsavedLeft` by them.
    void SaveDone(const SaveResult& result, const std::string& folder, bool unsavedLeft);

    bool SavesFailing() const { return !failure_.isEmpty(); }

private:
    void Show() const;

    const PageWindow& window_;
    bool untaken_ = false;
    QString failure_;        // the message of the streak of failed saves, while it lasts
    bool recovered_ = false; // a save worked after a failure
};

// What a failed save of the stores in `folder` says: the folder and the reason.
QString SaveFailureText(const SaveResult& result, const std::string& folder);

// A library window's line for its saves: shown with the failure while saves fail, hidden once
// one works.
void ShowSaveFailure(CControlUI* line, const SaveResult& result, const std::string& dataFolder);

} // namespace kestrin
