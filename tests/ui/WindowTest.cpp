#include "base/Messages.h"
#include "platform/WindowRegistry.h"
#include "tests/support/SkinFolder.h"
#include "ui/MenuWnd.h"
#include "ui/WindowImplBase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <thread>

namespace kestrin {
namespace {

struct Received {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

class ProbeWindow final : public WindowImplBase {
public:
    explicit ProbeWindow(bool* deleted = nullptr) : deleted_(deleted) { }
    ~ProbeWindow() override
    {
        if (deleted_)
            *deleted_ = true;
    }
    std::vector<Received> received;
    std::vector<QString> clicks;
    bool destroyedSeen = false;
    bool killTimerOnExpiry = false;

protected:
    QString GetWindowClassName() const override { return QStringLiteral("Probe"); }
    QString GetSkinFile() const override { return QStringLiteral("probe.xml"); }
    void OnClick(TNotifyUI& msg) override { clicks.push_back(msg.pSender->GetName()); }
    intptr_t HandleCustomMessage(
        uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) override
    {
        if (message == WM_DESTROY)
            destroyedSeen = true;
        if (message == WM_TIMER && killTimerOnExpiry)
            KillTimer(wParam);
        received.push_back({message, wParam, lParam});
        handled = message >= 1024;
        return message == 2000 ? 77 : 0;
    }

private:
    bool* deleted_;
};

const QByteArray ProbeLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>Probe</class><widget class="QWidget" name="probe_root">
 <property name="geometry"><rect><x>0</x><y>0</y><width>320</width><height>140</height></rect></property>
 <layout class="QVBoxLayout" name="l"><item><widget class="QPushButton" name="probe_btn"/></item></layout>
</widget></ui>)";

class WindowTest : public testing::Test {
protected:
    void SetUp() override { skin.Write(QStringLiteral("probe.xml"), ProbeLayout); }
    void TearDown() override { CWindowWnd::SetModalHookForTesting(nullptr); }
    test::SkinFolder skin;
};

TEST_F(WindowTest, TheLayoutsOwnSizeGovernsTheWindow)
{
    ProbeWindow window;
    ASSERT_NE(window.Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 800, 800), 0u);
    EXPECT_EQ(window.GetWidget()->size(), QSize(320, 140));
    EXPECT_FALSE(window.IsVisible()) << "not WS_VISIBLE";
}

TEST_F(WindowTest, AMissingLayoutStillMakesAnEmptyWindow)
{
    skin.Write(QStringLiteral("probe.xml"), "not a layout");
    ProbeWindow window;
    ASSERT_NE(window.Create(nullptr, QString(), WS_POPUP | WS_VISIBLE, 0, 0, 0, 200, 100), 0u);
    EXPECT_EQ(window.GetPaintManager().FindControl(QStringLiteral("probe_btn")), nullptr);
    EXPECT_TRUE(test::WaitFor([&] { return window.IsVisible(); }));
}

TEST_F(WindowTest, PostedMessagesArriveInOrderAndSentOnesAtOnce)
{
    ProbeWindow window;
    const KestrinWindow handle = window.Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 10, 10);
    EXPECT_EQ(KestrinPostMessage(handle, 1128, 1, 2), 1);
    EXPECT_TRUE(window.PostMessage(1129, 3, -4));
    EXPECT_TRUE(window.received.empty()) << "posted, not sent";
    EXPECT_EQ(window.SendMessage(2000, 0, 0), 77);
    ASSERT_TRUE(test::WaitFor([&] { return window.received.size() == size_t(3); }));
    EXPECT_EQ(window.received[1].message, 1128u);
    EXPECT_EQ(window.received[2].message, 1129u);
    EXPECT_EQ(window.received[2].lParam, -4);
}

TEST_F(WindowTest, RunTimeLibrariesFindThePostEntryAndPostsFromOtherThreadsArrive)
{
    ProbeWindow window;
    const KestrinWindow handle = window.Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 10, 10);
    auto post =
        reinterpret_cast<KestrinPostMessageFn>(::dlsym(RTLD_DEFAULT, KESTRIN_POST_MESSAGE_SYMBOL));
    ASSERT_NE(post, nullptr) << "the entry must be exported";
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            post(handle, 1537, uintptr_t(i), 0);
    });
    poster.join();
    ASSERT_TRUE(test::WaitFor([&] { return window.received.size() == size_t(100); }));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(window.received[size_t(i)].wParam, uintptr_t(i));
}

