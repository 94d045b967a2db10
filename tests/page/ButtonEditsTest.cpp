// Button edits on the device page: the function menu, the dialogs it opens and the library
// windows, each edit landing on the profile it was made for whatever arrives meanwhile.
#include "app/InstanceCommands.h"
#include "base/RecordNames.h"
#include "page/ShortcutWnd.h"
#include "page/library/GunWnd.h"
#include "page/library/MacroWnd.h"
#include "patterns/GunRecord.h"
#include "profiles/ButtonRelink.h"
#include "tests/page/DevicePageFixture.h"
#include "tests/support/FailingFileCalls.h"
#include "ui/ListUI.h"
#include "ui/MenuWnd.h"
#include "ui/MsgWnd.h"
#include "ui/NameDialog.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace kestrin {
namespace {

class ButtonEditsTest : public DevicePageTest {
protected:
    // Two profiles, the first current, before the window loads them.
    void OpenWithTwoProfiles(const std::function<void(ProfileRecord&, ProfileRecord&)>& fill = {})
    {
        ProfileList list;
        list.push_back(NewProfileRecord(u"Profile1"));
        list.push_back(NewProfileRecord(u"Arena"));
        if (fill)
            fill(*list[0], *list[1]);
        auto header = std::make_unique<ProfileStoreHeader>();
        ASSERT_TRUE(SaveProfileStore(folder.Data(), list, *header).ok());
        StartMouse({vmouse::Link::Cable});
        OpenWindow();
    }
    ProfileRecord Profile(std::size_t index)
    {
        return Page().Profiles().Edit([&] { return *Page().Profiles().list.at(index); });
    }
    QWidget* Widget(const QString& name)
    {
        CControlUI* control = window->GetPaintManager().FindControl(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control ? control->GetWidget() : nullptr;
    }
    void Press(int button)
    {
        qobject_cast<QAbstractButton*>(Widget(QStringLiteral("ms_1_btn_key_%1").arg(button)))
            ->click();
    }
    static void Click(CWindowWnd& dialog, const char* name)
    {
        auto& controls = dynamic_cast<WindowImplBase&>(dialog).GetPaintManager();
        qobject_cast<QAbstractButton*>(controls.FindControl(QLatin1String(name))->GetWidget())
            ->click();
    }
    // Runs a command of the instance socket and returns its answer, or "-" while it has none.
    QString Command(const char* command)
    {
        QString answered = QStringLiteral("-");
        RunInstanceCommand(*window, QLatin1String(command),
            [&answered](const QByteArray& answer) { answered = QString::fromUtf8(answer); });
        return answered;
    }
};

TEST_F(ButtonEditsTest, AShortcutLandsOnTheProfileItsDialogWasOpenedOn)
{
    OpenWithTwoProfiles();
    // kestrinctl while the dialog waits: nothing that switches, sends or chooses is taken.
    std::vector<QString> answers;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& dialog) {
        for (const char* command : {"use Arena", "apply", "apply wait", "menu ms_1_click"})
            answers.push_back(Command(command));
        answers.push_back(Command("status").left(2));
        Click(dialog, "check_flag_1");
        dialog.Close(1);
    });
    Press(3);
    Page().AssignFunction(QStringLiteral("ms_1_shortcut"));
    EXPECT_EQ(answers, (std::vector<QString>{"busy", "busy", "busy", "busy", "ok"}));
    EXPECT_EQ(Page().CurrentStatus().profile, u"Profile1");
    EXPECT_EQ(Profile(0).buttons[2].functionCode, kFunctionKeyShortcut);
    EXPECT_EQ(Profile(0).buttons[2].shortcutModifiers, kModifierCtrl);
    EXPECT_EQ(Profile(1).buttons[2].functionCode, kDefaultFunctionCodes[2]);

