// The device page's settings sections on the main window against an in-process virtual mouse:
// what the controls store, when they ask for an apply, and what reaches the mouse.
#include "base/HookTable.h"
#include "base/RecordNames.h"
#include "page/DpiColorWnd.h"
#include "page/MouseDrawing.h"
#include "patterns/GunRecord.h"
#include "profiles/ButtonRelink.h"
#include "protocol/ButtonMapReport.h"
#include "protocol/SettingsReports.h"
#include "tests/page/DevicePageFixture.h"
#include "ui/ListUI.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <cstring>

namespace kestrin {
namespace {

class SettingsPageTest : public DevicePageTest {
protected:
    template <class T = CControlUI> T* As(const QString& name)
    {
        auto* control = dynamic_cast<T*>(window->GetPaintManager().FindControl(name));
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    template <class T = CControlUI> T* As(const char* name) { return As<T>(QLatin1String(name)); }

    ProfileRecord CurrentProfile()
    {
        return Page().Profiles().Edit([&] { return *Page().Profiles().Current(); });
    }
    template <class Edit> void EditProfile(Edit edit) { Page().Profiles().EditCurrent(edit); }

    // Makes the pending full apply and forgets what it wrote, so that a test sees only its own
    // reports.
    void SendEverythingFirst()
    {
        Page().RequestApply();
        ASSERT_TRUE(WaitFor([&] {
            return Links().ApplyAllPending.load() == 0 && !Visible("apply_ring") &&
                Tell("log").size() >= 5;
        }));
        Tell("clear-log");
        applyRequests.count = 0;
    }

    // Waits until an apply has written and saved the current profile: its last step makes the
    // profile the snapshot.
    void WaitForApply()
    {
        ASSERT_TRUE(WaitFor([&] {
            return Links().ApplyAllPending.load() == 0 && Page().Profiles().Edit([&] {
                return std::memcmp(Page().Profiles().Current(), Page().Profiles().snapshot.get(),
                           sizeof(ProfileRecord)) == 0;
            });
        }));
    }

    std::vector<std::string> ReportsWithId(const char* hexId)
    {
        std::vector<std::string> found;
        for (const std::string& line : Tell("log"))
            if (line.rfind(std::string("cable ") + hexId, 0) == 0)
                found.push_back(line);
        return found;
    }

    void Type(const char* editName, const char* text)
    {
        auto* edit = qobject_cast<QLineEdit*>(As(editName)->GetWidget());
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QString::fromLatin1(text));
    }
    void LeaveBox(const char* editName)
    {
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(As(editName)->GetWidget(), &out);
    }
    void Click(const char* name) { QTest::mouseClick(As(name)->GetWidget(), Qt::LeftButton); }
    QString TextOf(const char* name) { return As(name)->GetText(); }
    // Macros of a press and a release of A, into the library; hold the profiles' lock.
    void AddMacros(std::initializer_list<const char16_t*> names)
    {
        for (const char16_t* name : names) {
            auto macro = std::make_unique<MacroRecord>();
            WriteName(macro->name, name);
            macro->actionCount = 2;
            macro->actions[0] = {0x04, 1, 30};
            macro->actions[1] = {0x04, 2, 40};
            Page().Profiles().macros.push_back(std::move(macro));
        }
    }
};

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

// Profiles on the page.

// Answers the next name dialog with `name` once it shows.
void AnswerNameDialog(const QString& name)
{
    QTimer::singleShot(0, [name] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* edit = top->findChild<QLineEdit*>(QStringLiteral("edit_name"));
            auto* ok = top->findChild<QPushButton*>(QStringLiteral("btn_ok"));
            if (edit && ok && top->isVisible()) {
                edit->setText(name);
                ok->click();
                return;
            }
        }
        ADD_FAILURE() << "no name dialog";
    });
}

TEST_F(SettingsPageTest, AnAddedProfileBecomesCurrentSendsEverythingAndIsSelectedAfterARestart)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    auto* list = As<CListUI>("ms_1_list_profile");
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_EQ(list->GetCurSel(), 0);
    SendEverythingFirst();
    EditProfile([](ProfileRecord& p) { p.reportRate = 0; });
    Page().RefreshSettingsControls();

    AnswerNameDialog(QStringLiteral("Arena"));
    Click("ms_1_profile_add_btn");
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetItemText(1), QStringLiteral("Arena"));
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(CurrentProfile().reportRate, 3);
    EXPECT_TRUE(As<COptionUI>("ms_1_btn_prate_4")->IsSelected());
    WaitForApply();
    const std::vector<std::string> log = Tell("log");
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0].rfind("cable 0c", 0), 0u);
    EXPECT_EQ(log[1], log[0]);
    for (const char* id : {"04", "05", "06", "08"})
        EXPECT_FALSE(ReportsWithId(id).empty()) << id;

    // The user picks the first row again, then the second: the apply saves the index.
    list->SelectItem(0);
    EXPECT_EQ(CurrentProfile().reportRate, 0);
    EXPECT_TRUE(As<COptionUI>("ms_1_btn_prate_1")->IsSelected());
    list->SelectItem(1);
    WaitForApply();

    window.reset();
    OpenWindow();
    list = As<CListUI>("ms_1_list_profile");
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(ReadName(CurrentProfile().name), u"Arena");
}

// What kestrinctl asks through the instance socket: a profile by name, and word of the end of
// the applies it asked for, with how they ended.
TEST_F(SettingsPageTest, AProfileUsedByNameIsSelectedSentAndItsWaitEndsAfterTheApply)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    auto* list = As<CListUI>("ms_1_list_profile");
    SendEverythingFirst();
    AnswerNameDialog(QStringLiteral("Arena"));
    Click("ms_1_profile_add_btn");
    WaitForApply();
    Tell("clear-log");

    std::optional<CMS_1_Page::ApplyOutcome> outcome;
    std::size_t loggedWhenDone = 0;
    const auto wait = [&] {
        outcome.reset();
        Page().WhenAppliesDone([&](CMS_1_Page::ApplyOutcome ended) {
            outcome = ended;
            loggedWhenDone = Tell("log").size();
        });
    };
    EXPECT_FALSE(Page().UseProfile(u"Nowhere"));
    ASSERT_TRUE(Page().UseProfile(u"PROFILE1")) << "names compare as the list compares them";
    wait();
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(ReadName(CurrentProfile().name), u"Profile1");
    ASSERT_TRUE(WaitFor([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, CMS_1_Page::ApplyOutcome::Taken);
    EXPECT_GE(loggedWhenDone, 5u) << "the wait ended before the full apply was written";
    EXPECT_EQ(ReadName(StoredCurrent()->name), u"Profile1");

    Tell("unplug cable");
    ASSERT_TRUE(WaitFor([&] { return Links().CableState.load() != kLinkConnected; }));
    ASSERT_TRUE(Page().UseProfile(u"Arena"));
    wait();
    ASSERT_TRUE(WaitFor([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, CMS_1_Page::ApplyOutcome::NoMouse);
    EXPECT_EQ(ReadName(StoredCurrent()->name), u"Arena") << "the switch is kept without a mouse";
}

// Buttons.

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
