#include "tests/app/ShellFixture.h"

namespace kestrin {
namespace {

// The message box.

TEST_F(ShellTest, TheMessageBoxAnswersOneForOkAndZeroForCancel)
{
    for (const auto& [button, answer] : {std::pair{"btn_ok", 1}, std::pair{"btn_cancel", 0}}) {
        CWindowWnd::SetModalHookForTesting([button = button](CWindowWnd& box) {
            QTest::mouseClick(Button(box, button), Qt::LeftButton);
        });
        EXPECT_EQ(CMsgWnd::Ask(nullptr, QStringLiteral("delete_macro_text")), answer) << button;
    }
}

// Enter and Space answer a question with the button that has the keyboard: OK for a notice,
// Cancel where OK deletes or overwrites something.
TEST_F(ShellTest, TheKeyboardAnswersADestructiveQuestionWithCancelAndANoticeWithOk)
{
    struct Case {
        CMsgWnd::Kind kind;
        Qt::Key key;
        int answer;
    };
    for (const Case& c : {Case{CMsgWnd::Kind::Destructive, Qt::Key_Return, 0},
             Case{CMsgWnd::Kind::Destructive, Qt::Key_Enter, 0},
             Case{CMsgWnd::Kind::Destructive, Qt::Key_Space, 0},
             Case{CMsgWnd::Kind::Notice, Qt::Key_Return, 1},
             Case{CMsgWnd::Kind::Notice, Qt::Key_Space, 1}}) {
        CWindowWnd::SetModalHookForTesting([key = c.key](CWindowWnd& box) {
            QWidget* focused = box.GetWidget()->focusWidget();
            if (!focused)
                return box.Close(-1);
            QTest::keyClick(focused, key);
        });
        EXPECT_EQ(CMsgWnd::Ask(nullptr, QStringLiteral("delete_profile_text"), c.kind), c.answer)
            << "key " << c.key;
    }
}

TEST_F(ShellTest, TheMessageBoxShowsLanguageTextsAndOtherClicksLeaveItOpen)
{
    CWindowWnd::SetModalHookForTesting([](CWindowWnd& box) {
        EXPECT_EQ(Label(box, "warning_title")->text(), QStringLiteral("Warning"));
        const QString message = Label(box, "warning")->text();
        EXPECT_NE(message, QStringLiteral("no_device_text"));
        EXPECT_TRUE(message.contains(QStringLiteral("mouse"))) << message.toStdString();
        EXPECT_TRUE(Button(box, "btn_ok")->text() == QStringLiteral("OK"));

        // A click on anything but the two buttons changes nothing.
        auto& manager = static_cast<WindowImplBase&>(box).GetPaintManager();
        manager.SendNotify(manager.FindControl(QStringLiteral("warning")), DUI_MSGTYPE_CLICK);
        manager.SendNotify(manager.FindControl(QStringLiteral("btn_ok")), DUI_MSGTYPE_SETFOCUS);
        QTest::qWait(10);
        EXPECT_TRUE(box.IsWindow());
        EXPECT_TRUE(box.IsVisible());
        QTest::mouseClick(Button(box, "btn_cancel"), Qt::LeftButton);
    });
    EXPECT_EQ(CMsgWnd::Ask(nullptr, QStringLiteral("no_device_text")), 0);
}

TEST_F(ShellTest, TheMessageBoxIsAToolWindowOfItsCallerAtTheLayoutsSize)
{
    CWindowWnd::SetModalHookForTesting([](CWindowWnd& box) {
        EXPECT_TRUE(box.GetWidget()->windowFlags().testFlag(Qt::Tool));
        EXPECT_NE(box.GetWidget()->size(), QSize(800, 800)) << "the layout's size governs";
        EXPECT_TRUE(box.GetWidget()->isModal());
        box.Close(1);
    });
    EXPECT_EQ(CMsgWnd::Ask(nullptr, QStringLiteral("restore_text")), 1);
}

TEST_F(ShellTest, ATestCanAnswerTheNextBoxWithoutShowingIt)
{
    CMsgWnd::SetNextAnswerForTesting(1);
    EXPECT_EQ(CMsgWnd::Ask(nullptr, QStringLiteral("delete_profile_text")), 1);
    EXPECT_EQ(OpenMessageBoxes(), 0);
}

TEST_F(MainWindowTest, StartsAt800By572CentredWithItsCaptionAndHidesWhileNoMouseIsReachable)
{
    EXPECT_EQ(window->GetWidget()->size(), QSize(800, 572));
    EXPECT_EQ(window->GetWidget()->windowTitle(),
        CResourceManager::GetInstance()->GetText(QStringLiteral("mouse_name_text")));
    EXPECT_EQ(window->GetWidget()->geometry().center(), GetWorkArea().center());
    EXPECT_TRUE(window->TrayIcon().IsCreated());
    EXPECT_EQ(window->TrayIcon().GetToolTipText(), QStringLiteral("Kestrin\nNo mouse connected"));
    // The page's start-up posts WM_LINK_CHANGED; with no link the window hides, and nothing
    // shows it again (a window shown late, hidden or not, swallows clicks).
    ASSERT_TRUE(test::WaitFor([&] { return !window->IsVisible(); }));
    QTest::qWait(100);
    EXPECT_FALSE(window->IsVisible());
    EXPECT_EQ(window->DevicePresent(), 0);
    auto* tabs =
        window->GetPaintManager().FindControl<CTabLayoutUI>(QStringLiteral("device_tab_switch"));
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->GetCurSel(), -1);
}

TEST_F(ShellTest, TheMainWindowShowsLanguageTextsThoughItLoadsTheLanguageAfterItsLayout)
{
    // As at start-up: no language yet when main.xml is built.
    ASSERT_TRUE(
        CResourceManager::GetInstance()->LoadLanguageFromString(QStringLiteral("<Language/>")));
    CMainWnd window;
    window.Create(nullptr, QString(), MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572);
    EXPECT_EQ(Label(window, "title_label")->text(), QStringLiteral("Kestrin"));
    EXPECT_EQ(Button(window, "exit_btn")->toolTip(),
        CResourceManager::GetInstance()->GetText(QStringLiteral("exit_btn_tip")));
    EXPECT_NE(Button(window, "exit_btn")->toolTip(), QStringLiteral("exit_btn_tip"));
}

TEST_F(MainWindowTest, KeyNamesAreTheLanguageFilesTexts)
{
    EXPECT_EQ(UsageName(0x2A), u"Backspace");
    EXPECT_EQ(UsageName(0xF1), u"Left Button");
    EXPECT_EQ(VirtualKeyName(0x6C), u"Num Enter");
    EXPECT_EQ(UsageName(0x66), u"") << "the empty id stays empty";
}

TEST_F(MainWindowTest, AskingForTheWindowWithoutAMouseExplainsInOneBoxAtATime)
{
    ASSERT_TRUE(test::WaitFor([&] { return !window->IsVisible(); }));
    int shown = 0;
    int nested = 0;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        ++shown;
        EXPECT_TRUE(window->NoDeviceBoxOpen());
        // A second click, a second start and the tray's "configuration" while the box is
        // open do nothing.
        Post(WM_TRAY_NOTIFY, 0, WM_LBUTTONUP);
        Post(WM_SHOW_INSTANCE);
        MenuCommand(QStringLiteral("configuration"));
        nested = OpenMessageBoxes();
        box.Close(1);
    });
    Post(WM_TRAY_NOTIFY, 0, WM_LBUTTONUP);
    CWindowWnd::SetModalHookForTesting(nullptr);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(nested, 1);
    EXPECT_FALSE(window->NoDeviceBoxOpen());
    EXPECT_FALSE(window->IsVisible()) << "the window itself stays hidden";

    EXPECT_EQ(CountNoDeviceBoxes([&] { Post(WM_SHOW_INSTANCE); }), 1) << "a second start";
    EXPECT_EQ(CountNoDeviceBoxes([&] { MenuCommand(QStringLiteral("CONFIGURATION")); }), 1);
    EXPECT_EQ(CountNoDeviceBoxes([&] { Post(WM_TRAY_NOTIFY, 0, WM_LBUTTONDOWN); }), 0)
        << "only a release counts";
}

