// The device page on the main window (offscreen) against a virtual mouse served in-process:
// the links at start-up, arrival and removal, the watchdog, the battery display, the mouse's
// own changes and an apply through the worker.
#include "platform/ModalLoops.h"
#include "protocol/ApplyPlan.h"
#include "protocol/LinkWrites.h"
#include "tests/page/DevicePageFixture.h"
#include "tests/support/FailingFileCalls.h"
#include "ui/BatteryRing.h"
#include "ui/MenuWnd.h"

#include <gmock/gmock.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QProxyStyle>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QStyleFactory>
#include <QTimer>

#include <cstring>
#include <optional>

#include <gtest/gtest.h>

namespace kestrin {
namespace {

using test::WaitFor;

// The widgets that were told their style changed, and how often.
class StyleChangeSpy final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (auto* widget = qobject_cast<QWidget*>(watched);
            widget && event->type() == QEvent::StyleChange)
            ++changed[widget];
        return false;
    }
    QHash<QWidget*, int> changed;
};

// Counts each widget's polish by the application's style, whatever sheet is over it.
class PolishCounter final : public QProxyStyle {
public:
    explicit PolishCounter(QStyle* base) : QProxyStyle(base) { }
    void polish(QWidget* widget) override
    {
        ++polished[widget];
        QProxyStyle::polish(widget);
    }
    using QProxyStyle::polish;
    QHash<QWidget*, int> polished;
};

// Styling is most of a start's work: each widget of the window the program shows is polished
// once, by its rules, and none is polished again before the user sees it.
TEST_F(DevicePageTest, AtStartEveryWidgetIsStyledOnce)
{
    const QString styleName = QApplication::style()->name();
    qApp->setStyleSheet(QString());
    auto* counter = new PolishCounter(QStyleFactory::create(styleName));
    QApplication::setStyle(counter);
    const auto restore = qScopeGuard([&] {
        qApp->setStyleSheet(QString());
        QApplication::setStyle(QStyleFactory::create(styleName));
        test::UseInstalledSkin();
    });
    StyleChangeSpy changes;
    qApp->installEventFilter(&changes);
    test::UseInstalledSkin();
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsVisible(); }));
    QCoreApplication::processEvents();
    qApp->removeEventFilter(&changes);

    // Two kinds are styled again, each for a reason of its own: a combo box, once polished,
    // moves its list into its popup (Qt's own doing, unseen until the list opens), and a colour
    // swatch takes the profile's colour as a sheet of its own.
    const auto excused = [](const QWidget* widget) {
        for (const QWidget* w = widget; w; w = w->parentWidget())
            if (qobject_cast<const QComboBox*>(w->parentWidget()))
                return true;
        return !widget->styleSheet().isEmpty();
    };
    QStringList twice;
    QStringList restyled;
    const QList<QWidget*> widgets = window->GetWidget()->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (excused(widget))
            continue;
        const QString name = widget->objectName() + QLatin1Char(' ') +
            QLatin1String(widget->metaObject()->className());
        if (counter->polished.value(widget) > 1)
            twice << name;
        // Qt tells each widget made under a sheet once; more is a restyle.
        if (changes.changed.value(widget) > 1)
            restyled << name;
    }
    EXPECT_EQ(twice.join(QStringLiteral(", ")).toStdString(), "");
    EXPECT_GT(counter->polished.size(), 100) << "the page's widgets are styled by the sheet";
    EXPECT_EQ(restyled.join(QStringLiteral(", ")).toStdString(), "");
}

// With a mouse there the no-mouse page is never seen: it is built only as its stack shows it.
TEST_F(DevicePageTest, TheNoMousePageIsBuiltWhenItIsFirstShown)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsVisible(); }));
    CPaintManagerUI& paint = window->GetPaintManager();
    const QString page = QStringLiteral("no_mouse_page");
    EXPECT_FALSE(paint.IsBuilt(page));
    EXPECT_FALSE(paint.FindBuiltControl(QStringLiteral("no_mouse_title")));
    auto* stack = qobject_cast<QStackedWidget*>(Control("device_tab_switch")->GetWidget());
    ASSERT_TRUE(stack);
    stack->setCurrentWidget(stack->findChild<QWidget*>(page));
    EXPECT_TRUE(paint.IsBuilt(page));
    CControlUI* title = paint.FindBuiltControl(QStringLiteral("no_mouse_title"));
    ASSERT_TRUE(title);
    EXPECT_TRUE(title->GetWidget()->isVisible());
    EXPECT_FALSE(paint.FindBuiltControl(QStringLiteral("no_mouse_udev"))->GetWidget()->isVisible());
}

