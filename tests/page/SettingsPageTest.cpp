// The DPI, performance and lighting sections of the device page.
#include "tests/page/SettingsPageFixture.h"

namespace kestrin {
namespace {

// DPI stages.

TEST_F(SettingsPageTest, TypedDpiIsHeldToTheRangeAndTruncatedToFifty)
{
    OpenWindow();
    const std::tuple<const char*, bool, int32_t, const char*> cases[] = {
        {"75", true, 1, "50"},
        {"12345", true, 246, "12300"},
        {"30000", false, 520, "26000"},
        {"", false, 1, "50"},
        {"99999999999999999999", true, 520, "26000"},
    };
    for (const auto& [typed, enter, stored, shown] : cases) {
        Type("ms_1_edit_dpi_3", typed);
        if (enter)
            QTest::keyClick(As("ms_1_edit_dpi_3")->GetWidget(), Qt::Key_Return);
        else
            LeaveBox("ms_1_edit_dpi_3");
        EXPECT_EQ(CurrentProfile().dpiX[2], stored) << typed;
        EXPECT_EQ(TextOf("ms_1_edit_dpi_3"), QLatin1String(shown)) << typed;
        EXPECT_EQ(TextOf("ms_1_label_dpi_3"), QLatin1String(shown)) << typed;
        EXPECT_EQ(As<CSliderUI>("ms_1_slider_dpi_3")->GetValue(), stored) << typed;
    }
    EXPECT_EQ(applyRequests.count, 0);
}

TEST_F(SettingsPageTest, OnlyDigitsStayInADpiBox)
{
    OpenWindow();
    auto* edit = qobject_cast<QLineEdit*>(As("ms_1_edit_dpi_1")->GetWidget());
    for (const auto& [pasted, kept] : {std::pair{"1a2b", "12"}, std::pair{"ab7", "7"}}) {
        edit->clear();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(pasted));
        edit->paste();
        EXPECT_EQ(edit->text(), QLatin1String(kept)) << pasted;
        EXPECT_EQ(edit->cursorPosition(), edit->text().size());
    }
    // Filtering is not committing.
    EXPECT_EQ(CurrentProfile().dpiX[0], 16);
}

TEST_F(SettingsPageTest, ASliderShowsAtOnceAndIsSentWithTheNextStageChoice)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();

    As<CSliderUI>("ms_1_slider_dpi_4")->SetValue(100);
    EXPECT_EQ(TextOf("ms_1_label_dpi_4"), QStringLiteral("5000"));
    EXPECT_EQ(TextOf("ms_1_edit_dpi_4"), QStringLiteral("5000"));
    EXPECT_EQ(CurrentProfile().dpiX[3], 100);
    QTest::qWait(100);
    EXPECT_EQ(applyRequests.count, 0);
    EXPECT_TRUE(Tell("log").empty());

    Click("ms_1_option_dpi_step_4");
    EXPECT_EQ(CurrentProfile().currentDpiStage, 3);
    WaitForApply();
    const auto settings = ReportsWithId("04");
    ASSERT_EQ(settings.size(), 1u);
    // The report's encoding is the protocol tests' concern; here: it names stage 4.
    const std::string hex = settings.front().substr(6, 2 * 56);
    EXPECT_EQ(hex.substr(2 * 24, 2), "04");
}

TEST_F(SettingsPageTest, ResettingTheStagesSelectsTheSecondAndRestoresColours)
{
    OpenWindow();
    EditProfile([](ProfileRecord& p) {
        p.currentDpiStage = 5;
        p.dpiX[0] = 300;
        p.stageColor[0] = {1, 2, 3, 0};
        p.brightness = 3;
    });
    Page().RefreshSettingsControls();
    EXPECT_TRUE(As<COptionUI>("ms_1_option_dpi_step_6")->IsSelected());

    Click("ms_1_btn_reset_dpi");
    const ProfileRecord profile = CurrentProfile();
    EXPECT_EQ(profile.currentDpiStage, 1);
    EXPECT_EQ(profile.dpiX[0], 16);
    EXPECT_EQ(profile.brightness, 3); // only the DPI part
    EXPECT_TRUE(As<COptionUI>("ms_1_option_dpi_step_2")->IsSelected());
    const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF,
        0xFFFF00FF, 0xFFFF4000, 0xFFFFFFFF};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(As(QStringLiteral("ms_1_btn_dpi_color_%1").arg(i + 1))->GetBkColor(), colours[i])
            << i;
    EXPECT_EQ(TextOf("ms_1_edit_dpi_1"), QStringLiteral("800"));
    EXPECT_TRUE(WaitFor([&] { return applyRequests.count == 1; }));
}