TEST_F(MainWindowTest, ExitButtonHidesAndTheProgramKeepsRunning)
{
    window->ShowMainWindow();
    ASSERT_TRUE(window->IsVisible());
    QTest::mouseClick(Button(*window, "exit_btn"), Qt::LeftButton);
    EXPECT_FALSE(window->IsVisible());
    EXPECT_TRUE(window->IsWindow());
    EXPECT_EQ(window->SendMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), 1)
        << "still handling its messages";

    window->ShowMainWindow();
    window->GetWidget()->close(); // from the desktop: the same as exit_btn
    EXPECT_FALSE(window->IsVisible());
    EXPECT_TRUE(window->IsWindow());
}

TEST_F(MainWindowTest, ItsEdgesOfferTheDesktopsResizeAndItsCaptionMaximises)
{
    ASSERT_TRUE(test::WaitFor([&] { return !window->IsVisible(); })); // no mouse at start
    window->ShowMainWindow();
    QWindow* handle = window->GetWidget()->windowHandle();
    ASSERT_TRUE(handle);
    const QSize size = window->GetWidget()->size();
    const auto cursorAt = [&](QPoint point) {
        QTest::mouseMove(handle, point);
        QCoreApplication::processEvents();
        return handle->cursor().shape();
    };
    EXPECT_EQ(cursorAt({size.width() - 1, size.height() / 2}), Qt::SizeHorCursor);
    EXPECT_EQ(cursorAt({size.width() / 2, 0}), Qt::SizeVerCursor);
    EXPECT_EQ(cursorAt({size.width() - 1, size.height() - 1}), Qt::SizeFDiagCursor);
    EXPECT_EQ(cursorAt({0, size.height() - 1}), Qt::SizeBDiagCursor);
    EXPECT_EQ(cursorAt({size.width() / 2, size.height() / 2}), Qt::ArrowCursor)
        << "inside, the controls' own cursor again";

    QTest::mouseDClick(window->GetWidget(), Qt::LeftButton, {}, QPoint(size.width() / 2, 20));
    EXPECT_TRUE(window->GetWidget()->isMaximized());
    QTest::mouseDClick(window->GetWidget(), Qt::LeftButton, {}, QPoint(size.width() / 2, 20));
    EXPECT_FALSE(window->GetWidget()->isMaximized());
}