TEST_F(DevicePageTest, WithTheCableAtStartTheWiredIconShowsAndTheRingSweepsWhileCharging)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();

    EXPECT_EQ(Links().CableState.load(), kLinkConnected);
    EXPECT_EQ(Links().MouseUnreachable.load(), 0);
    EXPECT_EQ(Page().AnyLinkConnected(), 1);
    EXPECT_TRUE(Visible("ms_1_wired"));
    EXPECT_FALSE(Visible("ms_1_wireless"));
    EXPECT_FALSE(Visible("ms_1_sleep_label"));
    EXPECT_TRUE(Control("ms_1_label_power")->IsResourceText());
    EXPECT_EQ(PowerText(), Charging());
    EXPECT_NE(Charging(), QStringLiteral("charging_text"));
    EXPECT_TRUE(Timer(TIMER_CHARGE_ANIMATION));
    EXPECT_TRUE(WaitFor([&] { return window->DevicePresent() == 1; }));

    // Each tick shows the step, then moves it on by 2, wrapping after 100. The timer is stopped
    // so that only the test's ticks count.
    window->KillTimer(TIMER_CHARGE_ANIMATION);
    Page().StepChargeAnimation();
    int previous = Ring();
    EXPECT_EQ(previous % 2, 0);
    int wraps = 0;
    for (int tick = 0; tick < 120; ++tick) {
        Page().StepChargeAnimation();
        const int expected = previous == 100 ? 0 : previous + 2;
        ASSERT_EQ(Ring(), expected) << "after " << previous;
        wraps += expected == 0 ? 1 : 0;
        previous = Ring();
    }
    EXPECT_GE(wraps, 1);
}

TEST_F(DevicePageTest, TheTrayToolTipTellsTheLinksTheBatteryAndTheDpiAsTheyChange)
{
    gattBus.AddMouse("aabbccddeeff");
    gattBus.devices = {{true, "Mouse", "BTHLE\\Dev_aabbccddeeff"}};
    OpenWindow(true);
    Expire(TIMER_BLE_REGISTER);
    ASSERT_EQ(gattBus.subscribed.size(), 1U);
    const auto tip = [&] { return window->TrayIcon().GetToolTipText().toStdString(); };
    const auto stageDpi = [&](int stage) {
        return Page().Profiles().Edit(
            [&] { return std::to_string(Page().Profiles().Current()->dpiX[stage] * 50) + " DPI"; });
    };
    EXPECT_THAT(tip(), testing::StartsWith("Kestrin\nConnected over Bluetooth\n"));

    // Told by the mouse over Bluetooth, outside the window's messages.
    const auto notify = [&](std::vector<uint8_t> bytes) {
        gattBus.subscribed.begin()->second(bytes);
        QCoreApplication::processEvents();
    };
    notify({0x10, 0x40, 0x00, 0x39});
    EXPECT_THAT(tip(), testing::HasSubstr("Battery 57%"));
    notify({0x10, 0x10, 0x03, 0x00}); // the mouse's stage 3
    EXPECT_THAT(tip(), testing::EndsWith(" · " + stageDpi(2)));

    Page().SetBleConnected(0);
    EXPECT_EQ(tip(), "Kestrin\nNo mouse connected");
}

TEST_F(DevicePageTest, TheTrayToolTipFollowsALinkThatSettlesBesideAnother)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    const auto tip = [&] { return window->TrayIcon().GetToolTipText().toStdString(); };
    EXPECT_THAT(tip(), testing::StartsWith("Kestrin\nConnected by cable\n"));
    State(WM_RECEIVER_STATE, 1);
    Expire(TIMER_RECEIVER_ARRIVAL); // the mouse stays connected: no link change is told
    EXPECT_THAT(tip(),
        testing::StartsWith("Kestrin\nConnected by cable, Connected through the receiver\n"));
}

