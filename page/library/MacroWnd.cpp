#include "page/library/MacroWnd.h"

#include "base/Messages.h"
#include "base/RecordNames.h"
#include "base/StoreFiles.h"
#include "keys/KeyNames.h"
#include "macros/MacroExchange.h"
#include "page/DigitFilters.h"
#include "page/OwnInput.h"
#include "ui/Controls.h"
#include "ui/DialogBuilder.h"
#include "ui/ListUI.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace kestrin {
namespace {

constexpr int kRowHeight = 30;
constexpr int kRecordStartTimer = 28;
constexpr int kInsertionTimer = 29;
constexpr int kScrollDelayMs = 50;
const LibraryFileKind kMacroFiles{QStringLiteral("Macro File"), QStringLiteral("*.macro;*.MACRO"),
    QString::fromLatin1(kMacroFileExtension)};
const LibraryTexts kMacroTexts{QStringLiteral("add_macro_text"), QStringLiteral("macro_limit_text"),
    QStringLiteral("delete_macro_text"), QStringLiteral("macro_file_error_text"),
    QStringLiteral("macro_file_held_text"), QStringLiteral("macro_export_error_text")};

QString Text(const char* id)
{
    return CResourceManager::GetInstance()->GetText(QString::fromLatin1(id));
}

bool IsMouseKey(uint8_t key) { return key >= kMouseLeftKey && key <= kMouseXButton1Key; }

// The mouse editor's combo entry of a mouse key: left, right, middle, X button 1, X button 2.
int MouseEntryOf(uint8_t key)
{
    switch (key) {
    case kMouseRightKey:
        return 1;
    case kMouseMiddleKey:
        return 2;
    case kMouseXButton1Key:
        return 3;
    case kMouseXButton2Key:
        return 4;
    default:
        return 0;
    }
}

// A number typed into an edit, none when it holds none.
std::optional<long long> TypedNumber(const CEditUI* edit)
{
    bool number = false;
    const long long value = edit ? edit->GetText().toLongLong(&number) : 0;
    return number ? std::optional(value) : std::nullopt;
}

uint16_t DefaultDelayOf(const CEditUI* edit)
{
    return static_cast<uint16_t>(
        std::clamp<long long>(TypedNumber(edit).value_or(0), kMacroMinEditedDelay, kMacroMaxDelay));
}

QString DurationText(uint32_t ms)
{
    if (ms < 1000)
        return Text("macro_duration_ms_text").arg(ms);
    return Text("macro_duration_s_text").arg(double(ms) / 1000.0, 0, 'f', ms < 10000 ? 2 : 1);
}

// Marks a label through a property the skin styles, so the colour stays in the skin.
void SetMarked(CControlUI* control, bool marked)
{
    QWidget* widget = control ? control->GetWidget() : nullptr;
    if (!widget || widget->property("unpaired").toBool() == marked)
        return;
    widget->setProperty("unpaired", marked);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}

} // namespace

CMS_1_Macro::CMS_1_Macro(MacroList& macros, std::string dataFolder, HookCalls hooks)
    : CLibraryWnd(dataFolder, kMacroFiles, kMacroTexts), editor_(macros, std::move(dataFolder)),
      hooks_(hooks)
{
    Observe(editor_);
    clock_.start();
}

std::u16string CMS_1_Macro::CurrentName() const { return ReadName(editor_.Current()->name); }

CControlUI* CMS_1_Macro::SaveLine()
{
    return paintManager_.FindControl(QStringLiteral("ms_1_macro_save_status"));
}

CMS_1_Macro::~CMS_1_Macro()
{
    // The hook must not post to a window that is gone.
    RemoveHook();
}

int CMS_1_Macro::Run(CWindowWnd* parent)
{
    const int result = CLibraryWnd::Run(parent);
    LetGo();
    return result;
}

void CMS_1_Macro::LetGo()
{
    // Closed another way than btn_exit (the window manager) while recording: what was recorded
    // is kept. The controls go with the window, so nothing here may show anything.
    editor_.StopRecording();
    routeToRecorder_ = false;
    capturingKey_ = false;
    RemoveHook();
    ownEvents_.reset();
}