TEST_F(MainWindowTest, MinButtonMinimises)
{
    window->ShowMainWindow();
    QTest::mouseClick(Button(*window, "min_btn"), Qt::LeftButton);
    EXPECT_TRUE(window->IsMinimized());
}

// A desktop without a notification area: the window is the program.
class NoTrayMainWindowTest : public MainWindowTest {
protected:
    bool DesktopHasTray() const override { return false; }
    CTabLayoutUI* Tabs()
    {
        return window->GetPaintManager().FindControl<CTabLayoutUI>(
            QStringLiteral("device_tab_switch"));
    }
    QWidget* CurrentPage()
    {
        auto* stack = qobject_cast<QStackedWidget*>(Tabs()->GetWidget());
        return Tabs()->GetCurSel() < 0 ? nullptr : stack->widget(Tabs()->GetCurSel());
    }
};

TEST_F(NoTrayMainWindowTest, AStartWithoutAMouseShowsTheNoMousePageAndClosingEndsTheProgram)
{
    ASSERT_TRUE(test::WaitFor([&] { return window->IsVisible(); }));
    QTest::qWait(50);
    EXPECT_TRUE(window->IsVisible()) << "nothing hides it again";
    ASSERT_TRUE(CurrentPage());
    EXPECT_EQ(CurrentPage()->objectName(), QStringLiteral("no_mouse_page"));
    EXPECT_TRUE(CurrentPage()->isVisible());
    EXPECT_EQ(Label(*window, "no_mouse_title")->text(), QStringLiteral("No mouse connected"));
    EXPECT_FALSE(Label(*window, "no_mouse_udev")->isVisibleTo(window->GetWidget()))
        << "no mouse is denied";
    EXPECT_EQ(Button(*window, "exit_btn")->toolTip(),
        CResourceManager::GetInstance()->GetText(QStringLiteral("exit_btn_quit_tip")));

    // The tray's ways to the window lead to the window, never to a box.
    window->ShowWindow(false, true);
    EXPECT_EQ(CountNoDeviceBoxes([&] { Post(WM_SHOW_INSTANCE); }), 0);
    EXPECT_TRUE(window->IsVisible());

    QTest::mouseClick(Button(*window, "exit_btn"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return !window->IsWindow(); }));
}