TEST_F(DevicePageTest, ALowBatteryIsWarnedOfOncePerLevelAndBadgesTheTrayAndRingUntilCharging)
{
    OpenWindow();
    State(WM_RECEIVER_STATE, 1);
    Expire(TIMER_RECEIVER_ARRIVAL);
    std::vector<std::pair<int, int>> warnings; // level, percent
    // Stands in for the main window's notification, whose service has its own test.
    Page().SetLowBatteryHandler(
        [&](int level, int percent) { warnings.emplace_back(level, percent); });
    const qint64 plainIcon = window->TrayIcon().Icon().cacheKey();
    const auto battery = [&](int percent, int status) {
        Event(WM_RECEIVER_EVENT, 0x4010, uint16_t(percent << 8 | status));
    };
    auto* ring = qobject_cast<BatteryRing*>(Control("ms_1_progress_power")->GetWidget());
    ASSERT_TRUE(ring);
    battery(20, 0);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(window->TrayIcon().Icon().cacheKey(), plainIcon);
    EXPECT_EQ(ring->arcColor(), ring->ringColor());
    battery(15, 0);
    battery(14, 0);
    battery(16, 0);
    EXPECT_EQ(warnings, (std::vector<std::pair<int, int>>{{15, 15}}));
    EXPECT_EQ(ring->arcColor(), ring->ringColor());
    battery(14, 0);
    EXPECT_NE(window->TrayIcon().Icon().cacheKey(), plainIcon) << "badged while low";
    EXPECT_EQ(ring->arcColor(), ring->lowColor());
    battery(5, 0);
    EXPECT_EQ(ring->arcColor(), ring->criticalColor());
    battery(4, 3); // charging: no warning, and the next discharge warns again
    EXPECT_EQ(window->TrayIcon().Icon().cacheKey(), plainIcon);
    EXPECT_EQ(ring->arcColor(), ring->ringColor()) << "the charging sweep is never a warning";
    battery(12, 0);
    EXPECT_EQ(warnings, (std::vector<std::pair<int, int>>{{15, 15}, {5, 5}, {15, 12}}));
}

TEST_F(DevicePageTest, AReportThroughTheCableWhileItSettlesIsTheMouseCharging)
{
    OpenWindow();
    int warnings = 0;
    Page().SetLowBatteryHandler([&](int, int) { ++warnings; });
    State(WM_CABLE_STATE, 1);
    ASSERT_TRUE(Timer(TIMER_CABLE_ARRIVAL));
    Event(WM_CABLE_EVENT, 0x4010, uint16_t(12 << 8));
    EXPECT_EQ(PowerText(), Charging());
    EXPECT_EQ(warnings, 0);
    EXPECT_FALSE(Visible("ms_1_wireless"));
}

TEST_F(DevicePageTest, StateMessagesWithAnotherWParamChangeNothing)
{
    OpenWindow();
    for (uintptr_t wParam : {2u, 3u, 0x100u}) {
        State(WM_CABLE_STATE, wParam);
        State(WM_RECEIVER_STATE, wParam);
    }
    EXPECT_EQ(Links().CableState.load(), kLinkNotSeen);
    EXPECT_EQ(Links().ReceiverState.load(), kLinkNotSeen);
    EXPECT_FALSE(Timer(TIMER_CABLE_ARRIVAL));
    EXPECT_FALSE(Timer(TIMER_RECEIVER_ARRIVAL));
}