TEST_F(SettingsPageTest, AStageColourIsTakenOnlyWhenConfirmed)
{
    OpenWindow();
    CDpiColorWnd::SetNextAnswerForTesting([](CDpiColorWnd&) { return 0; });
    Click("ms_1_btn_dpi_color_2");
    EXPECT_EQ(CurrentProfile().stageColor[1], (RgbColor{0, 255, 0, 0}));
    EXPECT_EQ(As("ms_1_btn_dpi_color_2")->GetBkColor(), 0xFF00FF00u);
    EXPECT_EQ(applyRequests.count, 0);

    CDpiColorWnd::SetNextAnswerForTesting([](CDpiColorWnd& dialog) {
        dialog.SetColor(0x80102030); // a palette colour may carry its own alpha
        return 1;
    });
    Click("ms_1_btn_dpi_color_2");
    EXPECT_EQ(CurrentProfile().stageColor[1], (RgbColor{0x10, 0x20, 0x30, 0}));
    EXPECT_EQ(As("ms_1_btn_dpi_color_2")->GetBkColor(), 0xFF102030u);
    EXPECT_TRUE(WaitFor([&] { return applyRequests.count == 1; }));
}

TEST_F(SettingsPageTest, TheWheelScrollsPastASliderUnlessTheSliderHasFocus)
{
    OpenWindow();
    auto* area = qobject_cast<QAbstractScrollArea*>(As("ms_1_ver_setting")->GetWidget());
    ASSERT_NE(area, nullptr);
    QWidget* slider = As("ms_1_slider_dpi_2")->GetWidget();
    auto turn = [&] {
        const QPointF at(slider->width() / 2.0, slider->height() / 2.0);
        QWheelEvent wheel(at, slider->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(slider, &wheel);
    };
    turn();
    EXPECT_EQ(CurrentProfile().dpiX[1], 24);
    EXPECT_GT(area->verticalScrollBar()->value(), 0);

    slider->setFocus();
    if (slider->hasFocus()) { // focus needs an active window, which a busy desktop may refuse
        turn();
        EXPECT_NE(CurrentProfile().dpiX[1], 24);
    }
}

TEST_F(SettingsPageTest, ADpiPressOnTheMouseMovesTheOptionAndNothingIsSentBack)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();
    Tell("dpi 4");
    ASSERT_TRUE(WaitFor([&] { return As<COptionUI>("ms_1_option_dpi_step_4")->IsSelected(); }));
    QTest::qWait(100);
    EXPECT_EQ(applyRequests.count, 0);
    EXPECT_TRUE(Tell("log").empty());
}

TEST_F(SettingsPageTest, ADpiTypedBeforeAPressOnTheMouseStillGoesOutWithApplyDpi)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();
    Type("ms_1_edit_dpi_3", "12345");
    QTest::keyClick(As("ms_1_edit_dpi_3")->GetWidget(), Qt::Key_Return);
    Tell("dpi 4");
    ASSERT_TRUE(WaitFor([&] { return As<COptionUI>("ms_1_option_dpi_step_4")->IsSelected(); }));

    Click("ms_1_btn_apply_dpi");
    WaitForApply();
    const ProfileRecord profile = CurrentProfile();
    EXPECT_EQ(profile.dpiX[2], 246);
    EXPECT_EQ(profile.currentDpiStage, 3);
    const std::string settings = "cable " + ToHex(BuildSettingsReport(profile).data());
    bool sent = false;
    for (const std::string& line : Tell("log"))
        sent = sent || line.starts_with(settings);
    EXPECT_TRUE(sent) << "the typed stage goes out with the stage the mouse chose";
}