    // Switched under the dialog all the same: the choice is for no other profile.
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& dialog) {
        Page().UseProfile(u"Arena");
        Click(dialog, "check_flag_1");
        dialog.Close(1);
    });
    Press(4);
    Page().AssignFunction(QStringLiteral("ms_1_shortcut"));
    CWindowWnd::SetModalHookForTesting(nullptr);
    for (std::size_t profile : {0U, 1U})
        EXPECT_EQ(Profile(profile).buttons[3].functionCode, kDefaultFunctionCodes[3]) << profile;

    // A menu item named once the menu has closed without a choice chooses nothing.
    Press(4);
    Page().Buttons().Menu()->GetWidget()->hide(); // as Escape or a click elsewhere
    Page().AssignFunction(QStringLiteral("ms_1_mute"));
    EXPECT_EQ(Profile(1).buttons[3].functionCode, kDefaultFunctionCodes[3]);
}

TEST_F(ButtonEditsTest, TheMenuOpensOnTheButtonsFunctionAndItsArrowsCrossItsColumns)
{
    OpenWithTwoProfiles([](ProfileRecord& p, ProfileRecord&) { p.buttons[4].functionCode = 71; });
    Press(5);
    QWidget* menu = Page().Buttons().Menu()->GetWidget();
    QWidget* mute = menu->focusWidget();
    ASSERT_NE(mute, nullptr);
    EXPECT_EQ(mute->objectName(), QStringLiteral("ms_1_mute"));
    const auto key = [&](Qt::Key pressed) {
        QKeyEvent event(QEvent::KeyPress, pressed, Qt::NoModifier);
        QCoreApplication::sendEvent(menu->focusWidget(), &event);
        return menu->focusWidget();
    };
    const auto at = [&](QWidget* item) { return item->mapTo(menu, QPoint(0, 0)); };
    QWidget* right = key(Qt::Key_Right);
    EXPECT_GT(at(right).x(), at(mute).x());
    EXPECT_EQ(at(right).y(), at(mute).y()) << "the same row of the next column";
    EXPECT_EQ(key(Qt::Key_Left), mute);
    QWidget* below = key(Qt::Key_Down);
    EXPECT_EQ(at(below).x(), at(mute).x());
    EXPECT_GT(at(below).y(), at(mute).y());
}

TEST_F(ButtonEditsTest, ARenamedMacroOrPatternKeepsItsButtonsInEveryProfile)
{
    OpenWithTwoProfiles();
    Page().Profiles().Edit([&] {
        DeviceProfiles& profiles = Page().Profiles();
        auto macro = std::make_unique<MacroRecord>();
        WriteName(macro->name, u"Reload");
        macro->actionCount = 2;
        macro->actions[0] = {0x04, 1, 30};
        macro->actions[1] = {0x04, 2, 1};
        profiles.macros.push_back(std::move(macro));
        profiles.guns.push_back(NewGunRecord(u"Spray"));
        for (std::size_t index : {0U, 1U}) {
            ButtonSlot& slot = profiles.list[index]->buttons[4];
            slot.functionCode = kFunctionMacro;
            CopyMacroIntoSlot(slot, *profiles.macros[0], 0);
        }
        ButtonSlot& pattern = profiles.list[1]->buttons[5];
        pattern.functionCode = kFunctionRecoilPattern;
        CopyGunIntoSlot(pattern, *profiles.guns[0], 0);
    });
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& dialog) {
        auto& controls = dynamic_cast<WindowImplBase&>(dialog).GetPaintManager();
        if (dynamic_cast<CMS_1_Macro*>(&dialog)) {
            controls.FindControl<CListUI>(QStringLiteral("ms_1_macro_list"))->SelectItem(0);
            QWidget* name =
                controls.FindControl(QStringLiteral("ms_1_macro_name_edit"))->GetWidget();
            qobject_cast<QLineEdit*>(name)->setText(QStringLiteral("Reload fast"));
            QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(name, &out);
        } else if (dynamic_cast<CMS_1_Gun*>(&dialog)) {
            controls.FindControl<CListUI>(QStringLiteral("gun_list"))->SelectItem(0);
            Click(dialog, "rename_btn");
        } else if (dynamic_cast<CMS_1_NameDialog*>(&dialog)) {
            qobject_cast<QLineEdit*>(controls.FindControl(QStringLiteral("edit_name"))->GetWidget())
                ->setText(QStringLiteral("Spray long"));
            Click(dialog, "btn_ok");
            return;
        }
        Click(dialog, "btn_exit");
    });
    QTest::mouseClick(Widget(QStringLiteral("ms_1_btn_macro")), Qt::LeftButton);
    QTest::mouseClick(Widget(QStringLiteral("ms_1_btn_gun")), Qt::LeftButton);
    CWindowWnd::SetModalHookForTesting(nullptr);
    for (std::size_t index : {0U, 1U}) {
        const ButtonSlot slot = Profile(index).buttons[4];
        EXPECT_EQ(slot.functionCode, kFunctionMacro) << index;
        EXPECT_EQ(ReadName(slot.assignedName), u"Reload fast") << index;
    }
    EXPECT_EQ(Profile(1).buttons[5].functionCode, kFunctionRecoilPattern);
    EXPECT_EQ(ReadName(Profile(1).buttons[5].assignedName), u"Spray long");
}

