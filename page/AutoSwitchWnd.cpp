#include "page/AutoSwitchWnd.h"

#include "base/Messages.h"
#include "base/RecordNames.h"
#include "base/Trace.h"
#include "platform/ActiveWindow.h"
#include "ui/Controls.h"
#include "ui/ListUI.h"
#include "ui/ResourceManager.h"

#include <QWidget>

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace kestrin {
namespace {

QString Text(const char* id)
{
    return CResourceManager::GetInstance()->GetText(QString::fromLatin1(id));
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

} // namespace

CAutoSwitchWnd::CAutoSwitchWnd(
    std::string dataFolder, std::u16string profile, ActiveWindowWatch* watch)
    : dataFolder_(std::move(dataFolder)), profile_(std::move(profile)), watch_(watch)
{
}

CAutoSwitchWnd::~CAutoSwitchWnd()
{
    if (picking_ && watch_)
        watch_->CancelPick();
}

int CAutoSwitchWnd::Run(CWindowWnd* parent)
{
    Create(parent, QStringLiteral("AutoSwitchWnd"), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0,
        800, 800);
    CenterWindow();
    const int result = ShowModal();
    if (picking_ && watch_) {
        picking_ = false;
        watch_->CancelPick();
    }
    return result;
}

void CAutoSwitchWnd::OnLayoutLoaded()
{
    SetWindowText(Text("autoswitch_title_text"));
    rulesList_ = dynamic_cast<CListUI*>(paintManager_.FindControl(QStringLiteral("list_rules")));
    windowsList_ =
        dynamic_cast<CListUI*>(paintManager_.FindControl(QStringLiteral("list_windows")));
    programField_ =
        dynamic_cast<CEditUI*>(paintManager_.FindControl(QStringLiteral("edit_rule_program")));
    if (CControlUI* intro = paintManager_.FindControl(QStringLiteral("autoswitch_intro")))
        intro->SetText(Text("autoswitch_intro_text").arg(QString::fromStdU16String(profile_)));
    Reload();
    FillWindows();
}

void CAutoSwitchWnd::Reload()
{
    rules_ = {};
    editable_ = false;
    QString note = SessionNote();
    const auto loaded = LoadAppRules(dataFolder_);
    if (!loaded.ok()) {
        Trace("app-profiles.conf cannot be read: %s\n", loaded.error.c_str());
        note = Text("autoswitch_unreadable_text");
    } else if (!loaded.value.problems.empty()) {
        note = Text("autoswitch_problem_text").arg(loaded.value.problems.front().line);
        rules_ = loaded.value.rules;
    } else {
        rules_ = loaded.value.rules;
        editable_ = true;
    }
    if (rulesList_) {
        rulesList_->RemoveAll();
        for (const AppRule& rule : rules_.rules)
            if (NamesEqual(ToU16(rule.profile), profile_))
                rulesList_->AddLabelElement(FromUtf8(rule.program));
    }
    for (const char* name : {"btn_rule_pick", "btn_rule_remove", "btn_rule_add"})
        if (CControlUI* button = paintManager_.FindControl(QString::fromLatin1(name)))
            button->SetEnabled(editable_ && (watch_ || std::string_view(name) != "btn_rule_pick"));
    ShowNote(note);
}

QString CAutoSwitchWnd::SessionNote() const
{
    if (!watch_)
        return Text("autoswitch_unseen_text");
    // XWayland tells of X programs only; a Wayland session's own windows go unseen.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return Text("autoswitch_wayland_text");
    return {};
}

void CAutoSwitchWnd::FillWindows()
{
    if (!windowsList_)
        return;
    windowsList_->RemoveAll();
    if (!watch_)
        return;
    std::vector<std::u16string> listed;
    for (const SessionWindow& window : watch_->Windows()) {
        const std::string& program = window.program.RuleName();
        const std::u16string name = ToU16(program);
        // Kestrin's own windows are never a game; a program with many windows is one row.
        if (program.empty() || window.pid == getpid() ||
            std::ranges::any_of(
                listed, [&](const std::u16string& seen) { return NamesEqual(seen, name); }))
            continue;
        listed.push_back(name);
        QString row = FromUtf8(program);
        if (!window.title.empty())
            row += QStringLiteral(" — ") + FromUtf8(window.title);
        const int index = windowsList_->AddLabelElement(row);
        windowsList_->SetItemUserData(index, FromUtf8(program));
    }
}

void CAutoSwitchWnd::Notify(TNotifyUI& msg)
{
    if (!msg.pSender)
        return;
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
        return;
    }
    // A running program chosen from the list goes into the field, where Add takes it.
    if (msg.sType == DUI_MSGTYPE_ITEMSELECT && msg.pSender == windowsList_ && programField_) {
        programField_->SetText(windowsList_->GetItemUserData(static_cast<int>(msg.wParam)));
        return;
    }
    if (msg.sType == DUI_MSGTYPE_RETURN && msg.pSender == programField_ && editable_)
        AddProgram(programField_->GetText().trimmed().toStdString());
}

void CAutoSwitchWnd::OnClick(TNotifyUI& msg)
{
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("btn_close") || name == QLatin1String("btn_exit"))
        Close(0);
    else if (name == QLatin1String("btn_rule_remove"))
        RemoveSelected();
    else if (name == QLatin1String("btn_rule_pick"))
        Pick();
    else if (name == QLatin1String("btn_rule_add") && programField_)
        AddProgram(programField_->GetText().trimmed().toStdString());
}

