// The buttons section of the device page: functions, the shortcut dialog, the drawing, and
// macros and patterns chosen from their libraries.
#include "tests/page/SettingsPageFixture.h"

namespace kestrin {
namespace {

TEST_F(SettingsPageTest, LabelsTellEachFunctionAndALeftClickAlwaysRemainsOnButtons1To16)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    EditProfile([](ProfileRecord& p) {
        p.buttons[2].functionCode = kFunctionKeyShortcut;
        p.buttons[2].shortcutModifiers = kModifierCtrl | kModifierShift;
        p.buttons[2].shortcutKey = 0x04; // A
        p.buttons[4].functionCode = kFunctionMacro;
        WriteName(p.buttons[4].assignedName, u"Reload");
        p.buttons[7].functionCode = 250; // no function the table knows
    });
    Page().RefreshSettingsControls();
    const auto text = [](const char* id) {
        return CResourceManager::GetInstance()->GetText(QString::fromLatin1(id));
    };
    EXPECT_EQ(TextOf("ms_1_btn_key_1"), text("left_click_text"));
    EXPECT_EQ(TextOf("ms_1_btn_key_3"),
        text("keyboard_ctrl_text") + "+" + text("keyboard_shift_text") + "+A");
    EXPECT_EQ(TextOf("ms_1_btn_key_5"), text("assign_macro_text") + "Reload");
    EXPECT_EQ(TextOf("ms_1_btn_key_8"), QString());

    const auto press = [&](int n) {
        qobject_cast<QPushButton*>(As(QStringLiteral("ms_1_btn_key_%1").arg(n))->GetWidget())
            ->click();
    };
    press(13);
    EXPECT_EQ(Page().Buttons().Menu(), nullptr) << "buttons 13 to 18 offer no other function";

    std::vector<QString> told;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        told.push_back(box.GetWidget()->findChild<QLabel*>(QStringLiteral("warning"))->text());
        box.Close(1);
    });
    // Button 1 is the only left click of buttons 1 to 16; one on button 17 does not count.
    EditProfile([](ProfileRecord& p) { p.buttons[16].functionCode = 1; });
    press(1);
    ASSERT_NE(Page().Buttons().Menu(), nullptr);
    EXPECT_EQ(Page().Buttons().EditedSlot(), 0);
    Page().AssignFunction(QStringLiteral("ms_1_menu"));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], text("one_click_text"));
    EXPECT_EQ(CurrentProfile().buttons[0].functionCode, 1);
    EXPECT_EQ(TextOf("ms_1_btn_key_1"), text("left_click_text"));

    // With a left click on button 2, button 1 is free.
    press(2);
    Page().AssignFunction(QStringLiteral("MS_1_CLICK")); // names match without regard to case
    press(1);
    Page().AssignFunction(QStringLiteral("ms_1_menu"));
    CWindowWnd::SetModalHookForTesting(nullptr);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(CurrentProfile().buttons[1].functionCode, 1);
    EXPECT_EQ(CurrentProfile().buttons[0].functionCode, 2);
    EXPECT_EQ(TextOf("ms_1_btn_key_1"), text("right_click_text"));
}

TEST_F(SettingsPageTest, AChosenFunctionReachesTheMouseInTheButtonMap)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();
    qobject_cast<QPushButton*>(As("ms_1_btn_key_5")->GetWidget())->click();
    Page().AssignFunction(QStringLiteral("ms_1_mute"));
    ASSERT_EQ(CurrentProfile().buttons[4].functionCode, 71);
    WaitForApply();
    const ProfileRecord profile = CurrentProfile();
    const std::string expected =
        ToHex(BuildButtonMapReport(profile, Page().Profiles().slotTable).data());
    EXPECT_EQ(ReportsWithId("08"), std::vector<std::string>{"cable " + expected + " accepted"});
}