void CMS_1_Macro::OnLayoutLoaded()
{
    SetWindowText(Text("macro_title_text"));
    auto find = [this](const char* name) {
        return paintManager_.FindControl(QString::fromLatin1(name));
    };
    list_ = dynamic_cast<CListUI*>(find("ms_1_macro_list"));
    actionList_ = dynamic_cast<CListUI*>(find("ms_1_macro_action_list"));
    nameEdit_ = dynamic_cast<CEditUI*>(find("ms_1_macro_name_edit"));
    defaultDelayEdit_ = dynamic_cast<CEditUI*>(find("ms_1_default_delay_edit"));
    keyEdit_ = dynamic_cast<CEditUI*>(find("ms_1_macro_action_edit"));
    delayEdit_ = dynamic_cast<CEditUI*>(find("ms_1_macro_delay_edit"));
    mouseDelayEdit_ = dynamic_cast<CEditUI*>(find("ms_1_macro_mouseaction_delay_edit"));
    mouseCombo_ = dynamic_cast<CComboUI*>(find("ms_1_macro_mouse_action_combo"));
    editorTab_ = dynamic_cast<CTabLayoutUI*>(find("ms_1_macro_action_edit_tab"));
    recordButton_ = dynamic_cast<CCheckBoxUI*>(find("ms_1_macro_record_btn"));
    editCheck_ = dynamic_cast<CCheckBoxUI*>(find("ms_1_macro_action_edit_check"));
    insertMouseCheck_ = dynamic_cast<CCheckBoxUI*>(find("ms_1_macro_insert_mouse_btn"));
    summary_ = find("ms_1_macro_summary");
    recordHint_ = find("ms_1_macro_record_hint");
    if (nameEdit_)
        nameEdit_->SetLimitText(kMacroNameUnits - 1);
    if (CControlUI* status = find("ms_1_macro_save_status"))
        status->SetVisible(false);
    // The delay mode the window opens with is the editor's.
    if (auto* option = dynamic_cast<COptionUI*>(find("ms_1_default_delay_btn")))
        option->Selected(true, false);
    ShowLibraryAfresh();
}

void CMS_1_Macro::ShowLibraryAfresh()
{
    ShowRecords(editor_.Macros());
    if (editorTab_)
        editorTab_->SelectItem(0);
    ShowSelected();
    ShowRecordState();
}

void CMS_1_Macro::ShowSelected()
{
    const MacroRecord* current = editor_.Current();
    if (nameEdit_)
        nameEdit_->SetText(
            current ? QString::fromStdU16String(ReadName(current->name)) : QString());
    if (list_)
        list_->SelectItem(editor_.CurrentIndex(), false);
    ShowActions();
}

void CMS_1_Macro::ShowActions()
{
    if (!actionList_)
        return;
    const auto actions = editor_.Actions();
    const int count = static_cast<int>(actions.size());
    // Rows are kept and refilled: building one from its template is the costly part.
    while (actionList_->GetCount() > count)
        actionList_->RemoveAt(actionList_->GetCount() - 1);
    while (actionList_->GetCount() < count) {
        CControlUI* row = CDialogBuilder::Create(QStringLiteral("keylistitem.xml"), &paintManager_);
        if (!row)
            break;
        row->SetFixedHeight(kRowHeight);
        actionList_->AddControl(row);
    }
    for (int i = 0; i < actionList_->GetCount(); ++i)
        ShowActionRow(i);
    const int selected = editor_.SelectedAction();
    actionList_->SelectItem(selected, false);
    switch (editor_.Scroll()) {
    case MacroScroll::ToEnd:
        actionList_->EnsureVisible(count - 1);
        break;
    case MacroScroll::ToSelected:
        actionList_->EnsureVisible(selected);
        break;
    case MacroScroll::ToRecordStartLater:
        paintManager_.SetTimer(actionList_, kRecordStartTimer, kScrollDelayMs);
        break;
    case MacroScroll::ToInsertionLater:
        paintManager_.SetTimer(actionList_, kInsertionTimer, kScrollDelayMs);
        break;
    }
    ShowSummary();
    ShowActionEditor();
}

void CMS_1_Macro::ShowActionRow(int index)
{
    const auto actions = editor_.Actions();
    auto* row =
        dynamic_cast<CContainerUI*>(actionList_ ? actionList_->GetItemControl(index) : nullptr);
    if (!row || index < 0 || index >= int(actions.size()))
        return;
    const MacroAction& action = actions[std::size_t(index)];
    const bool press = action.kind == uint8_t(MacroActionKind::Press);
    if (CControlUI* key = row->FindSubControl(QStringLiteral("key"))) {
        key->SetText(QString::fromStdU16String(UsageName(action.key)));
        key->SetBkImage(IsMouseKey(action.key)
                ? QStringLiteral("res='skins/mouse.png' dest='2,2,28,28'")
                : QStringLiteral("res='skins/keyboard_key_action.png' dest='5,6,35,24'"));
    }
    if (CControlUI* kind = row->FindSubControl(QStringLiteral("action"))) {
        kind->SetText(Text(press ? "key_down_action" : "key_up_action"));
        kind->SetBkImage(press ? QStringLiteral("res='skins/macro_key_down.png' dest='5,6,21,24'")
                               : QStringLiteral("res='skins/macro_key_up.png' dest='5,6,21,24'"));
        const bool unpaired = SummarizeMacro(actions).unpaired[std::size_t(index)];
        SetMarked(kind, unpaired);
        kind->SetToolTip(
            unpaired ? Text(press ? "macro_unreleased_tip" : "macro_unpressed_tip") : QString());
    }
    if (CControlUI* delay = row->FindSubControl(QStringLiteral("delay")))
        delay->SetText(Text("macro_delay_row_text").arg(action.delay));
}

