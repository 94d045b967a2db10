#pragma once

#include "base/HookTable.h"
#include "macros/MacroEditor.h"
#include "page/library/LibraryWindow.h"

#include <QElapsedTimer>

#include <memory>
#include <string>

class QObject;

namespace kestrin {

class CButtonUI;
class CCheckBoxUI;
class CComboUI;
class CEditUI;
class CTabLayoutUI;

// The macro library window: the macros, the actions of the selected one with their editors,
// live recording and *.macro files. Every change is saved at once (MacroEditor). Recording and
// key capture listen through the hook library; where it cannot listen (a Wayland session, no
// library) they take the window's own key and mouse events while it has the focus, and the
// window says so.
class CMS_1_Macro final : public CLibraryWnd {
public:
    CMS_1_Macro(MacroList& macros, std::string dataFolder, HookCalls hooks);
    ~CMS_1_Macro() override;

    // As the library window's, letting go of recording and listening as it closes.
    int Run(CWindowWnd* parent);

    const MacroEditor& Editor() const { return editor_; }
    // What recording listens to: the hook library, or the window's own events.
    bool RecordsOwnEvents() const { return ownEvents_ != nullptr; }

protected:
    QString GetWindowClassName() const override { return QStringLiteral("MS_1_Macro"); }
    QString GetSkinFile() const override { return QStringLiteral("MS/MS_1/ms_1_macropage.xml"); }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(
        uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) override;
    void ShowSelected() override;
    void ShowLibraryAfresh() override;
    std::u16string CurrentName() const override;
    CControlUI* SaveLine() override;

private:
    // Showing what the editor holds.
    void ShowActions();
    void ShowActionRow(int row);
    void ShowSummary();
    void ShowActionEditor();

    // Operations that need the window.
    void Rename();
    void InsertClick(int button);
    void SetEditing(bool on);
    void TakeDelay(CEditUI* edit);

    // Recording and key capture.
    void ToggleRecording();
    void StartRecording();
    void StopRecording();
    void OnHookEvent(uint32_t message, uint32_t param);
    void StartKeyCapture();
    void StopKeyCapture();
    bool InstallHook();
    void RemoveHook();
    void ListenToOwnEvents(bool keysOnly);
    void ShowRecordState();
    // Ends recording and listening as the window goes.
    void LetGo();

    MacroEditor editor_;
    HookCalls hooks_;
    QElapsedTimer clock_;

    CListUI* actionList_ = nullptr;
    CEditUI* nameEdit_ = nullptr;
    CEditUI* defaultDelayEdit_ = nullptr;
    CEditUI* keyEdit_ = nullptr;
    CEditUI* delayEdit_ = nullptr;
    CEditUI* mouseDelayEdit_ = nullptr;
    CComboUI* mouseCombo_ = nullptr;
    CTabLayoutUI* editorTab_ = nullptr;
    CCheckBoxUI* recordButton_ = nullptr;
    CCheckBoxUI* editCheck_ = nullptr;
    CCheckBoxUI* insertMouseCheck_ = nullptr;
    CControlUI* summary_ = nullptr;
    CControlUI* recordHint_ = nullptr;

    MacroDelayMode delayMode_ = MacroDelayMode::Default;
    bool editing_ = false;
    bool hookInstalled_ = false;
    bool routeToRecorder_ = false;
    bool capturingKey_ = false;
    std::unique_ptr<QObject> ownEvents_; // the fallback listener
};

} // namespace kestrin