TEST_F(SettingsPageTest, TheShortcutDialogOpensWithTheButtonsShortcutAndCapturesTheKeyPressed)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    EditProfile([](ProfileRecord& p) {
        p.buttons[2].functionCode = kFunctionKeyShortcut;
        p.buttons[2].shortcutModifiers = 0x03;
        p.buttons[2].shortcutKey = 0x0E; // K
    });
    const auto press = [&](int n) {
        qobject_cast<QPushButton*>(As(QStringLiteral("ms_1_btn_key_%1").arg(n))->GetWidget())
            ->click();
    };
    const auto keyText = [](const char* id) {
        return CResourceManager::GetInstance()->GetText(QString::fromLatin1(id));
    };
    const auto keyPress = [](QWidget* to, Qt::Key key, quint32 scanCode) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, scanCode, 0, 0);
        QCoreApplication::sendEvent(to, &event);
    };
    // Focus as the window system gives it, whether or not the offscreen window is active.
    const auto focus = [](QWidget* to, QEvent::Type type) {
        QFocusEvent event(type, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(to, &event);
    };

    // No hook library here: the field takes the dialog's own key presses.
    std::vector<bool> ticked;
    QString shown;
    QString captured;
    QString afterFocusLeft;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        CPaintManagerUI& controls = dynamic_cast<WindowImplBase&>(box).GetPaintManager();
        for (int n = 1; n <= 4; ++n)
            ticked.push_back(dynamic_cast<CCheckBoxUI*>(
                controls.FindControl(QStringLiteral("check_flag_%1").arg(n)))
                                 ->GetCheck());
        QWidget* field = controls.FindControl(QStringLiteral("edit_key"))->GetWidget();
        shown = qobject_cast<QLineEdit*>(field)->text();
        focus(field, QEvent::FocusIn);
        keyPress(field, Qt::Key_Control, 29 + 8); // Left Ctrl: a modifier can be the key
        captured = qobject_cast<QLineEdit*>(field)->text();
        focus(field, QEvent::FocusOut);
        keyPress(field, Qt::Key_A, 30 + 8);
        afterFocusLeft = qobject_cast<QLineEdit*>(field)->text();
        box.Close(1);
    });
    press(3);
    Page().AssignFunction(QStringLiteral("ms_1_shortcut"));
    EXPECT_EQ(ticked, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(shown, QStringLiteral("K"));
    EXPECT_EQ(captured, keyText("key_LCtrl"));
    EXPECT_EQ(afterFocusLeft, captured) << "no capture once the field has lost the focus";
    EXPECT_EQ(CurrentProfile().buttons[2].shortcutKey, 0xE0);
    EXPECT_EQ(CurrentProfile().buttons[2].shortcutModifiers, 0x03);

    // Through the hook library: a virtual key without a row stores no key. OK with nothing
    // ticked and no key keeps the button's function.
    HookTable hooks;
    hooks.installhook = [](KestrinWindow) { return 1; };
    Page().Buttons().SetHooks(&hooks);
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        CPaintManagerUI& controls = dynamic_cast<WindowImplBase&>(box).GetPaintManager();
        focus(controls.FindControl(QStringLiteral("edit_key"))->GetWidget(), QEvent::FocusIn);
        const auto field = [&] {
            return qobject_cast<QLineEdit*>(
                controls.FindControl(QStringLiteral("edit_key"))->GetWidget())
                ->text();
        };
        box.SendMessage(WM_HOOK_EVENT, 0x41, 0);
        shown = field();
        box.SendMessage(WM_HOOK_EVENT, 0x10, 0); // the generic Shift key
        captured = field();
        box.Close(1);
    });
    press(4);
    Page().AssignFunction(QStringLiteral("ms_1_shortcut"));
    CWindowWnd::SetModalHookForTesting(nullptr);
    Page().Buttons().SetHooks(nullptr);
    EXPECT_EQ(shown, QStringLiteral("A"));
    EXPECT_EQ(captured, QString());
    EXPECT_EQ(CurrentProfile().buttons[3].functionCode, kDefaultFunctionCodes[3]);
}

TEST_F(SettingsPageTest, NearTheScreensBottomTheMenuOpensUpwardsEndingBelowTheButtonsTop)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    QWidget* button = As("ms_1_btn_key_1")->GetWidget();
    const QRect screen = button->screen()->geometry();
    const auto open = [&] {
        qobject_cast<QPushButton*>(button)->click();
        return Page().Buttons().Menu()->GetWidget()->geometry();
    };
    window->GetWidget()->move(0, 0);
    const int top = button->mapToGlobal(QPoint(0, 0)).y();
    QRect menu = open();
    ASSERT_LT(top + menu.height(), screen.bottom());
    EXPECT_EQ(menu.top(), top) << "room below: the menu opens at the button's top";

    // Down so far that the menu would pass the screen's bottom.
    window->GetWidget()->move(0, screen.bottom() - (top - 0) - 40);
    const int lowTop = button->mapToGlobal(QPoint(0, 0)).y();
    menu = open();
    ASSERT_GE(lowTop + menu.height(), screen.bottom() + 1);
    EXPECT_EQ(menu.bottom() + 1, lowTop + 25);
}