TEST_F(SettingsPageTest, ADpiPressDuringAnApplyIsNotUndoneByTheApplysSave)
{
    StartMouse({vmouse::Link::Cable});
    auto clock = std::make_unique<GatedClock>();
    GatedClock& gate = *clock;
    OpenWindow(false, std::move(clock));
    SendEverythingFirst();
    gate.Arm();
    EditProfile([](ProfileRecord& p) { p.reportRate = 1; });
    Page().RequestApply();
    ASSERT_TRUE(WaitFor([&] { return gate.Held(); }));
    Tell("dpi 4");
    ASSERT_TRUE(WaitFor([&] { return CurrentProfile().currentDpiStage == 3; }));
    gate.Release();
    WaitForApply(); // the snapshot keeps the mouse's stage too: nothing goes back to it

    ProfileList saved;
    auto header = std::make_unique<ProfileStoreHeader>();
    LoadProfileStore(folder.Data(), saved, *header, u"Profile");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved[std::size_t(header->currentIndex)]->currentDpiStage, 3);
    EXPECT_EQ(saved[std::size_t(header->currentIndex)]->reportRate, 1);
}

// Performance and power.

// The folded sections are built when first opened; what is saved and sent must not hang on that.
TEST_F(SettingsPageTest, OpeningTheFoldedSectionsChangesNothingSavedOrSent)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    EditProfile([](ProfileRecord& p) {
        p.sleepTimer = 33;
        p.lightOffTimer = 21;
        p.keyDebounce = 7;
        p.angleSnap = 1 - p.angleSnap;
        p.moveMode = 1;
        std::swap(p.buttons[3].functionCode, p.buttons[4].functionCode);
    });
    Page().RefreshSettingsControls();
    SendEverythingFirst();
    const char* const folded[] = {"ms_1_hor_button", "ms_1_ver_mouse_attribute", "ms_1_ver_power"};
    for (const char* part : folded)
        EXPECT_FALSE(window->GetPaintManager().IsBuilt(QLatin1String(part))) << part;
    const std::unique_ptr<ProfileRecord> savedFolded = StoredCurrent();
    ASSERT_TRUE(savedFolded);
    const std::vector<std::string> mouseFolded = Tell("state");

    for (const char* check : {"ms_1_check_button", "ms_1_check_mouse_attribute",
             "ms_1_check_lift_of_distance", "ms_1_check_ripple_control", "ms_1_check_angle_snap",
             "ms_1_check_motion_sync", "ms_1_check_key_debounce", "ms_1_check_power"})
        Click(check);
    for (const char* part : folded)
        EXPECT_TRUE(Visible(part)) << part;
    // Built with the profile's values, quietly.
    EXPECT_EQ(As<CSliderUI>("ms_1_slider_sleep_timer")->GetValue(), 33);
    EXPECT_EQ(As<CSliderUI>("ms_1_slider_key_debounce")->GetValue(), 7);
    EXPECT_TRUE(As<CCheckBoxUI>("ms_1_check_movemode")->GetCheck());
    EXPECT_TRUE(TextOf("ms_1_label_key_debounce").contains(QStringLiteral("14")));
    EXPECT_NE(Page().Buttons().Drawing(), nullptr);
    EXPECT_EQ(applyRequests.count, 0);

    Click("ms_1_apply_btn");
    WaitForApply();
    const std::unique_ptr<ProfileRecord> savedOpen = StoredCurrent();
    ASSERT_TRUE(savedOpen);
    EXPECT_EQ(std::memcmp(savedFolded.get(), savedOpen.get(), sizeof(ProfileRecord)), 0);
    EXPECT_EQ(Tell("state"), mouseFolded);
}