TEST_F(DevicePageTest, ADamagedProfileStoreIsKeptAsideAndTheUserIsTold)
{
    fs::create_directories(folder.Data() + "ms_1");
    {
        std::ofstream damaged(folder.Data() + "ms_1/pro.data", std::ios::binary);
        damaged << "not a profile store";
    }
    std::vector<QString> told;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        told.push_back(box.GetWidget()->findChild<QLabel*>(QStringLiteral("warning"))->text());
        box.Close(1);
    });
    OpenWindow();
    CWindowWnd::SetModalHookForTesting(nullptr);

    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told.front(),
        CResourceManager::GetInstance()->GetText(QStringLiteral("profile_store_damaged_text")));
    int keptAside = 0;
    for (const auto& entry : fs::directory_iterator(folder.Data() + "ms_1"))
        keptAside += entry.path().filename().string().starts_with("pro.data.broken-") ? 1 : 0;
    EXPECT_EQ(keptAside, 1);
    // A fresh store with its first profile, named from the language file, took its place.
    Page().Profiles().Edit([&] {
        ASSERT_NE(Page().Profiles().Current(), nullptr);
        EXPECT_EQ(Page().Profiles().list.size(), 1u);
    });
    EXPECT_EQ(Links().ApplyAllPending.load(), 1);
}

TEST_F(DevicePageTest, ExitFromTheTrayWhileTheDamageWarningIsOpenEndsCleanly)
{
    fs::create_directories(folder.Data() + "ms_1");
    {
        std::ofstream damaged(folder.Data() + "ms_1/pro.data", std::ios::binary);
        damaged << "not a profile store";
    }
    {
        std::ofstream damaged(folder.Data() + "ms_1/macro.data", std::ios::binary);
        damaged << "no macros either";
    }
    int boxes = 0;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd&) {
        ++boxes;
        auto* exit = new MenuCmd;
        exit->szName = QStringLiteral("exit");
        window->SendMessage(WM_MENU_COMMAND, reinterpret_cast<uintptr_t>(exit), 0);
    });
    OpenWindow();
    CWindowWnd::SetModalHookForTesting(nullptr);

    EXPECT_EQ(boxes, 1) << "the second warning is not shown to a program on its way out";
    ASSERT_TRUE(WaitFor([&] { return !window->IsWindow(); }));
    EXPECT_FALSE(InModalLoop());
    EXPECT_FALSE(ModalLoopsRefused()) << "a later window may show its boxes again";
    // The quit reached the application, whose loops now return at once; an application loop
    // that runs and ends lets the next test's dialogs run again.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// The battery display.

TEST_F(DevicePageTest, TheChargingSweepWaitsWhileNobodySeesTheWindowAndGoesOnFromItsStep)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    ASSERT_TRUE(window->IsVisible());
    ASSERT_TRUE(Timer(TIMER_CHARGE_ANIMATION));
    for (int tick = 0; tick < 7; ++tick)
        Expire(TIMER_CHARGE_ANIMATION);

    // Into the tray: no timer, not even for a charging report that comes meanwhile.
    window->SendMessage(WM_CLOSE, 0, 0);
    ASSERT_FALSE(window->IsVisible());
    EXPECT_FALSE(Timer(TIMER_CHARGE_ANIMATION));
    const int step = Page().ChargeAnimationStep();
    const int ring = Ring();
    Event(WM_CABLE_EVENT, 0x4010, 0x2800);
    EXPECT_FALSE(Timer(TIMER_CHARGE_ANIMATION));

    window->ShowMainWindow();
    EXPECT_TRUE(Timer(TIMER_CHARGE_ANIMATION));
    EXPECT_EQ(Ring(), ring);
    Page().StepChargeAnimation(); // no event loop: the real timer cannot tick in between
    EXPECT_EQ(Ring(), step) << "the sweep goes on where it stopped";

    window->SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(window->IsMinimized());
    EXPECT_FALSE(Timer(TIMER_CHARGE_ANIMATION));
    // Full while minimised: shown again, the ring stays full.
    Event(WM_CABLE_EVENT, 0x4010, 0x6402);
    window->ShowMainWindow();
    EXPECT_FALSE(Timer(TIMER_CHARGE_ANIMATION));
    EXPECT_EQ(Ring(), 100);
    Event(WM_CABLE_EVENT, 0x4010, 0x2800);
    EXPECT_TRUE(Timer(TIMER_CHARGE_ANIMATION));
}