TEST_F(WindowTest, APostToAnUnknownOrClosedWindowIsDroppedAndSaysSo)
{
    EXPECT_EQ(KestrinPostMessage(0, 1128, 0, 0), 0);
    EXPECT_EQ(KestrinPostMessage(0xDEAD0, 1128, 0, 0), 0);
    bool deleted = false;
    auto* window = new ProbeWindow(&deleted);
    window->SetFreeOnClose(true);
    const KestrinWindow handle = window->Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 10, 10);
    EXPECT_EQ(CWindowWnd::FromHandle(handle), window);
    window->DestroyWindow();
    EXPECT_TRUE(deleted) << "a window marked free-on-close frees itself";
    EXPECT_EQ(KestrinPostMessage(handle, 1128, 0, 0), 0);
    EXPECT_EQ(CWindowWnd::FromHandle(handle), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(WindowTest, PostsRacingAWindowsEndAreDeliveredOrDroppedNeverLost)
{
    // A driver library's reader thread keeps posting while the window it posts to goes.
    std::atomic<KestrinWindow> target{0};
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::thread poster([&] {
        while (!stop) {
            if (KestrinPostMessage(target.load(), 1539, 0, 0))
                ++accepted;
        }
    });
    int delivered = 0;
    for (int round = 0; round < 20; ++round) {
        auto* window = new ProbeWindow;
        target = window->Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 10, 10);
        ASSERT_TRUE(test::WaitFor([&] { return !window->received.empty(); }));
        delivered += int(window->received.size());
        window->DestroyWindow();
        delete window;
        QCoreApplication::processEvents();
    }
    stop = true;
    poster.join();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_GT(accepted.load(), 0);
    EXPECT_LE(delivered, accepted.load());
}

TEST_F(WindowTest, DestroyingSendsWmDestroyAndTheHandleIsNeverReused)
{
    ProbeWindow first;
    const KestrinWindow old = first.Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 10, 10);
    first.DestroyWindow();
    EXPECT_TRUE(first.destroyedSeen);
    EXPECT_FALSE(first.IsWindow());
    ProbeWindow second;
    EXPECT_NE(second.Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 10, 10), old);
}

TEST_F(WindowTest, ShowModalReturnsTheValueGivenToClose)
{
    ProbeWindow window;
    window.Create(nullptr, QString(), WS_POPUP | WS_VISIBLE, 0, 0, 0, 10, 10);
    bool wasVisible = false;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& modal) {
        wasVisible = modal.IsVisible();
        modal.Close(7);
    });
    EXPECT_EQ(window.ShowModal(), 7);
    EXPECT_TRUE(wasVisible);
    EXPECT_FALSE(window.IsWindow());
}

// Shown, hidden and shown again to become modal, a dialog stayed unmapped under IceWM while
// its loop ran, and the program looked frozen.
TEST_F(WindowTest, AModalWindowIsShownOnceAndModalFromTheStart)
{
    struct ShowsAndHides final : QObject {
        std::vector<std::pair<QEvent::Type, Qt::WindowModality>> seen;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
                seen.emplace_back(event->type(), static_cast<QWidget*>(watched)->windowModality());
            return false;
        }
    } watcher;
    ProbeWindow owner;
    owner.Create(nullptr, QString(), WS_POPUP | WS_VISIBLE, 0, 0, 0, 10, 10);
    ProbeWindow window;
    window.Create(&owner, QString(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 10, 10);
    window.GetWidget()->installEventFilter(&watcher);
    std::vector<std::pair<QEvent::Type, Qt::WindowModality>> whileModal;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& modal) {
        whileModal = watcher.seen;
        modal.Close(1);
    });
    EXPECT_EQ(window.ShowModal(), 1);
    const std::vector<std::pair<QEvent::Type, Qt::WindowModality>> once = {
        {QEvent::Show, Qt::WindowModal}};
    EXPECT_EQ(whileModal, once);
}

TEST_F(WindowTest, ClosingFromTheDesktopEndsAModalWindowWithZero)
{
    ProbeWindow window;
    window.Create(nullptr, QString(), WS_POPUP | WS_VISIBLE, 0, 0, 0, 10, 10);
    CWindowWnd::SetModalHookForTesting([](CWindowWnd& modal) { modal.GetWidget()->close(); });
    EXPECT_EQ(window.ShowModal(), 0);
}

TEST_F(WindowTest, EscapeEndsAModalWindowWithZero)
{
    ProbeWindow window;
    window.Create(nullptr, QString(), WS_POPUP | WS_VISIBLE, 0, 0, 0, 10, 10);
    CWindowWnd::SetModalHookForTesting(
        [](CWindowWnd& modal) { QTest::keyClick(modal.GetWidget(), Qt::Key_Escape); });
    EXPECT_EQ(window.ShowModal(), 0);
}

TEST_F(WindowTest, ClicksOfTheLayoutReachOnClick)
{
    ProbeWindow window;
    window.Create(nullptr, QString(), WS_POPUP | WS_VISIBLE, 0, 0, 0, 10, 10);
    auto* button = window.GetWidget()->findChild<QAbstractButton*>(QStringLiteral("probe_btn"));
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(window.clicks, std::vector<QString>{QStringLiteral("probe_btn")});
}