// At the window's size the lighting rows start below the settings' fold: each is built as it
// comes into view, by the scroll bar or by Tab, with the profile's values, quietly.
TEST_F(SettingsPageTest, TheLightingBelowTheFoldIsBuiltAsItComesIntoView)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsVisible(); }));
    EditProfile([](ProfileRecord& p) { p.bleLightingMode = 2; });
    Page().RefreshSettingsControls();
    SendEverythingFirst();
    CPaintManagerUI& paint = window->GetPaintManager();
    const QStringList rows{
        QStringLiteral("ms_1_light_effect"), QStringLiteral("ms_1_light_effect_ble")};
    for (const QString& row : rows)
        EXPECT_FALSE(paint.IsBuilt(row)) << row.toStdString();
    const std::unique_ptr<ProfileRecord> saved = StoredCurrent();
    ASSERT_TRUE(saved);
    const std::vector<std::string> mouse = Tell("state");

    // Tab from the last report rate goes on into the lighting, where its first row would be.
    auto* area = qobject_cast<QAbstractScrollArea*>(As("ms_1_ver_setting")->GetWidget());
    ASSERT_TRUE(area);
    const int top = area->verticalScrollBar()->maximum();
    QWidget* lightCheck = As("ms_1_check_light")->GetWidget();
    QApplication::setActiveWindow(lightCheck->window());
    lightCheck->setFocus(Qt::TabFocusReason);
    QTest::keyClick(lightCheck, Qt::Key_Tab);
    EXPECT_TRUE(paint.IsBuilt(rows[0]));
    EXPECT_EQ(lightCheck->window()->focusWidget(), As("ms_1_combo_light")->GetWidget());
    EXPECT_EQ(area->verticalScrollBar()->maximum(), top) << "the rows kept their height";

    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    EXPECT_TRUE(paint.IsBuilt(rows[1]));
    EXPECT_EQ(As<CComboUI>("ms_1_combo_light_ble")->GetCurSel(), 2);
    EXPECT_EQ(applyRequests.count, 0);
    EXPECT_EQ(std::memcmp(saved.get(), StoredCurrent().get(), sizeof(ProfileRecord)), 0);
    EXPECT_EQ(Tell("state"), mouse);
}

TEST_F(SettingsPageTest, QuittingRightAfterAChangeKeepsItInProData)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();
    Click("ms_1_btn_prate_2"); // asks for an apply that the quit cuts short
    ASSERT_EQ(CurrentProfile().reportRate, 1);
    window.reset();

    ProfileList saved;
    auto header = std::make_unique<ProfileStoreHeader>();
    LoadProfileStore(folder.Data(), saved, *header, u"Profile");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved[std::size_t(header->currentIndex)]->reportRate, 1);
}

TEST_F(SettingsPageTest, TenSleepSliderMovesMakeOneApplyAfterTheLast)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();
    auto* slider = As<CSliderUI>("ms_1_slider_sleep_timer");
    QElapsedTimer sinceLastMove;
    for (int value = 10; value < 20; ++value) {
        slider->SetValue(value);
        sinceLastMove.start();
        EXPECT_TRUE(TextOf("ms_1_label_sleep_timer").contains(QString::number(value)));
        QTest::qWait(20);
    }
    EXPECT_EQ(applyRequests.count, 0);
    ASSERT_TRUE(WaitFor([&] { return applyRequests.count == 1; }));
    EXPECT_GE(sinceLastMove.elapsed(), 500);
    WaitForApply();
    const auto lighting = ReportsWithId("05");
    ASSERT_EQ(lighting.size(), 1u);
    // The sleep timer's high nibble shares byte 4 and its low nibble byte 5: 19 = 0x13.
    const std::string hex = lighting.front().substr(6);
    EXPECT_EQ(hex[8], '1');
    EXPECT_EQ(hex[10], '3');
    EXPECT_EQ(CurrentProfile().sleepTimer, 19);
}

TEST_F(SettingsPageTest, LabelsFollowTheirSliders)
{
    OpenWindow();
    As<CSliderUI>("ms_1_slider_light_off")->SetValue(3);
    EXPECT_TRUE(TextOf("ms_1_label_light_off").contains(QStringLiteral("1.5 ")));
    As<CSliderUI>("ms_1_slider_brightness")->SetValue(5);
    EXPECT_EQ(TextOf("ms_1_label_brightness"), QStringLiteral("5"));
    As<CSliderUI>("ms_1_slider_key_debounce")->SetValue(7);
    EXPECT_EQ(TextOf("ms_1_label_key_debounce"), QStringLiteral("14 MS"));
    const ProfileRecord profile = CurrentProfile();
    EXPECT_EQ(profile.lightOffTimer, 3);
    EXPECT_EQ(profile.keyDebounce, 7);
}