TEST_F(SettingsPageTest, TheDrawingAndTheButtonControlsPointAtEachOther)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    EXPECT_EQ(Page().Buttons().Drawing(), nullptr) << "drawn once its section opens";
    Click("ms_1_check_button");
    MouseDrawing* drawing = Page().Buttons().Drawing();
    ASSERT_NE(drawing, nullptr);
    drawing->resize(520, 210);
    for (int n = 1; n <= kButtonCount; ++n) {
        const QRectF rect = drawing->ButtonRect(n);
        ASSERT_FALSE(rect.isEmpty()) << "button " << n << " is not in the drawing";
        EXPECT_EQ(drawing->ButtonAt(rect.center()), n) << "the drawing tells button " << n;
    }
    const auto highlighted = [&](int n) {
        return As(QStringLiteral("ms_1_btn_key_%1").arg(n))
            ->GetWidget()
            ->property("highlight")
            .toBool();
    };
    const auto moveTo = [&](QPointF point) {
        QMouseEvent move(QEvent::MouseMove, point, drawing->mapToGlobal(point), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(drawing, &move);
    };

    moveTo(drawing->ButtonRect(7).center());
    EXPECT_TRUE(highlighted(7));
    EXPECT_EQ(drawing->Highlight(), 7);
    moveTo(drawing->ButtonRect(12).center());
    EXPECT_FALSE(highlighted(7));
    EXPECT_TRUE(highlighted(12));
    moveTo(QPointF(1, 1));
    EXPECT_FALSE(highlighted(12));
    EXPECT_EQ(drawing->Highlight(), 0);

    QWidget* control = As("ms_1_btn_key_5")->GetWidget();
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(control, &enter);
    EXPECT_EQ(drawing->Highlight(), 5);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(control, &leave);
    EXPECT_EQ(drawing->Highlight(), 0);
}