TEST_F(WindowTest, TimersRepeatUntilKilledEvenFromTheirOwnExpiry)
{
    ProbeWindow window;
    window.Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 10, 10);
    window.killTimerOnExpiry = true;
    window.SetTimer(52, 1);
    EXPECT_TRUE(window.IsTimerActive(52));
    ASSERT_TRUE(test::WaitFor([&] { return window.received.size() == size_t(1); }));
    EXPECT_EQ(window.received[0].message, WM_TIMER);
    EXPECT_EQ(window.received[0].wParam, 52u);
    EXPECT_FALSE(window.IsTimerActive(52));
    QTest::qWait(20);
    EXPECT_EQ(window.received.size(), 1u);

    window.killTimerOnExpiry = false;
    window.received.clear();
    window.SetTimer(515, 1);
    ASSERT_TRUE(test::WaitFor([&] { return window.received.size() >= 3; }));
    window.KillTimer(515);
}

class NotifyTarget final : public CNotifyPump {
public:
    QStringList seen;

protected:
    std::span<const NotifyMapEntry> GetNotifyMap() const override
    {
        static const NotifyMapEntry map[] = {
            {&DUI_MSGTYPE_CLICK, MapHandler(&NotifyTarget::OnClick)},
            {&DUI_MSGTYPE_RETURN, MapHandler(&NotifyTarget::OnClick)},
            {nullptr, nullptr},
        };
        return map;
    }

private:
    void OnClick(TNotifyUI& msg) { seen << msg.sType; }
};

TEST(NotifyPump, RoutesByVirtualWindowAndTypeThroughTheMap)
{
    NotifyTarget page;
    NotifyTarget host;
    ASSERT_TRUE(host.AddVirtualWnd(QStringLiteral("MS_1_Page"), &page));
    EXPECT_FALSE(host.AddVirtualWnd(QStringLiteral("MS_1_Page"), &page)) << "one name, one pump";

    TNotifyUI msg;
    msg.sType = DUI_MSGTYPE_RETURN;
    msg.sVirtualWnd = QStringLiteral("MS_1_Page");
    EXPECT_TRUE(host.NotifyPump(msg));
    msg.sType = DUI_MSGTYPE_VALUECHANGED;
    EXPECT_FALSE(host.NotifyPump(msg)) << "not in the map";
    msg.sType = DUI_MSGTYPE_CLICK;
    msg.sVirtualWnd.clear();
    EXPECT_TRUE(host.NotifyPump(msg));
    EXPECT_EQ(page.seen, QStringList{QStringLiteral("return")});
    EXPECT_EQ(host.seen, QStringList{QStringLiteral("click")});

    EXPECT_TRUE(host.RemoveVirtualWnd(QStringLiteral("MS_1_Page")));
    msg.sVirtualWnd = QStringLiteral("MS_1_Page");
    host.NotifyPump(msg);
    EXPECT_EQ(page.seen.size(), 1) << "a removed virtual window hears nothing more";
}

TEST_F(WindowTest, AMenuItemReachesItsOwnerByNameAndTheMenuStaysOnScreen)
{
    skin.Write(QStringLiteral("menu.xml"), R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>Menu</class><widget class="QWidget" name="menu_root">
 <property name="geometry"><rect><x>0</x><y>0</y><width>150</width><height>80</height></rect></property>
 <layout class="QVBoxLayout" name="l">
  <item><widget class="QPushButton" name="Configuration"/></item>
  <item><widget class="QPushButton" name="hidden_item"><property name="visible"><bool>false</bool></property></widget></item>
 </layout></widget></ui>)");
    ProbeWindow owner;
    owner.Create(nullptr, QString(), WS_POPUP, 0, 0, 0, 10, 10);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    CMenuWnd menu;
    menu.Init(nullptr, QStringLiteral("menu.xml"), screen.bottomRight(), &owner.GetPaintManager());
    menu.ResizeMenu();
    EXPECT_TRUE(screen.contains(menu.GetWidget()->geometry())) << "pushed back onto the screen";
    EXPECT_EQ(menu.VisibleItems(), QStringList{QStringLiteral("Configuration")});

    CMenuWnd rightAligned;
    rightAligned.Init(nullptr, QStringLiteral("menu.xml"), QPoint(400, 300),
        &owner.GetPaintManager(), nullptr, eMenuAlignment_Right | eMenuAlignment_Bottom);
    rightAligned.ResizeMenu();
    EXPECT_EQ(rightAligned.GetWidget()->geometry().bottomRight(), QPoint(400, 300))
        << "its right and bottom edges on the point";

    auto* item = menu.GetWidget()->findChild<QAbstractButton*>(QStringLiteral("Configuration"));
    QTest::mouseClick(item, Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return owner.received.size() == size_t(1); }));
    EXPECT_EQ(owner.received[0].message, WM_MENU_COMMAND);
    auto* record = reinterpret_cast<MenuCmd*>(owner.received[0].wParam);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->szName, QStringLiteral("Configuration"));
    CPaintManagerUI::DeletePtr(record);
    EXPECT_FALSE(menu.IsVisible()) << "a chosen item closes the menu";
}

} // namespace
} // namespace kestrin