TEST_F(SettingsPageTest, OptionsStoreTheirIndexAndOnlyAChangeAsksForAnApply)
{
    OpenWindow();
    // Defaults: 1000 Hz, ripple, angle snap and motion sync on.
    EXPECT_TRUE(As<COptionUI>("ms_1_btn_prate_4")->IsSelected());
    Click("ms_1_btn_prate_4");
    Click("ms_1_option_ripple_control_2");
    QTest::qWait(50);
    EXPECT_EQ(applyRequests.count, 0);

    Click("ms_1_btn_prate_2");
    Click("ms_1_option_lift_of_distance_2");
    Click("ms_1_option_angle_snap_1");
    Click("ms_1_option_motion_sync_1");
    const ProfileRecord profile = CurrentProfile();
    EXPECT_EQ(profile.reportRate, 1);
    EXPECT_EQ(profile.liftOffDistance, 1);
    EXPECT_EQ(profile.angleSnap, 0);
    EXPECT_EQ(profile.motionSync, 0);
    EXPECT_EQ(As("ms_1_label_prate")->GetText(),
        CResourceManager::GetInstance()->GetText(QStringLiteral("prate_2_text")));
    EXPECT_TRUE(WaitFor([&] { return applyRequests.count == 4; }));
}

TEST_F(SettingsPageTest, MoveModeSendsOnlyTheBeginReportAndTheBoxShowsTheStoredSetting)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();
    Click("ms_1_check_movemode");
    EXPECT_EQ(CurrentProfile().moveMode, 1);
    WaitForApply();
    const std::vector<std::string> log = Tell("log");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log.front().rfind("cable 0c", 0), 0u) << log.front();

    // After a restart the box shows what is stored; another profile shows its own.
    window.reset();
    applyRequests.count = 0;
    OpenWindow();
    EXPECT_TRUE(As<CCheckBoxUI>("ms_1_check_movemode")->GetCheck());
    EditProfile([](ProfileRecord& p) { p.moveMode = 0; });
    Page().RefreshSettingsControls();
    EXPECT_FALSE(As<CCheckBoxUI>("ms_1_check_movemode")->GetCheck());
    EXPECT_EQ(applyRequests.count, 0) << "showing the setting asks for nothing";
}

TEST_F(SettingsPageTest, ExpandersShowTheirSectionAndLowOnesScrollIntoView)
{
    OpenWindow();
    auto* check = As<CCheckBoxUI>("ms_1_check_angle_snap");
    const bool open = check->GetCheck();
    Click("ms_1_check_angle_snap");
    EXPECT_EQ(Visible("ms_1_hor_angle_snap"), !open);
    if (!open) {
        EXPECT_TRUE(Timer(TIMER_SCROLL_SETTINGS));
    }
    Click("ms_1_check_angle_snap");
    EXPECT_EQ(Visible("ms_1_hor_angle_snap"), open);
    EXPECT_EQ(applyRequests.count, 0);
}

TEST_F(SettingsPageTest, OverBluetoothAloneTheReportRateSectionSaysWhyAndKeepsItsFolding)
{
    OpenWindow(true);
    const bool open = As<COptionUI>("ms_1_check_prate")->IsSelected();
    Page().SetBleConnected(1);
    Page().RefreshSettingsControls();
    EXPECT_TRUE(Visible("ms_1_check_prate"));
    EXPECT_EQ(Visible("ms_1_ver_prate"), open);
    EXPECT_FALSE(Visible("ms_1_prate_options"));
    EXPECT_TRUE(Visible("ms_1_label_prate_ble"));
    Click("ms_1_check_prate"); // folded or unfolded by the user meanwhile

    State(WM_CABLE_STATE, 1);
    Expire(TIMER_CABLE_ARRIVAL);
    EXPECT_EQ(As<COptionUI>("ms_1_check_prate")->IsSelected(), !open);
    EXPECT_EQ(Visible("ms_1_ver_prate"), !open);
    EXPECT_TRUE(Visible("ms_1_prate_options"));
    EXPECT_FALSE(Visible("ms_1_label_prate_ble"));
}

// Lighting.