TEST_F(DevicePageTest, ThroughTheReceiverTheRingShowsThePercentUpToAHundred)
{
    OpenWindow();
    State(WM_RECEIVER_STATE, 1);
    Expire(TIMER_RECEIVER_ARRIVAL);
    window->ShowMainWindow(); // without a mouse at start the window went into the tray
    Event(WM_RECEIVER_EVENT, 0x4010, 0x0303); // charging
    EXPECT_EQ(PowerText(), Charging());
    EXPECT_TRUE(Timer(TIMER_CHARGE_ANIMATION));

    const std::tuple<uint16_t, const char*, int> cases[] = {
        {0x2800, "40%", 40},   // status 0, 40 %
        {0x9600, "100%", 100}, // 150 % is no percent: 100 stays on show
        {0x3902, "57%", 57},   // through the receiver status 2 is not "full"
        {0x0001, "0%", 0},
    };
    for (const auto& [value, text, ring] : cases) {
        Event(WM_RECEIVER_EVENT, 0x4010, value);
        EXPECT_EQ(PowerText(), QString::fromLatin1(text)) << std::hex << value;
        EXPECT_EQ(Ring(), ring) << std::hex << value;
        EXPECT_FALSE(Timer(TIMER_CHARGE_ANIMATION));
    }
}

TEST_F(DevicePageTest, AStoreThatCouldNotBeKeptAsideIsNotSavedOverBeforeTheUserIsTold)
{
    // A store read with a repair (its index lies outside the list), on a disk too full for the
    // copy aside.
    std::vector<char> bytes(sizeof(ProfileStoreHeader) + sizeof(ProfileRecord));
    const int32_t index = 999;
    std::memcpy(bytes.data(), &index, sizeof index);
    const auto profile = NewProfileRecord(u"Kept");
    std::memcpy(bytes.data() + sizeof(ProfileStoreHeader), profile.get(), sizeof(ProfileRecord));
    fs::create_directories(folder.Data() + "ms_1");
    const std::string store = folder.Data() + "ms_1/pro.data";
    std::ofstream(store, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    const auto storeBytes = [&] {
        std::ifstream in(store, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    };

    auto diskFull = std::make_optional<test::FailingWrites>(0);
    std::vector<QString> told;
    bool unchangedWhileShown = false;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
        told.push_back(box.GetWidget()->findChild<QLabel*>(QStringLiteral("warning"))->text());
        diskFull.reset(); // room again, but the user has not read the message yet
        Event(WM_CABLE_EVENT, 0x1010, 3);
        Expire(TIMER_STORE_MOUSE_CHANGES);
        QTest::qWait(300);
        unchangedWhileShown = storeBytes() == bytes;
        box.Close(1);
    });
    OpenWindow();
    CWindowWnd::SetModalHookForTesting(nullptr);

    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told.front(),
        CResourceManager::GetInstance()->GetText(QStringLiteral("profile_store_not_kept_text")));
    EXPECT_TRUE(unchangedWhileShown);
    // Once told, the change held back is saved.
    EXPECT_TRUE(StoredSoon([](const ProfileRecord& p) { return p.currentDpiStage == 2; }));
}

// The mouse's own changes.

TEST_F(DevicePageTest, ADpiPressIsStoredShownAndNotSentBack)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    Tell("dpi 3");
    ASSERT_TRUE(WaitFor([&] { return window->DpiDisplay() != nullptr; }));
    // Default stages 16, 24, 32, ... in units of 50 DPI.
    EXPECT_EQ(window->DpiDisplay()->GetText(), QStringLiteral("DPI :1600"));

    Page().Profiles().Edit([&] {
        EXPECT_EQ(Page().Profiles().Current()->currentDpiStage, 2);
        EXPECT_EQ(Page().Profiles().snapshot->currentDpiStage, 2);
    });
    EXPECT_TRUE(StoredSoon([](const ProfileRecord& p) { return p.currentDpiStage == 2; }));

    // Stages out of range and codes that are no events are dropped.
    Event(WM_CABLE_EVENT, 0x1010, 9);
    Event(WM_CABLE_EVENT, 0x1011, 1);
    Page().Profiles().ReadCurrent([](const ProfileRecord& p) { EXPECT_EQ(p.currentDpiStage, 2); });
}