void CMS_1_Macro::ShowSummary()
{
    if (!summary_)
        return;
    const MacroSummary summary = SummarizeMacro(editor_.Actions());
    QString text;
    if (editor_.Current()) {
        text = Text("macro_summary_text")
                   .arg(DurationText(summary.durationMs))
                   .arg(summary.units)
                   .arg(kMacroMaxSizeUnits);
        const auto unpaired = std::ranges::count(summary.unpaired, true);
        if (unpaired > 0)
            text += Text("macro_unpaired_text").arg(unpaired);
    }
    summary_->SetText(text);
}

void CMS_1_Macro::ShowActionEditor()
{
    if (!editorTab_)
        return;
    const auto actions = editor_.Actions();
    const int selected = editor_.SelectedAction();
    if (!editing_ || selected < 0 || selected >= int(actions.size())) {
        editorTab_->SelectItem(0);
        return;
    }
    const MacroAction& action = actions[std::size_t(selected)];
    const bool last = selected == int(actions.size()) - 1;
    CEditUI* delay = delayEdit_;
    if (IsMouseKey(action.key)) {
        editorTab_->SelectItem(2);
        if (mouseCombo_)
            mouseCombo_->SelectItem(MouseEntryOf(action.key), false);
        delay = mouseDelayEdit_;
    } else {
        editorTab_->SelectItem(1);
        if (keyEdit_)
            keyEdit_->SetText(QString::fromStdU16String(UsageName(action.key)));
    }
    if (delay) {
        // The last action's pause is never waited: it shows as 1 and cannot be set.
        delay->SetText(QString::number(last ? 1 : action.delay));
        delay->SetEnabled(!last);
    }
}

void CMS_1_Macro::Notify(TNotifyUI& msg)
{
    CControlUI* sender = msg.pSender;
    if (!sender)
        return;
    const QString& type = msg.sType;
    if (type == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    } else if (type == DUI_MSGTYPE_CHECKCLICK) {
        if (sender == recordButton_) {
            ToggleRecording();
        } else if (sender == editCheck_) {
            SetEditing(editCheck_->GetCheck());
        } else if (sender == insertMouseCheck_) {
            const bool mouse = insertMouseCheck_->GetCheck();
            if (CControlUI* tab =
                    paintManager_.FindControl(QStringLiteral("ms_1_macro_mouse_event_tab")))
                tab->SetVisible(mouse);
            if (CControlUI* tab = paintManager_.FindControl(QStringLiteral("ms_1_macro_name_tab")))
                tab->SetVisible(!mouse);
        }
    } else if (type == DUI_MSGTYPE_ITEMSELECT) {
        if (sender == list_) {
            editor_.SelectMacro(int(msg.wParam));
            ShowSelected();
        } else if (sender == actionList_) {
            editor_.SelectAction(int(msg.wParam));
            ShowActionEditor();
        } else if (sender == mouseCombo_) {
            editor_.SetActionMouseButton(int(msg.wParam));
            ShowActions();
        }
    } else if (type == DUI_MSGTYPE_KILLFOCUS || type == DUI_MSGTYPE_RETURN) {
        if (sender == nameEdit_)
            Rename();
        else if (sender == delayEdit_ || sender == mouseDelayEdit_)
            TakeDelay(static_cast<CEditUI*>(sender));
        else if (sender == defaultDelayEdit_)
            defaultDelayEdit_->SetText(QString::number(DefaultDelayOf(defaultDelayEdit_)));
        else if (sender == keyEdit_ && type == DUI_MSGTYPE_KILLFOCUS)
            StopKeyCapture();
    } else if (type == DUI_MSGTYPE_SETFOCUS && sender == keyEdit_) {
        StartKeyCapture();
    } else if (type == DUI_MSGTYPE_TEXTCHANGED &&
        (sender == delayEdit_ || sender == mouseDelayEdit_ || sender == defaultDelayEdit_)) {
        FilterDigits(*static_cast<CEditUI*>(sender));
    } else if ((type == DUI_MSGTYPE_MOUSEENTER || type == DUI_MSGTYPE_MOUSELEAVE) &&
        sender == recordButton_) {
        editor_.SetPointerOnStop(type == DUI_MSGTYPE_MOUSEENTER);
    } else if (type == DUI_MSGTYPE_TIMER && sender == actionList_) {
        paintManager_.KillTimer(actionList_, int(msg.wParam));
        actionList_->EnsureVisible(editor_.SelectedAction());
    }
}

