#pragma once

#include "profiles/AppRules.h"
#include "ui/WindowImplBase.h"

#include <string>

namespace kestrin {

class ActiveWindowWatch;
class CEditUI;
class CListUI;

// The profile section's "Switch automatically…": the programs whose windows make the current
// profile current while in front. A program is added by clicking its window, from the
// session's windows or by its typed name, and each change is saved to the rules file at once.
// A rules file with a line that is not a rule is the user's to mend: it is shown, not changed.
class CAutoSwitchWnd final : public WindowImplBase {
public:
    // `watch` is null where the session cannot tell which program is in front.
    CAutoSwitchWnd(std::string dataFolder, std::u16string profile, ActiveWindowWatch* watch);
    ~CAutoSwitchWnd() override;

    // Popup child of `parent`, centred, modal; returns once closed, with 0.
    int Run(CWindowWnd* parent);
    // Whether the rules file was written.
    bool RulesChanged() const { return changed_; }

    // Adds (or points at this profile) the rule for `program`; false, with the reason shown,
    // when it cannot be.
    bool AddProgram(const std::string& program);

protected:
    QString GetWindowClassName() const override { return QStringLiteral("AutoSwitchWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("autoswitch.xml"); }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;

private:
    void Reload();
    void FillWindows();
    void RemoveSelected();
    void Pick();
    bool Save();
    void ShowNote(const QString& text);
    // What the dialog says of the session when nothing else is to be said.
    QString SessionNote() const;

    std::string dataFolder_;
    std::u16string profile_;
    ActiveWindowWatch* watch_;
    AppRules rules_;
    bool editable_ = false; // the file holds nothing but rules
    bool changed_ = false;
    bool picking_ = false;
    CListUI* rulesList_ = nullptr;
    CListUI* windowsList_ = nullptr;
    CEditUI* programField_ = nullptr;
};

} // namespace kestrin