bool CAutoSwitchWnd::AddProgram(const std::string& program)
{
    if (!editable_)
        return false;
    if (!AppRuleProgramProblem(program).empty()) {
        ShowNote(Text("autoswitch_program_bad_text"));
        return false;
    }
    const std::string profile = ToUtf8(profile_);
    if (AppRule* rule = FindProgramRule(rules_, program)) {
        // One profile per program: adding it here takes it from another profile.
        if (NamesEqual(ToU16(rule->profile), profile_)) {
            ShowNote(Text("autoswitch_already_text").arg(FromUtf8(program)));
            return false;
        }
        rule->profile = profile;
    } else {
        rules_.rules.push_back({program, profile, {}});
    }
    if (!Save())
        return false;
    if (programField_)
        programField_->SetText(QString());
    Reload();
    ShowNote(Text("autoswitch_added_text").arg(FromUtf8(program)));
    return true;
}

void CAutoSwitchWnd::RemoveSelected()
{
    if (!editable_ || !rulesList_ || rulesList_->GetCurSel() < 0) {
        ShowNote(Text("autoswitch_remove_none_text"));
        return;
    }
    const std::string program = rulesList_->GetItemText(rulesList_->GetCurSel()).toStdString();
    std::erase_if(rules_.rules, [&](const AppRule& rule) {
        return NamesEqual(ToU16(rule.program), ToU16(program)) &&
            NamesEqual(ToU16(rule.profile), profile_);
    });
    if (Save())
        Reload();
}

void CAutoSwitchWnd::Pick()
{
    if (!watch_ || picking_)
        return;
    ShowNote(Text("autoswitch_picking_text"));
    // The answer may come at once (the pointer is held elsewhere): before Pick returns.
    picking_ = true;
    const bool started = watch_->Pick([this](std::optional<SessionWindow> window) {
        picking_ = false;
        if (!window || window->program.RuleName().empty())
            ShowNote(Text("autoswitch_pick_none_text"));
        else if (window->pid == getpid())
            ShowNote(Text("autoswitch_own_window_text"));
        else
            AddProgram(window->program.RuleName());
    });
    if (!started)
        picking_ = false;
}

bool CAutoSwitchWnd::Save()
{
    const SaveResult saved = SaveAppRules(dataFolder_, rules_);
    if (!saved.ok()) {
        Trace("saving app-profiles.conf failed: %s\n", saved.error.c_str());
        ShowNote(Text("autoswitch_save_failed_text"));
        // What the file holds is what counts.
        const auto loaded = LoadAppRules(dataFolder_);
        if (loaded.ok())
            rules_ = loaded.value.rules;
        return false;
    }
    changed_ = true;
    return true;
}

void CAutoSwitchWnd::ShowNote(const QString& text)
{
    if (CControlUI* note = paintManager_.FindControl(QStringLiteral("autoswitch_note"))) {
        note->SetText(text);
        note->SetVisible(!text.isEmpty());
    }
}

} // namespace kestrin