TEST_F(ShellTest, AStartAtLoginStaysHiddenIfATrayAppearsInTimeAndShowsTheWindowIfNone)
{
    for (const bool trayComes : {true, false}) {
        CTrayIcon::SetDesktopTrayForTesting(false);
        CMainWnd window;
        window.SetHookLibraryFile(std::string(KESTRIN_PROGRAM_DIR) + "/no-such-libHook.so");
        ASSERT_NE(
            window.Create(nullptr, QString(), MAIN_WINDOW_STYLE & ~WS_VISIBLE, 0, 0, 0, 800, 572),
            0u);
        window.ShowUnlessATrayAppears(std::chrono::milliseconds(600));
        QTest::qWait(200);
        EXPECT_FALSE(window.IsVisible()) << "waits for a panel that starts later";
        if (trayComes)
            CTrayIcon::SetDesktopTrayForTesting(true);
        QTest::qWait(1300);
        EXPECT_EQ(window.IsVisible(), !trayComes) << (trayComes ? "a tray came" : "none came");
    }
}

TEST_F(NoTrayMainWindowTest, AMouseThatCannotBeOpenedGetsTheUdevHintAndATrayIsAskedForAfresh)
{
    bool denied = true;
    window->SetDeniedMouseProbe([&] { return denied; });
    Post(WM_LINK_CHANGED);
    EXPECT_TRUE(Label(*window, "no_mouse_udev")->isVisibleTo(window->GetWidget()));
    denied = false; // the rule is in place now
    Post(WM_LINK_CHANGED);
    EXPECT_FALSE(Label(*window, "no_mouse_udev")->isVisibleTo(window->GetWidget()));

    // A panel with a notification area started meanwhile: closing now hides into it.
    CTrayIcon::SetDesktopTrayForTesting(true);
    window->GetWidget()->close();
    EXPECT_TRUE(window->IsWindow());
    EXPECT_FALSE(window->IsVisible());
}

TEST_F(MainWindowTest, TheDpiDisplayShowsTheValueInOneWindowAndClosesWithItsTimer)
{
    SetWorkAreaForTesting(QRect(0, 0, 1920, 1040));
    Post(WM_SHOW_DPI, 0, 32);
    CDPIMsg* display = window->DpiDisplay();
    ASSERT_TRUE(display);
    EXPECT_EQ(display->GetText(), QStringLiteral("DPI :1600"));
    EXPECT_EQ(Label(*display, "dpi_label")->text(), QStringLiteral("DPI :1600"));
    EXPECT_EQ(display->GetWidget()->geometry(), QRect(1710, 980, 200, 50));
    EXPECT_TRUE(window->IsTimerActive(TIMER_DPI_OSD));

    Post(WM_SHOW_DPI, 0, 520);
    EXPECT_EQ(window->DpiDisplay(), display) << "one display, updated in place";
    EXPECT_EQ(Label(*display, "dpi_label")->text(), QStringLiteral("DPI :26000"));

    // The display frees itself once closed; watch its window, not the object.
    QPointer<QWidget> shown = display->GetWidget();
    Post(WM_TIMER, TIMER_DPI_OSD, 0);
    EXPECT_EQ(window->DpiDisplay(), nullptr);
    EXPECT_FALSE(window->IsTimerActive(TIMER_DPI_OSD));
    ASSERT_TRUE(test::WaitFor([&] { return !shown; }));
}

