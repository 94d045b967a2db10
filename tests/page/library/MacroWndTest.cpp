// The macro library window through its controls: recording through the hook library's messages
// and through the window's own events where the hook cannot listen, key capture, the editors,
// and *.macro files.
#include "page/library/MacroWnd.h"

#include "base/HookTable.h"
#include "base/Messages.h"
#include "base/RecordNames.h"
#include "keys/KeyNames.h"
#include "macros/MacroExchange.h"
#include "macros/MacroStore.h"
#include "platform/FileDialog.h"
#include "tests/support/RunModally.h"
#include "tests/support/SkinFolder.h"
#include "tests/support/TempFolder.h"
#include "ui/Controls.h"
#include "ui/ListUI.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrin {
namespace {

// The hook library's calls, in order, as "name(argument)".
std::vector<std::string> hookCalls;
int installResult = 1;

HookTable FakeHooks()
{
    HookTable table;
    table.installhook = [](KestrinWindow window) {
        hookCalls.push_back(window != 0 ? "installhook(window)" : "installhook(0)");
        return installResult;
    };
    table.removehook = [] { hookCalls.emplace_back("removehook"); };
    table.removemousehook = [] { hookCalls.emplace_back("removemousehook"); };
    table.enablehook = [](int on) {
        hookCalls.push_back("enablehook(" + std::to_string(on) + ")");
    };
    table.enablemousehook = [](int on) {
        hookCalls.push_back("enablemousehook(" + std::to_string(on) + ")");
    };
    table.mousewheelenable = [](int on) {
        hookCalls.push_back("mousewheelenable(" + std::to_string(on) + ")");
    };
    return table;
}

QString KeyName(unsigned key) { return QString::fromStdU16String(UsageName(key)); }

class MacroWndTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::UseInstalledSkin();
        hookCalls.clear();
        installResult = 1;
    }
    void TearDown() override
    {
        CWindowWnd::SetModalHookForTesting(nullptr);
        CMsgWnd::SetNextAnswerForTesting(std::nullopt);
        SetNextFileNameForTesting(std::nullopt);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs the editor over the library; `steps` act on it while it is open.
    void Run(std::function<void(CMS_1_Macro&)> steps)
    {
        CMS_1_Macro editor(macros, folder.Data(), HookCalls(&hooks));
        EXPECT_EQ(test::RunModally<CMS_1_Macro>(
                      editor, steps, otherWindow, [](auto& open) { Press(open, "btn_exit"); }),
            1);
    }

    static QWidget* Widget(CMS_1_Macro& editor, const char* name)
    {
        CControlUI* control = editor.GetPaintManager().FindControl(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control ? control->GetWidget() : nullptr;
    }
    static void Press(CMS_1_Macro& editor, const char* name)
    {
        qobject_cast<QAbstractButton*>(Widget(editor, name))->click();
    }
    static void Focus(CMS_1_Macro& editor, const char* name, bool in)
    {
        QFocusEvent event(in ? QEvent::FocusIn : QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(Widget(editor, name), &event);
    }
    static void Type(CMS_1_Macro& editor, const char* name, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(Widget(editor, name));
        edit->setText(text);
        Focus(editor, name, false);
    }
    static QString Text(CMS_1_Macro& editor, const char* name)
    {
        return editor.GetPaintManager().FindControl(QLatin1String(name))->GetText();
    }
    // Each action row as "key/kind/delay" as the list shows it.
    static std::vector<QString> Rows(CMS_1_Macro& editor)
    {
        auto* list =
            editor.GetPaintManager().FindControl<CListUI>(QStringLiteral("ms_1_macro_action_list"));
        std::vector<QString> rows;
        for (int i = 0; i < list->GetCount(); ++i) {
            auto* row = dynamic_cast<CContainerUI*>(list->GetItemControl(i));
            rows.push_back(row->FindSubControl(QStringLiteral("key"))->GetText() + "/" +
                row->FindSubControl(QStringLiteral("action"))->GetText() + "/" +
                row->FindSubControl(QStringLiteral("delay"))->GetText());
        }
        return rows;
    }
    static void Hook(CMS_1_Macro& editor, uint32_t message, uint32_t param)
    {
        editor.SendMessage(WM_HOOK_EVENT, message, param);
    }
    void AddMacro(const char16_t* name, std::initializer_list<MacroAction> actions)
    {
        auto macro = std::make_unique<MacroRecord>();
        WriteName(macro->name, name);
        macro->actionCount = int32_t(actions.size());
        std::ranges::copy(actions, macro->actions);
        macros.push_back(std::move(macro));
    }

    test::TempFolder folder;
    MacroList macros;
    HookTable hooks = FakeHooks();
    // Acts on every other window run modally while the editor is open (message boxes).
    std::function<void(CWindowWnd&)> otherWindow;
};

TEST_F(MacroWndTest, ARecordingThroughTheHookLeavesOutOnlyTheLeftClickOnTheRecordButton)
{
    std::vector<QString> rows;
    QString summary;
    Run([&](CMS_1_Macro& editor) {
        Press(editor, "ms_1_macro_record_btn"); // no macro yet: one is made
        EXPECT_EQ(Text(editor, "ms_1_macro_name_edit"), QStringLiteral("Macro1"));
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QWidget* recordButton = Widget(editor, "ms_1_macro_record_btn");
        for (int repeat = 0; repeat < 3; ++repeat)
            Hook(editor, 0x41, 0);
        Hook(editor, 0x41, 1);
        Hook(editor, 513, 0);
        Hook(editor, 514, 0);
        // On the record button the side and right clicks count; a left press there is a stop,
        // left out with its release, even one that lands after the pointer has moved off.
        QCoreApplication::sendEvent(recordButton, &enter);
        Hook(editor, 523, 1);
        Hook(editor, 524, 1);
        Hook(editor, 516, 0);
        Hook(editor, 517, 0);
        Hook(editor, 513, 0);
        QCoreApplication::sendEvent(recordButton, &leave);
        Hook(editor, 514, 0);
        QCoreApplication::sendEvent(recordButton, &enter);
        Press(editor, "ms_1_macro_record_btn");
        Hook(editor, 0x42, 0); // after the stop: nowhere
        rows = Rows(editor);
        summary = Text(editor, "ms_1_macro_summary");
    });
    const std::vector<std::string> calls{"installhook(window)", "enablehook(1)",
        "mousewheelenable(0)", "enablemousehook(1)", "removehook", "removemousehook",
        "enablemousehook(0)", "enablehook(0)", "mousewheelenable(0)"};
    EXPECT_EQ(hookCalls, calls);
    const QString press =
        CResourceManager::GetInstance()->GetText(QStringLiteral("key_down_action"));
    const QString release =
        CResourceManager::GetInstance()->GetText(QStringLiteral("key_up_action"));
    ASSERT_EQ(rows.size(), 8U);
    EXPECT_EQ(rows[0], KeyName(0x04) + "/" + press + "/10 ms");
    EXPECT_EQ(rows[3], KeyName(kMouseLeftKey) + "/" + release + "/10 ms");
    EXPECT_EQ(rows[4], KeyName(kMouseXButton1Key) + "/" + press + "/10 ms");
    EXPECT_EQ(rows[7], KeyName(kMouseRightKey) + "/" + release + "/1 ms");
    EXPECT_TRUE(summary.contains(QStringLiteral("8 of 47"))) << summary.toStdString();
    MacroList stored;
    LoadMacroStore(folder.Data(), stored);
    ASSERT_EQ(stored.size(), 1U);
    EXPECT_EQ(stored[0]->actionCount, 8);
}

TEST_F(MacroWndTest, ClosedWhileRecordingItKeepsTheRecordingAndTheHookIsRemoved)
{
    Run([&](CMS_1_Macro& editor) {
        Press(editor, "ms_1_macro_record_btn");
        Hook(editor, 0x41, 0);
        editor.Close(1); // as the window manager closes it
    });
    EXPECT_EQ(hookCalls.back(), "mousewheelenable(0)");
    EXPECT_NE(std::ranges::find(hookCalls, "removehook"), hookCalls.end());
    MacroList stored;
    LoadMacroStore(folder.Data(), stored);
    ASSERT_EQ(stored.size(), 1U);
    EXPECT_EQ(stored[0]->actionCount, 1);
}

TEST_F(MacroWndTest, WhereTheHookCannotListenTheWindowsOwnKeysAndClicksAreRecorded)
{
    installResult = 0; // as in a Wayland session
    AddMacro(u"Reload", {});
    bool own = false;
    QString hint, name;
    std::vector<QString> rows;
    Run([&](CMS_1_Macro& editor) {
        editor.GetPaintManager()
            .FindControl<CListUI>(QStringLiteral("ms_1_macro_list"))
            ->SelectItem(0);
        Press(editor, "ms_1_no_delay_btn");
        Press(editor, "ms_1_macro_record_btn");
        own = editor.RecordsOwnEvents();
        hint = Text(editor, "ms_1_macro_record_hint");
        // Keys typed into the name field are the recording's, not the name's.
        QTest::keyClick(Widget(editor, "ms_1_macro_name_edit"), Qt::Key_A);
        QWidget* list =
            qobject_cast<QListWidget*>(Widget(editor, "ms_1_macro_action_list"))->viewport();
        QTest::mouseClick(list, Qt::RightButton);
        QTest::mouseClick(list, Qt::BackButton);
        // On the record button only the click that stops is not part of it.
        QTest::mouseClick(Widget(editor, "ms_1_macro_record_btn"), Qt::ForwardButton);
        QTest::mouseClick(Widget(editor, "ms_1_macro_record_btn"), Qt::LeftButton);
        rows = Rows(editor);
        name = Text(editor, "ms_1_macro_name_edit");
    });
    EXPECT_TRUE(own);
    EXPECT_EQ(
        hint, CResourceManager::GetInstance()->GetText(QStringLiteral("macro_record_own_text")));
    EXPECT_EQ(name, QStringLiteral("Reload"));
    ASSERT_EQ(rows.size(), 8U);
    EXPECT_TRUE(rows[0].startsWith(KeyName(0x04) + "/"));
    EXPECT_TRUE(rows[2].startsWith(KeyName(kMouseRightKey) + "/"));
    EXPECT_EQ(macros[0]->actionCount, 8);
    EXPECT_EQ(macros[0]->actions[4].key, kMouseXButton1Key) << "the back button is X button 1";
    EXPECT_EQ(macros[0]->actions[6].key, kMouseXButton2Key);
    EXPECT_EQ(macros[0]->actions[0].delay, 1);
}

TEST_F(MacroWndTest, TheActionEditorsChangeKeysButtonsAndHeldDelays)
{
    installResult = 0;
    AddMacro(u"Reload", {{0x04, 1, 30}, {0xF1, 2, 40}, {0x04, 2, 50}});
    std::vector<QString> shown;
    Run([&](CMS_1_Macro& editor) {
        auto* actions =
            editor.GetPaintManager().FindControl<CListUI>(QStringLiteral("ms_1_macro_action_list"));
        editor.GetPaintManager()
            .FindControl<CListUI>(QStringLiteral("ms_1_macro_list"))
            ->SelectItem(0);
        actions->SelectItem(0);
        Press(editor, "ms_1_macro_action_edit_check");
        // The key field takes the next key pressed while it has the focus.
        Focus(editor, "ms_1_macro_action_edit", true);
        QTest::keyClick(Widget(editor, "ms_1_macro_action_edit"), Qt::Key_B);
        Focus(editor, "ms_1_macro_action_edit", false);
        Type(editor, "ms_1_macro_delay_edit", QStringLiteral("0"));
        shown.push_back(Text(editor, "ms_1_macro_delay_edit"));
        // The mouse editor for a click; a delay past the most is held to it.
        actions->SelectItem(1);
        editor.GetPaintManager()
            .FindControl<CComboUI>(QStringLiteral("ms_1_macro_mouse_action_combo"))
            ->SelectItem(4);
        Type(editor, "ms_1_macro_mouseaction_delay_edit", QStringLiteral("99999"));
        shown.push_back(Text(editor, "ms_1_macro_mouseaction_delay_edit"));
        // The last action's pause is not edited.
        actions->SelectItem(2);
        shown.push_back(Text(editor, "ms_1_macro_delay_edit"));
        shown.push_back(
            Widget(editor, "ms_1_macro_delay_edit")->isEnabled() ? "enabled" : "disabled");
    });
    EXPECT_EQ(shown, (std::vector<QString>{"1", "25000", "1", "disabled"}));
    const MacroRecord& stored = *macros[0];
    EXPECT_EQ(stored.actions[0].key, 0x05);
    EXPECT_EQ(stored.actions[0].delay, 1);
    EXPECT_EQ(stored.actions[1].key, kMouseXButton2Key);
    EXPECT_EQ(stored.actions[1].kind, 2);
    EXPECT_EQ(stored.actions[1].delay, 25000);
    EXPECT_EQ(stored.actions[2].delay, 50);
}

TEST_F(MacroWndTest, AnUndoneDelayShowsTheStoredMacroWithTheEditorsSelection)
{
    // 23 actions of 200 ms and the last: 47 units, the most a macro may have.
    std::vector<MacroAction> actions(24, MacroAction{0x04, 1, 200});
    actions.back().delay = 1;
    auto macro = std::make_unique<MacroRecord>();
    WriteName(macro->name, u"Full");
    macro->actionCount = 24;
    std::ranges::copy(actions, macro->actions);
    macros.push_back(std::move(macro));
    int highlighted = -2, selected = -3;
    QString shown;
    Run([&](CMS_1_Macro& editor) {
        editor.GetPaintManager()
            .FindControl<CListUI>(QStringLiteral("ms_1_macro_list"))
            ->SelectItem(0);
        auto* list =
            editor.GetPaintManager().FindControl<CListUI>(QStringLiteral("ms_1_macro_action_list"));
        list->SelectItem(0);
        Press(editor, "ms_1_macro_action_edit_check");
        Type(editor, "ms_1_macro_delay_edit", QStringLiteral("150")); // 3 units: 48
        highlighted = list->GetCurSel();
        selected = editor.Editor().SelectedAction();
        shown = Text(editor, "ms_1_macro_delay_edit");
    });
    EXPECT_EQ(highlighted, selected) << "the next Remove, Up or Down acts on what is shown";
    EXPECT_NE(shown, QStringLiteral("150"));
    EXPECT_EQ(macros[0]->actions[0].delay, 200);
}

TEST_F(MacroWndTest, EitherWayOutOfActionEditingKeepsTheEditsAndNeitherSaysCancel)
{
    AddMacro(u"Reload", {{0x04, 1, 30}, {0x04, 2, 1}});
    std::vector<QString> labels;
    Run([&](CMS_1_Macro& editor) {
        editor.GetPaintManager()
            .FindControl<CListUI>(QStringLiteral("ms_1_macro_list"))
            ->SelectItem(0);
        editor.GetPaintManager()
            .FindControl<CListUI>(QStringLiteral("ms_1_macro_action_list"))
            ->SelectItem(0);
        Press(editor, "ms_1_macro_action_edit_check");
        Type(editor, "ms_1_macro_delay_edit", QStringLiteral("45"));
        Press(editor, "ms_1_macro_cancel_btn");
        labels = {Text(editor, "ms_1_macro_cancel_btn"), Text(editor, "ms_1_macro_save_btn")};
    });
    EXPECT_EQ(macros[0]->actions[0].delay, 45);
    const auto text = [](const char* id) {
        return CResourceManager::GetInstance()->GetText(QLatin1String(id));
    };
    for (const QString& label : labels)
        for (const char* dialogWord : {"cancel_text", "ok_text"})
            EXPECT_NE(label, text(dialogWord)) << "it leaves the editor; nothing is undone";
}

TEST_F(MacroWndTest, DeleteWithNoMacroChosenAsksNothingAndDeletesNothing)
{
    AddMacro(u"Reload", {});
    AddMacro(u"Jump", {});
    int asked = 0;
    Run([&](CMS_1_Macro& editor) {
        otherWindow = [&](CWindowWnd& box) {
            ++asked;
            box.Close(1);
        };
        // Focus alone makes the first row current without choosing it.
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(Widget(editor, "ms_1_macro_list"), &in);
        Press(editor, "ms_1_macro_delete_btn");
    });
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(macros.size(), 2U);
}

// The mouse plays the codes: what a button inserts must be what its label, its row and its
// combo entry say, and every mouse code opens the mouse editor.
TEST_F(MacroWndTest, EachClickInsertIsAMouseActionNamedAlikeOnItsButtonRowAndComboEntry)
{
    // The rows' names through the language file, as the program reads them.
    const KeyTextLookup before = SetKeyTextLookup([](std::u16string_view id) {
        return CResourceManager::GetInstance()
            ->GetText(QString::fromStdU16String(std::u16string(id)))
            .toStdU16String();
    });
    AddMacro(u"Clicks", {});
    std::vector<QString> labels, rows, entries;
    std::vector<int> pages;
    Run([&](CMS_1_Macro& editor) {
        auto* actions =
            editor.GetPaintManager().FindControl<CListUI>(QStringLiteral("ms_1_macro_action_list"));
        editor.GetPaintManager()
            .FindControl<CListUI>(QStringLiteral("ms_1_macro_list"))
            ->SelectItem(0);
        for (int n = 1; n <= 5; ++n) {
            const QByteArray name = QStringLiteral("ms_1_macro_key%1_btn").arg(n).toLatin1();
            labels.push_back(
                qobject_cast<QAbstractButton*>(Widget(editor, name.constData()))->text());
            Press(editor, name.constData());
        }
        for (const QString& row : Rows(editor))
            rows.push_back(row.section('/', 0, 0));
        Press(editor, "ms_1_macro_action_edit_check");
        auto* combo = editor.GetPaintManager().FindControl<CComboUI>(
            QStringLiteral("ms_1_macro_mouse_action_combo"));
        auto* tab = editor.GetPaintManager().FindControl<CTabLayoutUI>(
            QStringLiteral("ms_1_macro_action_edit_tab"));
        for (int n = 0; n < 5; ++n) {
            actions->SelectItem(2 * n);
            pages.push_back(tab->GetCurSel());
            entries.push_back(combo->GetItemText(combo->GetCurSel()));
        }
    });
    SetKeyTextLookup(before);
    const std::vector<uint8_t> inserted{0xF1, 0xF2, 0xF3, 0xF5, 0xF4};
    ASSERT_EQ(macros[0]->actionCount, 10);
    ASSERT_EQ(rows.size(), 10U);
    for (int n = 0; n < 5; ++n) {
        EXPECT_EQ(macros[0]->actions[2 * n].key, inserted[n]) << "button " << n + 1;
        EXPECT_EQ(rows[2 * n].compare(labels[n], Qt::CaseInsensitive), 0)
            << rows[2 * n].toStdString() << " inserted by " << labels[n].toStdString();
        EXPECT_EQ(pages[n], 2) << "the mouse editor for " << rows[2 * n].toStdString();
        EXPECT_EQ(entries[n].toStdString(), labels[n].toStdString());
    }
}

TEST_F(MacroWndTest, NamesFilesAndDeletionsAskOrRestoreAndNeverLoseAMacro)
{
    AddMacro(u"Reload", {{0x04, 1, 30}, {0x04, 2, 1}});
    AddMacro(u"Jump", {});
    const std::string exported = folder.Root().string() + "/reload.macro";
    const std::string broken = folder.Root().string() + "/broken.macro";
    test::WriteBytes(broken, std::vector<unsigned char>(239, 0));
    // A folder where the export would go: it cannot be written.
    const std::string unwritable = folder.Root().string() + "/taken.macro";
    std::filesystem::create_directories(unwritable);
    std::vector<QString> asked;
    std::vector<QString> names;
    Run([&](CMS_1_Macro& editor) {
        auto* list =
            editor.GetPaintManager().FindControl<CListUI>(QStringLiteral("ms_1_macro_list"));
        otherWindow = [&](CWindowWnd& box) {
            asked.push_back(box.GetWidget()->findChild<QLabel*>(QStringLiteral("warning"))->text());
            box.Close(0);
        };
        list->SelectItem(1);
        Type(editor, "ms_1_macro_name_edit", QStringLiteral("RELOAD"));
        names.push_back(Text(editor, "ms_1_macro_name_edit"));
        list->SelectItem(0);
        SetNextFileNameForTesting(QString::fromStdString(exported));
        Press(editor, "ms_1_macro_export_btn");
        for (int i = 0; i < 2; ++i) {
            SetNextFileNameForTesting(QString::fromStdString(exported));
            Press(editor, "ms_1_macro_import_btn");
        }
        SetNextFileNameForTesting(QString::fromStdString(broken));
        Press(editor, "ms_1_macro_import_btn");
        SetNextFileNameForTesting(QString::fromStdString(unwritable));
        Press(editor, "ms_1_macro_export_btn");
        // Declined, the deletion changes nothing.
        Press(editor, "ms_1_macro_delete_btn");
        for (int row = 0; row < list->GetCount(); ++row)
            names.push_back(list->GetItemText(row));
        names.push_back(Text(editor, "ms_1_macro_name_edit"));
    });
    const auto text = [](const char* id) {
        return CResourceManager::GetInstance()->GetText(QLatin1String(id));
    };
    EXPECT_EQ(asked,
        (std::vector<QString>{text("macro_file_error_text"), text("macro_export_error_text"),
            text("delete_macro_text")}));
    EXPECT_EQ(names,
        (std::vector<QString>{"Jump", "Reload", "Jump", "Reload_1", "Reload_2", "Reload_2"}));
    MacroList stored;
    LoadMacroStore(folder.Data(), stored);
    ASSERT_EQ(stored.size(), 4U);
    EXPECT_EQ(stored[3]->actionCount, 2);
    EXPECT_EQ(stored[3]->actions[0].delay, 30);
}

} // namespace
} // namespace kestrin