TEST_F(ButtonEditsTest, ALibraryChangeOnAFullDiskIsSavedLaterAndOnlyThenCalledSaved)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    const std::string macroStore = folder.Data() + "ms_1/macro.data";
    const auto hint = [&] { return Control("ms_1_footer_hint")->GetText(); };
    const QString recovered =
        CResourceManager::GetInstance()->GetText(QStringLiteral("save_recovered_text"));
    // A macro added in the library while nothing can be saved, the window closed.
    const auto addMacroOnAFullDisk = [&] {
        test::FailingWrites diskFull(0);
        CWindowWnd::SetModalHookForTesting([&](CWindowWnd& dialog) {
            Click(dialog, "ms_1_macro_add_btn");
            Click(dialog, "btn_exit");
        });
        QTest::mouseClick(Widget(QStringLiteral("ms_1_btn_macro")), Qt::LeftButton);
        CWindowWnd::SetModalHookForTesting(nullptr);
    };
    addMacroOnAFullDisk();
    ASSERT_EQ(Page().Profiles().macros.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(macroStore));

    // The mouse's next change saves pro.data, and the macros with it, before anything is called
    // saved.
    Event(WM_CABLE_EVENT, 0x1010, 3);
    Expire(TIMER_STORE_MOUSE_CHANGES);
    ASSERT_TRUE(WaitFor([&] { return hint() == recovered; })) << hint().toStdString();
    EXPECT_EQ(std::filesystem::file_size(macroStore), sizeof(MacroRecord));

    // Exit while the disk is still full says which store is lost and why, and may be cancelled.
    addMacroOnAFullDisk();
    EXPECT_NE(hint(), recovered);
    std::vector<QString> told;
    const auto exit = [&] {
        auto* command = new MenuCmd;
        command->szName = QStringLiteral("exit");
        window->SendMessage(WM_MENU_COMMAND, reinterpret_cast<uintptr_t>(command), 0);
    };
    {
        test::FailingWrites diskFull(0);
        CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
            told.push_back(box.GetWidget()->findChild<QLabel*>(QStringLiteral("warning"))->text());
            box.Close(0);
        });
        exit();
        CWindowWnd::SetModalHookForTesting(nullptr);
    }
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].contains(QString::fromStdString(macroStore))) << told[0].toStdString();
    EXPECT_TRUE(told[0].contains(QStringLiteral("No space left on device")));
    ASSERT_TRUE(window->IsWindow()) << "cancelled: the program goes on";

    // With room again, Exit saves what was left and leaves without a word.
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd&) { ADD_FAILURE() << "no box"; });
    exit();
    CWindowWnd::SetModalHookForTesting(nullptr);
    EXPECT_EQ(std::filesystem::file_size(macroStore), 2 * sizeof(MacroRecord));
    ASSERT_TRUE(WaitFor([&] { return !window->IsWindow(); }));
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

} // namespace
} // namespace kestrin