TEST_F(MainWindowTest, TheDpiDisplayPlacesItselfFromTheWorkAreasSizeAndNeverTakesFocus)
{
    SetWorkAreaForTesting(QRect(QPoint(62, 0), QPoint(1919, 1079)));
    Post(WM_SHOW_DPI, 0, 16);
    CDPIMsg* display = window->DpiDisplay();
    ASSERT_TRUE(display);
    EXPECT_EQ(display->GetWidget()->geometry(), QRect(1648, 1020, 200, 50));
    const Qt::WindowFlags flags = display->GetWidget()->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(display->GetWidget()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_NE(QApplication::activeWindow(), display->GetWidget());

    // Destroying the main window takes the display with it.
    window->DestroyWindow();
    EXPECT_EQ(window->DpiDisplay(), nullptr);
}

TEST(CDPIMsg, PlaceForUsesTheWorkAreasWidthAndHeightOnly)
{
    EXPECT_EQ(CDPIMsg::PlaceFor(QRect(0, 0, 1920, 1040)), QRect(1710, 980, 200, 50));
    EXPECT_EQ(
        CDPIMsg::PlaceFor(QRect(QPoint(62, 0), QPoint(1919, 1079))), QRect(1648, 1020, 200, 50));
    // A longer text grows it to the left, never past the area's far side.
    EXPECT_EQ(CDPIMsg::PlaceFor(QRect(0, 0, 1920, 1040), {}, 320), QRect(1590, 980, 320, 50));
    EXPECT_EQ(CDPIMsg::PlaceFor(QRect(0, 0, 400, 300), {}, 900), QRect(10, 240, 380, 50));
}

TEST_F(MainWindowTest, BluetoothInterfaceNoticesAreMatchedCaseSensitively)
{
    DeviceInterfaceNotice notice{DBT_DEVTYP_DEVICEINTERFACE,
        R"(\\?\HID#{00001812-0000-1000-8000-00805f9b34fb}_Dev_VID&02045e_PID&0040_REV&0001)"};
    EXPECT_EQ(window->SendMessage(
                  WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<intptr_t>(&notice)),
        1);
    EXPECT_EQ(window->Page().BlePresent(), 1);
    window->SendMessage(
        WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<intptr_t>(&notice));
    EXPECT_EQ(window->Page().BlePresent(), 0);

    DeviceInterfaceNotice upper{DBT_DEVTYP_DEVICEINTERFACE, "VID&02045E_PID&0040"};
    window->SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<intptr_t>(&upper));
    EXPECT_EQ(window->Page().BlePresent(), 0);
    DeviceInterfaceNotice other{2, "VID&02045e_PID&0040"};
    window->SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<intptr_t>(&other));
    EXPECT_EQ(window->Page().BlePresent(), 0) << "not a device interface";
    EXPECT_EQ(window->SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), 1);
}

TEST_F(MainWindowTest, TheChargeAnimationStepsByTwoAndWraps)
{
    std::vector<int> steps;
    for (int i = 0; i < 52; ++i) {
        steps.push_back(window->Page().ChargeAnimationStep());
        Post(WM_TIMER, TIMER_CHARGE_ANIMATION, 0);
    }
    EXPECT_EQ(steps[1], 2);
    EXPECT_EQ(steps[50], 100);
    EXPECT_EQ(steps[51], 0);
}

TEST_F(MainWindowTest, TheApplyDebounceBecomesAnApplyRequest)
{
    window->SetTimer(TIMER_APPLY_DEBOUNCE, 1);
    ASSERT_TRUE(test::WaitFor([&] { return !window->IsTimerActive(TIMER_APPLY_DEBOUNCE); }));
}

TEST_F(MainWindowTest, WithoutTheHookLibraryEverySlotIsNullAndTheWindowRuns)
{
    EXPECT_FALSE(window->HookLibraryLoaded());
    const HookTable& hooks = window->Hooks();
    EXPECT_EQ(hooks.installmousehook, nullptr);
    EXPECT_EQ(hooks.removehook, nullptr);
    EXPECT_EQ(hooks.mousewheelenable, nullptr);
    window->DestroyWindow(); // skips the null slots
}