TEST_F(SettingsPageTest, MacrosAndPatternsAreChosenInTheirSelectionDialogs)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    Page().Profiles().Edit([&] {
        AddMacros({u"Reload", u"Jump"});
        Page().Profiles().guns.push_back(NewGunRecord(u"Spray"));
    });
    const auto press = [&](int n) {
        qobject_cast<QPushButton*>(As(QStringLiteral("ms_1_btn_key_%1").arg(n))->GetWidget())
            ->click();
    };
    const auto loopRowShown = [](CPaintManagerUI& controls) {
        return !controls.FindControl(QStringLiteral("hor_loop_time"))->GetWidget()->isHidden();
    };
    const auto typeLoops = [](CPaintManagerUI& controls, const QString& typed) {
        QWidget* edit = controls.FindControl(QStringLiteral("edit_loop_time"))->GetWidget();
        qobject_cast<QLineEdit*>(edit)->clear();
        QTest::keyClicks(edit, typed);
        QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(edit, &out);
        return qobject_cast<QLineEdit*>(edit)->text();
    };

    std::vector<QString> rows;
    std::vector<bool> loopShown;
    std::vector<QString> loopTexts;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        CPaintManagerUI& controls = dynamic_cast<WindowImplBase&>(box).GetPaintManager();
        auto* list = dynamic_cast<CListUI*>(controls.FindControl(QStringLiteral("list_macro")));
        for (int row = 0; row < list->GetCount(); ++row)
            rows.push_back(list->GetItemText(row));
        EXPECT_TRUE(
            controls.FindControl(QStringLiteral("select_empty_hint"))->GetWidget()->isHidden())
            << "the hint is for an empty library";
        loopShown.push_back(loopRowShown(controls));
        dynamic_cast<COptionUI*>(controls.FindControl(QStringLiteral("repeat_2")))->Selected(true);
        loopShown.push_back(loopRowShown(controls));
        dynamic_cast<COptionUI*>(controls.FindControl(QStringLiteral("repeat_1")))->Selected(true);
        loopShown.push_back(loopRowShown(controls));
        loopTexts.push_back(typeLoops(controls, QStringLiteral("0")));
        loopTexts.push_back(typeLoops(controls, QStringLiteral("3a0x0")));
        list->SelectItem(1);
        box.Close(1);
    });
    press(5);
    Page().AssignFunction(QStringLiteral("ms_1_select_macro"));
    EXPECT_EQ(rows, (std::vector<QString>{QStringLiteral("Reload"), QStringLiteral("Jump")}));
    EXPECT_EQ(loopShown, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(loopTexts, (std::vector<QString>{QStringLiteral("1"), QStringLiteral("255")}))
        << "letters go at once; 0 plays once, 300 is held to 255";
    ProfileRecord profile = CurrentProfile();
    const ButtonSlot& macroSlot = profile.buttons[4];
    EXPECT_EQ(macroSlot.functionCode, kFunctionMacro);
    EXPECT_EQ(macroSlot.macroIndex, 1);
    EXPECT_EQ(macroSlot.playMode, 0);
    EXPECT_EQ(macroSlot.repeatCount, 255);
    EXPECT_EQ(macroSlot.stepCount, 2);
    EXPECT_EQ(ReadName(macroSlot.assignedName), u"Jump");
    EXPECT_EQ(TextOf("ms_1_btn_key_5"),
        CResourceManager::GetInstance()->GetText(QStringLiteral("assign_macro_text")) + "Jump");

    // A pattern plays while held: its dialog offers no mode, only the loop count, and shows the
    // stored count when it opens again. OK with no row changes nothing.
    std::vector<QString> patternLoops;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        CPaintManagerUI& controls = dynamic_cast<WindowImplBase&>(box).GetPaintManager();
        EXPECT_EQ(controls.FindControl(QStringLiteral("repeat_2")), nullptr);
        patternLoops.push_back(loopRowShown(controls)
                ? controls.FindControl(QStringLiteral("edit_loop_time"))->GetText()
                : QStringLiteral("hidden"));
        typeLoops(controls, QStringLiteral("7"));
        dynamic_cast<CListUI*>(controls.FindControl(QStringLiteral("list_macro")))->SelectItem(0);
        box.Close(1);
    });
    for (int again = 0; again < 2; ++again) {
        press(6);
        Page().AssignFunction(QStringLiteral("ms_1_select_gun"));
    }
    EXPECT_EQ(patternLoops, (std::vector<QString>{QStringLiteral("1"), QStringLiteral("7")}));
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) { box.Close(1); });
    press(7);
    Page().AssignFunction(QStringLiteral("ms_1_select_gun"));
    CWindowWnd::SetModalHookForTesting(nullptr);
    profile = CurrentProfile();
    EXPECT_EQ(profile.buttons[5].functionCode, kFunctionRecoilPattern);
    EXPECT_EQ(profile.buttons[5].playMode, kPatternPlayMode);
    EXPECT_EQ(profile.buttons[5].patternIndex, 0);
    EXPECT_EQ(profile.buttons[5].repeatCount, 7);
    EXPECT_EQ(profile.buttons[6].functionCode, kDefaultFunctionCodes[6]);
}

// The pattern library's window is made once and kept: opened again, it shows the library as it
// is by then (a pattern came with an imported profile meanwhile), nothing selected.
TEST_F(SettingsPageTest, ThePatternLibraryOpensAgainOnTheSameRowsShowingTheLibraryAfresh)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    struct Seen {
        QWidget* firstRow = nullptr;
        int rows = -1;
        int selected = -2;
        bool rowEnabled = true;
    };
    const auto open = [&] {
        Seen seen;
        CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
            CPaintManagerUI& controls = dynamic_cast<WindowImplBase&>(box).GetPaintManager();
            auto* list = controls.FindControl<CListUI>(QStringLiteral("gun_list"));
            CControlUI* row = controls.FindControl(QStringLiteral("edit_zidan_x_1"));
            seen = {row->GetWidget(), list->GetCount(), list->GetCurSel(), row->IsEnabled()};
            // Left with a pattern added and selected.
            controls.SendNotify(controls.FindControl(QStringLiteral("add_btn")), DUI_MSGTYPE_CLICK);
            box.Close(1);
        });
        Click("ms_1_check_button");
        Click("ms_1_btn_gun");
        Click("ms_1_check_button");
        CWindowWnd::SetModalHookForTesting(nullptr);
        return seen;
    };
    const Seen first = open();
    ASSERT_NE(first.firstRow, nullptr);
    EXPECT_EQ(first.rows, 0);
    Page().Profiles().Edit([&] {
        auto gun = std::make_unique<GunRecord>();
        WriteName(gun->name, u"Imported");
        Page().Profiles().guns.push_back(std::move(gun));
    });
    const Seen again = open();
    EXPECT_EQ(again.firstRow, first.firstRow) << "the same rows";
    EXPECT_EQ(again.rows, 2);
    EXPECT_EQ(again.selected, -1);
    EXPECT_FALSE(again.rowEnabled) << "no pattern to edit";
}