TEST_F(DevicePageTest, ReportRateAndLightingFromTheMouseAreStored)
{
    OpenWindow();
    Event(WM_RECEIVER_EVENT, 0x2010, 2); // 2 ms: 500 Hz
    Event(WM_CABLE_EVENT, 0x7010, 5);
    Event(WM_RECEIVER_EVENT, 0x5010, 0);
    EXPECT_EQ(Links().WriteAcknowledged.load(), 1);
    Event(WM_RECEIVER_EVENT, 0x5010, 1);
    EXPECT_EQ(Links().WriteAcknowledged.load(), 0);

    // The changes are saved when the store timer ends.
    EXPECT_TRUE(StoredSoon(
        [](const ProfileRecord& p) { return p.reportRate == 2 && p.lightingMode == 5; }));
}

TEST_F(DevicePageTest, ABurstOfDpiPressesMakesOneSaveThatHoldsTheLastStage)
{
    OpenWindow();
    const std::string store = folder.Data() + "ms_1/pro.data";
    auto written = fs::last_write_time(store);
    int saves = 0;
    QElapsedTimer burst;
    burst.start();
    for (int i = 0; i < 2000; ++i) {
        Event(WM_CABLE_EVENT, 0x1010, uint16_t(1 + i % 6)); // stages 1 to 6, stored from 0
        if (const auto now = fs::last_write_time(store); now != written) {
            written = now;
            ++saves;
        }
    }
    EXPECT_LE(saves, 1 + burst.elapsed() / STORE_MOUSE_CHANGES_MS) << "one save per 250 ms at most";
    EXPECT_TRUE(StoredSoon([](const ProfileRecord& p) { return p.currentDpiStage == 1999 % 6; }));

    // A change left when the program ends is saved all the same.
    Event(WM_CABLE_EVENT, 0x1010, 5);
    window.reset();
    EXPECT_EQ(StoredCurrent()->currentDpiStage, 4);
}

TEST_F(DevicePageTest, ASaveStuckOnTheDiskHoldsUpNeitherTheWindowNorTheLastChange)
{
    OpenWindow();
    std::mutex mutex;
    std::condition_variable changed;
    bool stuck = false;
    bool released = false;
    bool onUiThread = false;
    const auto uiThread = std::this_thread::get_id();
    const FileCalls previous = SetFileCalls(
        {.write = {}, .fsync = [&](int fd) {
             std::unique_lock lock(mutex);
             onUiThread = onUiThread || std::this_thread::get_id() == uiThread;
             stuck = true;
             changed.notify_all();
             changed.wait_for(lock, std::chrono::seconds(10), [&] { return released; });
             return ::fsync(fd);
         }});

    Event(WM_CABLE_EVENT, 0x1010, 2);
    Expire(TIMER_STORE_MOUSE_CHANGES);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return stuck; }));
    }
    // The window goes on taking the mouse's changes while the disk holds the save.
    for (uint16_t stage : {3, 4, 5}) {
        Event(WM_CABLE_EVENT, 0x1010, stage);
        Expire(TIMER_STORE_MOUSE_CHANGES);
    }
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    EXPECT_TRUE(StoredSoon([](const ProfileRecord& p) { return p.currentDpiStage == 4; }));
    bool savedOnUiThread = false;
    {
        std::lock_guard lock(mutex);
        savedOnUiThread = onUiThread;
    }
    window.reset(); // no save may still run into the hook (the exit's own is on this thread)
    SetFileCalls(previous);
    EXPECT_FALSE(savedOnUiThread);
}

// Applying.