TEST_F(SettingsPageTest, TheEffectDecidesWhichRowsShow)
{
    OpenWindow();
    auto* combo = As<CComboUI>("ms_1_combo_light");
    const std::tuple<int, bool, bool, bool> cases[] = {
        {1, true, false, true},
        {2, false, true, true},
        {5, false, true, false},
        {0, false, false, false},
    };
    for (const auto& [item, brightness, speed, colour] : cases) {
        combo->SelectItem(item);
        EXPECT_EQ(Visible("ms_1_hor_brightness"), brightness) << item;
        EXPECT_EQ(Visible("ms_1_hor_breathspeed"), speed) << item;
        EXPECT_EQ(Visible("ms_1_hor_light_color"), colour) << item;
        EXPECT_EQ(CurrentProfile().lightingMode, item);
    }
    // The Bluetooth list drives the same rows and its own field.
    As<CComboUI>("ms_1_combo_light_ble")->SelectItem(2);
    EXPECT_TRUE(Visible("ms_1_hor_breathspeed"));
    EXPECT_EQ(CurrentProfile().bleLightingMode, 2);
    EXPECT_EQ(CurrentProfile().lightingMode, 0);
    // Showing another profile, as a profile switch does, shows the rows of its effect.
    EditProfile([](ProfileRecord& p) { p.lightingMode = 1; });
    Page().RefreshSettingsControls();
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_TRUE(Visible("ms_1_hor_brightness"));
    EXPECT_FALSE(Visible("ms_1_hor_breathspeed"));
}

TEST_F(SettingsPageTest, AtStartTheRowsFollowTheStoredEffect)
{
    OpenWindow();
    EXPECT_FALSE(Visible("ms_1_hor_brightness"));
    EditProfile([](ProfileRecord& p) { p.lightingMode = 1; });
    ASSERT_TRUE(Page().Profiles().StoreCurrent().ok());
    window.reset();
    OpenWindow();
    EXPECT_EQ(As<CComboUI>("ms_1_combo_light")->GetCurSel(), 1);
    EXPECT_TRUE(Visible("ms_1_hor_brightness"));
    EXPECT_TRUE(Visible("ms_1_hor_light_color"));
}

TEST_F(SettingsPageTest, TwoEffectsInQuickSuccessionMakeOneApply)
{
    OpenWindow();
    QElapsedTimer sinceLast;
    As<CComboUI>("ms_1_combo_light")->SelectItem(1);
    As<CComboUI>("ms_1_combo_light")->SelectItem(2);
    sinceLast.start();
    ASSERT_TRUE(WaitFor([&] { return applyRequests.count == 1; }));
    EXPECT_GE(sinceLast.elapsed(), 200);
    QTest::qWait(300);
    EXPECT_EQ(applyRequests.count, 1);
}

TEST_F(SettingsPageTest, ALightingColourIsStoredAsBytesAndShownAfterARestart)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    SendEverythingFirst();
    CDpiColorWnd::SetNextAnswerForTesting([](CDpiColorWnd& dialog) {
        dialog.SetColor(0xFF0C2238); // 12, 34, 56
        return 1;
    });
    Click("ms_1_btn_light_color");
    EXPECT_EQ(CurrentProfile().lightingColor, (RgbColor{12, 34, 56, 0}));
    WaitForApply();
    const auto lighting = ReportsWithId("05");
    ASSERT_EQ(lighting.size(), 1u);
    EXPECT_EQ(lighting.front().substr(6 + 2 * 6, 6), "0c2238");

    window.reset();
    OpenWindow();
    EXPECT_EQ(As("ms_1_btn_light_color")->GetBkColor(), 0xFF0C2238u);
}

TEST_F(SettingsPageTest, TheMousesLightingChangeIsShownOnlyOverBluetooth)
{
    OpenWindow();
    auto* combo = As<CComboUI>("ms_1_combo_light");
    Event(WM_CABLE_EVENT, 0x7010, 3);
    EXPECT_EQ(CurrentProfile().lightingMode, 3);
    EXPECT_EQ(combo->GetCurSel(), 0);
    Page().HandleDeviceEvent(0x7010, 0x20, LinkKind::Bluetooth);
    EXPECT_EQ(CurrentProfile().lightingMode, 2);
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_TRUE(Visible("ms_1_hor_breathspeed"));
    EXPECT_EQ(applyRequests.count, 0);
}

} // namespace
} // namespace kestrin