void CMS_1_Macro::OnClick(TNotifyUI& msg)
{
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("btn_exit")) {
        if (editor_.Recording())
            StopRecording();
        Close(1);
    } else if (name == QLatin1String("ms_1_macro_add_btn")) {
        ShowAdded(editor_.AddMacro(NewName()));
    } else if (name == QLatin1String("ms_1_macro_delete_btn")) {
        DeleteSelected([this](int row) { editor_.DeleteMacro(row); });
    } else if (name == QLatin1String("ms_1_macro_up_btn")) {
        editor_.MoveActionUp();
        ShowActions();
    } else if (name == QLatin1String("ms_1_macro_down_btn")) {
        editor_.MoveActionDown();
        ShowActions();
    } else if (name == QLatin1String("ms_1_macro_delete_action_btn")) {
        editor_.DeleteAction();
        ShowActions();
    } else if (name == QLatin1String("ms_1_macro_clear_action_btn")) {
        editor_.ClearActions();
        ShowActions();
    } else if (name == QLatin1String("ms_1_macro_import_btn")) {
        ImportFile(
            ReadMacroFile, [this](std::unique_ptr<MacroRecord> macro, std::u16string_view name) {
                return editor_.Import(std::move(macro), name);
            });
    } else if (name == QLatin1String("ms_1_macro_export_btn")) {
        ExportFile(editor_.Current(), WriteMacroFile);
    } else if (name == QLatin1String("ms_1_macro_save_btn")) {
        SetEditing(false);
    } else if (name == QLatin1String("ms_1_macro_cancel_btn")) {
        editor_.CancelEdits();
        SetEditing(false);
        ShowActions();
    } else if (name == QLatin1String("ms_1_record_delay_btn")) {
        delayMode_ = MacroDelayMode::Recorded;
    } else if (name == QLatin1String("ms_1_default_delay_btn")) {
        delayMode_ = MacroDelayMode::Default;
    } else if (name == QLatin1String("ms_1_no_delay_btn")) {
        delayMode_ = MacroDelayMode::None;
    } else {
        for (int button = 1; button <= 5; ++button)
            if (name == QStringLiteral("ms_1_macro_key%1_btn").arg(button))
                InsertClick(button);
    }
}

void CMS_1_Macro::Rename()
{
    if (!editor_.Current() || !nameEdit_)
        return;
    editor_.Rename(nameEdit_->GetText().toStdU16String());
    // Refused or cut to the field, the edit shows what is stored.
    const QString stored = QString::fromStdU16String(CurrentName());
    if (nameEdit_->GetText() != stored)
        nameEdit_->SetText(stored);
    if (list_ && list_->GetItemText(editor_.CurrentIndex()) != stored)
        list_->SetItemText(editor_.CurrentIndex(), stored);
}

void CMS_1_Macro::InsertClick(int button)
{
    const uint16_t delay =
        delayMode_ == MacroDelayMode::Default ? DefaultDelayOf(defaultDelayEdit_) : 1;
    editor_.InsertClick(button, delay);
    ShowActions();
}

void CMS_1_Macro::SetEditing(bool on)
{
    const int selected = editor_.SelectedAction();
    editing_ = on && selected >= 0 && selected < int(editor_.Actions().size());
    if (on && !editing_ && editCheck_)
        editCheck_->SetCheck(false, false);
    ShowActionEditor();
}

void CMS_1_Macro::TakeDelay(CEditUI* edit)
{
    if (!edit->IsEnabled())
        return;
    const uint16_t held = editor_.SetActionDelay(TypedNumber(edit));
    if (editor_.EditUndone()) {
        // The stored macro again, with the action the editor now has selected.
        ShowActions();
        return;
    }
    edit->SetText(QString::number(held));
    ShowActionRow(editor_.SelectedAction());
    ShowSummary();
}

void CMS_1_Macro::ToggleRecording()
{
    if (editor_.Recording())
        StopRecording();
    else
        StartRecording();
}