TEST_F(SettingsPageTest, AClosedMacroLibraryRelinksTheButtonsAndSendsWhatChanged)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    Page().Profiles().Edit([&] {
        AddMacros({u"Reload", u"Jump"});
        ButtonSlot& slot = Page().Profiles().Current()->buttons[4];
        CopyMacroIntoSlot(slot, *Page().Profiles().macros[1], 1);
        slot.functionCode = kFunctionMacro;
    });
    SendEverythingFirst();
    ASSERT_TRUE(As("ms_1_btn_macro")->IsEnabled());

    int rowsAtOpen = -1;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        CPaintManagerUI& controls = dynamic_cast<WindowImplBase&>(box).GetPaintManager();
        const auto press = [&](const char* name) {
            qobject_cast<QPushButton*>(controls.FindControl(QLatin1String(name))->GetWidget())
                ->click();
        };
        auto* list =
            dynamic_cast<CListUI*>(controls.FindControl(QStringLiteral("ms_1_macro_list")));
        rowsAtOpen = list->GetCount();
        // Jump gets a click after its last action; Reload goes, so Jump moves up to index 0.
        list->SelectItem(1);
        press("ms_1_macro_key2_btn");
        list->SelectItem(0);
        CMsgWnd::SetNextAnswerForTesting(1);
        press("ms_1_macro_delete_btn");
        press("btn_exit");
    });
    Click("ms_1_btn_macro");
    CWindowWnd::SetModalHookForTesting(nullptr);

    EXPECT_EQ(rowsAtOpen, 2);
    const ButtonSlot slot = CurrentProfile().buttons[4];
    EXPECT_EQ(slot.functionCode, kFunctionMacro);
    EXPECT_EQ(slot.macroIndex, 0);
    EXPECT_EQ(slot.stepCount, 4);
    EXPECT_EQ(slot.macroCopy[2].key, kMouseRightKey);
    WaitForApply();
    EXPECT_EQ(applyRequests.count, 1);
    EXPECT_EQ(StoredCurrent()->buttons[4].stepCount, 4);
    EXPECT_FALSE(ReportsWithId("09").empty()) << "no macro download reached the mouse";
}

TEST_F(SettingsPageTest, AClosedPatternLibraryRelinksTheButtonsAndSendsWhatChanged)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    Page().Profiles().Edit([&] {
        Page().Profiles().guns.push_back(NewGunRecord(u"Spray"));
        ButtonSlot& slot = Page().Profiles().Current()->buttons[5];
        CopyGunIntoSlot(slot, *Page().Profiles().guns[0], 0);
        slot.functionCode = kFunctionRecoilPattern;
        slot.playMode = kPatternPlayMode;
    });
    SendEverythingFirst();
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        CPaintManagerUI& controls = dynamic_cast<WindowImplBase&>(box).GetPaintManager();
        controls.FindControl<CListUI>(QStringLiteral("gun_list"))->SelectItem(0);
        controls.FindControl<CComboUI>(QStringLiteral("combo_gun"))->SelectItem(9);
        box.Close(1);
    });
    Click("ms_1_btn_gun");
    CWindowWnd::SetModalHookForTesting(nullptr);
    EXPECT_EQ(CurrentProfile().buttons[5].stepCount, 10);
    WaitForApply();
    EXPECT_EQ(applyRequests.count, 1);
    EXPECT_EQ(StoredCurrent()->buttons[5].stepCount, 10);
    EXPECT_FALSE(ReportsWithId("09").empty()) << "no pattern download reached the mouse";
}

} // namespace
} // namespace kestrin