TEST(HookLibrary, ResolvesEachEntryPointByNameAndLeavesMissingOnesNull)
{
    HookTable table;
    void* library = LoadHookLibrary(KESTRIN_FAKE_HOOK, table);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(table.installhook, nullptr);
    EXPECT_NE(table.removehook, nullptr);
    EXPECT_NE(table.enablehook, nullptr);
    EXPECT_EQ(table.installmousehook, nullptr);
    EXPECT_EQ(table.removemousehook, nullptr);
    EXPECT_EQ(table.enablemousehook, nullptr);
    EXPECT_EQ(table.mousewheelenable, nullptr);
    table.enablehook(1);
    auto* enabled = static_cast<int*>(::dlsym(library, "fake_hook_enabled"));
    ASSERT_TRUE(enabled);
    EXPECT_EQ(*enabled, 1) << "the slot calls the library's own entry point";
    UnloadHookLibrary(library, table);
    EXPECT_EQ(table.installhook, nullptr);

    EXPECT_EQ(LoadHookLibrary("/nonexistent/libHook.so", table), nullptr);
}

TEST(ProgramIcon, ReadAheadOnItsThreadItIsTheIconQtMakesOfTheSkinsFiles)
{
    test::UseInstalledSkin();
    const QString icons = CResourceManager::GetInstance()->ResourceFile(QStringLiteral("icons/"));
    QIcon files;
    for (int side : {16, 32, 48, 64, 128, 256})
        files.addFile(icons + QStringLiteral("kestrin-%1.png").arg(side), QSize(side, side));
    files.addFile(icons + QStringLiteral("kestrin.svg"));

    // Each size once (the files give 256 twice, the drawing of the SVG winning).
    const QList<QSize> sizes{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    const QIcon icon = LoadProgramIcon();
    EXPECT_EQ(icon.availableSizes(), sizes);
    // The window manager takes every size; the tray and the logo the sizes between.
    for (int side : {16, 22, 24, 32, 48, 64, 96, 128, 256, 512})
        EXPECT_TRUE(icon.pixmap(side).toImage() == files.pixmap(side).toImage()) << side;
    EXPECT_EQ(LoadProgramIcon().availableSizes(), sizes) << "read again";
}

TEST_F(ShellTest, AMainWindowWithTheHookLibraryRemovesTheHooksWhenDestroyed)
{
    CMainWnd window;
    window.SetHookLibraryFile(KESTRIN_FAKE_HOOK);
    window.Create(nullptr, QString(), MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572);
    ASSERT_TRUE(window.HookLibraryLoaded());
    void* library = ::dlopen(KESTRIN_FAKE_HOOK, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_TRUE(library);
    auto* calls = static_cast<int*>(::dlsym(library, "fake_hook_calls_removehook"));
    ASSERT_TRUE(calls);
    const int before = *calls;
    window.DestroyWindow();
    EXPECT_EQ(*calls, before + 1);
    ::dlclose(library);
    EXPECT_FALSE(window.HookLibraryLoaded());
}

TEST_F(MainWindowTest, AScreenshotOfTheMainWindowIsKeptAsAnArtefact)
{
    window->ShowMainWindow();
    const QImage shot = window->GetWidget()->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(800, 572) * shot.devicePixelRatio());
    // Dark theme: the title bar and the page are dark, never the default light grey.
    const QColor page = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    EXPECT_LT(page.lightness(), 60);
    QDir().mkpath(QStringLiteral(KESTRIN_ARTIFACTS_DIR));
    EXPECT_TRUE(shot.save(QStringLiteral(KESTRIN_ARTIFACTS_DIR "/main-window-offscreen.png")));

    // The small windows too, to look at.
    Post(WM_SHOW_DPI, 0, 32);
    ASSERT_TRUE(window->DpiDisplay());
    EXPECT_TRUE(window->DpiDisplay()->GetWidget()->grab().save(
        QStringLiteral(KESTRIN_ARTIFACTS_DIR "/dpi-display-offscreen.png")));
    Post(WM_TRAY_NOTIFY, 0, WM_RBUTTONUP);
    ASSERT_TRUE(window->TrayMenu());
    EXPECT_TRUE(window->TrayMenu()->GetWidget()->grab().save(
        QStringLiteral(KESTRIN_ARTIFACTS_DIR "/tray-menu-offscreen.png")));
}

} // namespace
} // namespace kestrin
