// Two screens side by side (Qt's offscreen platform, configured from two-screens.json): the
// DPI display goes to the screen of the main window, or of the pointer while that is hidden; a
// menu opened at the pointer stays on the pointer's screen.
#include "app/DPIMsg.h"
#include "base/Messages.h"
#include "platform/WorkArea.h"
#include "tests/support/SkinFolder.h"
#include "ui/MenuWnd.h"
#include "ui/WindowImplBase.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace kestrin {
namespace {

class Owner final : public WindowImplBase {
protected:
    QString GetWindowClassName() const override { return QStringLiteral("Owner"); }
    QString GetSkinFile() const override { return QStringLiteral("msg.xml"); }
};

class TwoScreensTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::UseInstalledSkin();
        ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run with two-screens.json";
        owner.Create(nullptr, QString(), WS_POPUP, 0, 100, 100, 300, 200);
    }
    // Where the display goes with the owner as it is now.
    QRect DisplayPlace()
    {
        CDPIMsg display;
        display.SetText(QStringLiteral("DPI :1600"));
        display.Create(&owner, QString(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
            0, 0, 800, 800);
        const QRect place = display.GetWidget()->geometry();
        display.DestroyWindow();
        return place;
    }
    Owner owner;
};

TEST_F(TwoScreensTest, TheDpiDisplayGoesToTheMainWindowsScreenOrElseThePointers)
{
    owner.ShowWindow(true, false);
    owner.GetWidget()->move(100, 100);
    EXPECT_EQ(DisplayPlace(), QRect(1070, 740, 200, 50)) << "the single-screen place on the left";
    owner.GetWidget()->move(1500, 100);
    EXPECT_EQ(DisplayPlace(), QRect(2350, 740, 200, 50)) << "the right screen's corner";

    owner.ShowWindow(false, false);
    QCursor::setPos(300, 300);
    EXPECT_EQ(DisplayPlace(), QRect(1070, 740, 200, 50));
    QCursor::setPos(2000, 300);
    EXPECT_EQ(DisplayPlace(), QRect(2350, 740, 200, 50)) << "hidden: the pointer's screen";
}

TEST_F(TwoScreensTest, ATrayMenuAtThePointerStaysOnThePointersScreen)
{
    // Near the right screen's bottom right, where a notification area usually is.
    CMenuWnd menu;
    menu.Init(nullptr, QStringLiteral("traymenu.xml"), QPoint(2550, 780), &owner.GetPaintManager(),
        nullptr, eMenuAlignment_Left | eMenuAlignment_Top);
    menu.ResizeMenu();
    const QRect place = menu.GetWidget()->geometry();
    const QRect right = QGuiApplication::screens().at(1)->availableGeometry();
    EXPECT_TRUE(right.contains(place)) << "moved in, not over to the other screen";
    EXPECT_EQ(place.right(), right.right());
    EXPECT_EQ(place.bottom(), right.bottom());
}

} // namespace
} // namespace kestrin