TEST_F(DevicePageTest, AnApplyRequestReachesTheMouseAndHidesTheRingAfterwards)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    Page().Profiles().EditCurrent([](ProfileRecord& p) { p.reportRate = 1; });
    ApplyRingSpy ring(*window);
    window->GetPaintManager()
        .FindControl(QStringLiteral("apply_ring"))
        ->GetWidget()
        ->installEventFilter(&ring);
    Page().RequestApply(5);
    EXPECT_TRUE(Timer(TIMER_APPLY_DEBOUNCE));
    // The first apply sends everything: the begin report twice, then each group.
    ASSERT_TRUE(WaitFor([&] { return Tell("log").size() >= 5; }));
    const std::vector<std::string> log = Tell("log");
    EXPECT_EQ(log.front(), "cable 0c0a01fe01fe00000000 accepted");
    EXPECT_EQ(log[1], log[0]);
    // The ring shows for the apply and hides after it, the watchdog started in between.
    ASSERT_TRUE(WaitFor([&] {
        return ring.events == std::vector<char>{'S', 'H'};
    })) << std::string(ring.events.begin(), ring.events.end());
    EXPECT_TRUE(ring.watchdogAtHide);
    Page().Profiles().Edit([&] { EXPECT_EQ(Page().Profiles().snapshot->reportRate, 1); });
    EXPECT_EQ(Links().ApplyAllPending.load(), 0);
}

TEST_F(DevicePageTest, AChangeTheSleepingReceiverMouseMissedReachesItWhenItWakes)
{
    StartMouse({vmouse::Link::Receiver});
    OpenWindow(false, std::make_unique<FastClock>());
    Tell("battery 40");
    ASSERT_TRUE(WaitFor([&] { return Links().ReceiverMouseAwake.load() == 1; }));
    Expire(TIMER_RECEIVER_WATCHDOG);
    ASSERT_EQ(Links().ReceiverMouseAwake.load(), 0);

    Page().Profiles().EditCurrent([](ProfileRecord& p) { p.reportRate = 1; });
    const auto hint = [&] { return Control("ms_1_footer_hint")->GetText(); };
    const QString untaken =
        CResourceManager::GetInstance()->GetText(QStringLiteral("apply_untaken_text"));
    window->PostMessage(WM_APPLY_REQUEST, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return hint() == untaken; })) << hint().toStdString();
    EXPECT_TRUE(Tell("log").empty()) << "nothing reaches a sleeping mouse";

    // It wakes: what it missed goes out without another request, and the footer says so.
    Tell("battery 50");
    ASSERT_TRUE(WaitFor([&] { return hint() != untaken; })) << hint().toStdString();
    bool rateSent = false;
    for (const std::string& line : Tell("log"))
        rateSent = rateSent || line.starts_with("receiver 06090104fb");
    EXPECT_TRUE(rateSent);
}

TEST_F(DevicePageTest, AFailedSaveIsToldOnceWithFolderAndReasonAndSoIsItsRecovery)
{
    StartMouse({vmouse::Link::Cable});
    OpenWindow();
    const auto hint = [&] { return Control("ms_1_footer_hint")->GetText(); };
    const auto text = [](const char* id) {
        return CResourceManager::GetInstance()->GetText(QString::fromLatin1(id));
    };
    const auto pressDpi = [&](uint16_t stage) {
        Event(WM_CABLE_EVENT, 0x1010, stage);
        Expire(TIMER_STORE_MOUSE_CHANGES);
    };
    EXPECT_EQ(hint(), text("apply_hint_text"));

    {
        test::FailingWrites diskFull(0);
        pressDpi(3);
        ASSERT_TRUE(WaitFor([&] { return hint() != text("apply_hint_text"); }));
        const QString failed = hint();
        EXPECT_TRUE(failed.contains(QString::fromStdString(folder.Data() + "ms_1/")));
        EXPECT_TRUE(failed.contains(QStringLiteral("No space left on device")));
        EXPECT_FALSE(failed.contains(QStringLiteral("%")));
        pressDpi(4);
        QTest::qWait(200);
        EXPECT_EQ(hint(), failed) << "one streak, told once and not taken back";
    }
    pressDpi(5);
    EXPECT_TRUE(WaitFor([&] { return hint() == text("save_recovered_text"); }))
        << hint().toStdString();
    EXPECT_TRUE(StoredSoon([](const ProfileRecord& p) { return p.currentDpiStage == 4; }));
}

} // namespace
} // namespace kestrin