void CMS_1_Macro::StartRecording()
{
    StopKeyCapture();
    const std::size_t macrosBefore = editor_.Macros().size();
    editor_.StartRecording(
        delayMode_, DefaultDelayOf(defaultDelayEdit_), uint64_t(clock_.elapsed()), NewName());
    if (!editor_.Recording()) {
        if (recordButton_)
            recordButton_->SetCheck(false, false);
        CMsgWnd::Ask(this, QStringLiteral("macro_limit_text"));
        return;
    }
    if (editor_.Macros().size() > macrosBefore)
        ShowAdded(editor_.CurrentIndex());
    routeToRecorder_ = true;
    capturingKey_ = false;
    if (InstallHook()) {
        hooks_.EnableKeys(true);
        // Wheel turns are never recorded.
        hooks_.EnableWheel(false);
        hooks_.EnableButtons(true);
    }
    // Keys typed while recording act on nothing here; without the hook they are the recording.
    ListenToOwnEvents(false);
    ShowActions();
    ShowRecordState();
}

void CMS_1_Macro::StopRecording()
{
    editor_.StopRecording();
    routeToRecorder_ = false;
    RemoveHook();
    ownEvents_.reset();
    ShowActions();
    ShowRecordState();
}

void CMS_1_Macro::ShowRecordState()
{
    const bool recording = editor_.Recording();
    if (recordButton_) {
        recordButton_->SetCheck(recording, false);
        recordButton_->SetText(Text(recording ? "stop_recording_text" : "start_recording_text"));
    }
    if (recordHint_) {
        const bool own = recording && !hookInstalled_;
        recordHint_->SetText(Text(own ? "macro_record_own_text"
                : recording           ? "macro_recording_text"
                                      : "macro_record_hint_text"));
    }
}

void CMS_1_Macro::OnHookEvent(uint32_t message, uint32_t param)
{
    if (routeToRecorder_) {
        editor_.RecordEvent(message, param, uint64_t(clock_.elapsed()));
        if (!editor_.Recording()) {
            // A limit ended it.
            StopRecording();
            return;
        }
        ShowActions();
    } else if (capturingKey_) {
        const uint8_t key = MacroEditor::KeyCodeOf(message);
        // A key without a code of its own cannot be played: the field keeps the key it had.
        if (!IsMacroKey(key))
            return;
        if (keyEdit_)
            keyEdit_->SetText(QString::fromStdU16String(UsageName(key)));
        editor_.SetActionKey(key);
        ShowActionRow(editor_.SelectedAction());
    }
}

void CMS_1_Macro::StartKeyCapture()
{
    if (editor_.Recording())
        return;
    routeToRecorder_ = false;
    capturingKey_ = true;
    if (InstallHook()) {
        hooks_.EnableKeys(true);
        return;
    }
    ListenToOwnEvents(true);
}

void CMS_1_Macro::StopKeyCapture()
{
    if (!capturingKey_)
        return;
    capturingKey_ = false;
    RemoveHook();
    ownEvents_.reset();
}

bool CMS_1_Macro::InstallHook()
{
    if (!hooks_.Install(GetHWND()))
        return false;
    hookInstalled_ = true;
    return true;
}

void CMS_1_Macro::RemoveHook()
{
    if (!hookInstalled_)
        return;
    hookInstalled_ = false;
    hooks_.Remove();
    hooks_.RemoveMouse();
    hooks_.EnableButtons(false);
    hooks_.EnableKeys(false);
    hooks_.EnableWheel(false);
}

void CMS_1_Macro::ListenToOwnEvents(bool keyCapture)
{
    QWidget* root = GetWidget();
    if (!root)
        return;
    OwnInput input;
    input.window = root;
    if (keyCapture) {
        input.keysOf = keyEdit_ ? keyEdit_->GetWidget() : nullptr;
        input.take = [this](uint32_t message, uint32_t param) {
            if (param == 0)
                OnHookEvent(message, param);
        };
    } else {
        input.spare = recordButton_ ? recordButton_->GetWidget() : nullptr;
        input.withMouse = !hookInstalled_;
        input.take = [this](uint32_t message, uint32_t param) {
            if (!hookInstalled_)
                OnHookEvent(message, param);
        };
    }
    ownEvents_ = MakeOwnInputListener(std::move(input));
}

intptr_t CMS_1_Macro::HandleCustomMessage(
    uint32_t message, uintptr_t wParam, intptr_t lParam, bool&)
{
    if (message == WM_DESTROY) {
        LetGo();
    } else if (message == WM_HOOK_EVENT && hookInstalled_) {
        OnHookEvent(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
    }
    return 0;
}

} // namespace kestrin
