// The main window's menus: the tray menu, the window menu and the commands they send.
#include "tests/app/ShellFixture.h"

namespace kestrin {
namespace {

TEST_F(MainWindowTest, TheTrayExitCommandEndsTheWindowWhateverItsCase)
{
    MenuCommand(QStringLiteral("Exit"));
    EXPECT_FALSE(window->IsWindow());
    EXPECT_EQ(window->SendMessage(WM_MENU_COMMAND, 0, 0), 0) << "a gone window ignores messages";
}

TEST_F(MainWindowTest, OtherMenuCommandsAndANullRecordDoNothing)
{
    for (const char* name : {"MS_1_left", "ms", "", "exit2"})
        MenuCommand(QString::fromLatin1(name));
    window->SendMessage(WM_MENU_COMMAND, 0, 0);
    EXPECT_TRUE(window->IsWindow());
}

TEST(RouteMenuCommand, NamesAreMatchedAsTheMenusWriteThem)
{
    EXPECT_EQ(RouteMenuCommand(QStringLiteral("configuration")), MenuRoute::ShowWindow);
    EXPECT_EQ(RouteMenuCommand(QStringLiteral("Configuration")), MenuRoute::ShowWindow);
    EXPECT_EQ(RouteMenuCommand(QStringLiteral("EXIT")), MenuRoute::Exit);
    EXPECT_EQ(RouteMenuCommand(QStringLiteral("about")), MenuRoute::About);
    EXPECT_EQ(RouteMenuCommand(QStringLiteral("ms_1_btn_left")), MenuRoute::DevicePage);
    EXPECT_EQ(RouteMenuCommand(QStringLiteral("ms_1")), MenuRoute::DevicePage);
    EXPECT_EQ(RouteMenuCommand(QStringLiteral("MS_1_btn_left")), MenuRoute::Ignore)
        << "the page prefix is case-sensitive";
    EXPECT_EQ(RouteMenuCommand(QStringLiteral("ms_")), MenuRoute::Ignore) << "too short";
    EXPECT_EQ(RouteMenuCommand(QString()), MenuRoute::Ignore);
}

TEST_F(MainWindowTest, TheTrayMenuOffersConfigurationAboutAndExitAndReplacesTheLastOne)
{
    Post(WM_TRAY_NOTIFY, 0, WM_RBUTTONUP);
    CMenuWnd* first = window->TrayMenu();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->VisibleItems(),
        (QStringList{
            QStringLiteral("configuration"), QStringLiteral("about"), QStringLiteral("exit")}));
    Post(WM_TRAY_NOTIFY, 0, WM_RBUTTONUP);
    ASSERT_TRUE(window->TrayMenu());
    EXPECT_TRUE(window->TrayMenu()->IsVisible());

    // Choosing "exit" in the menu ends the window.
    QTest::mouseClick(Button(*window->TrayMenu(), "exit"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return !window->IsWindow(); }));
}

TEST_F(MainWindowTest, TheWindowMenuOffersAboutAndAnExitThatEndsTheProgramDespiteTheTray)
{
    window->ShowMainWindow();
    QTest::mouseClick(Button(*window, "main_menu_btn"), Qt::LeftButton);
    ASSERT_TRUE(window->WindowMenu());
    EXPECT_EQ(window->WindowMenu()->VisibleItems(),
        (QStringList{
            QStringLiteral("autostart"), QStringLiteral("about"), QStringLiteral("exit")}));
    const QRect button(Button(*window, "main_menu_btn")->mapToGlobal(QPoint(0, 0)),
        Button(*window, "main_menu_btn")->size());
    const QRect menu = window->WindowMenu()->GetWidget()->geometry();
    EXPECT_EQ(menu.top(), button.bottom() + 1) << "opens below the button";
    EXPECT_EQ(menu.right(), button.right()) << "and ends at its right edge";
    QTest::mouseClick(Button(*window->WindowMenu(), "exit"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return !window->IsWindow(); }));
}

TEST_F(MainWindowTest, PanelsThatDrawTheTrayMenuGetItsItemsTextsAndActionsButNoWindow)
{
    QMenu* menu = window->TrayIcon().PanelMenu();
    ASSERT_TRUE(menu);
    // What Qt does with a tray icon's menu on an XEmbed tray, beside the skinned menu.
    menu->popup(QPoint(10, 10));
    EXPECT_FALSE(menu->isVisible());
    QStringList items;
    for (const QAction* action : menu->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items,
        (QStringList{QStringLiteral("Configuration"), QStringLiteral("About Kestrin"),
            QStringLiteral("-"), QStringLiteral("Exit")}));
    menu->actions().back()->trigger();
    ASSERT_TRUE(test::WaitFor([&] { return !window->IsWindow(); }));
}

TEST_F(MainWindowTest, StartWithTheDesktopWritesAndRemovesTheAutostartEntryAndShowsItsState)
{
    const QTemporaryDir config;
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        if (previous.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", previous);
    });
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString entry = config.filePath(QStringLiteral("autostart/org.kestrin.Kestrin.desktop"));
    window->ShowMainWindow();
    const auto ticked = [&] {
        QTest::mouseClick(Button(*window, "main_menu_btn"), Qt::LeftButton);
        return Button(*window->WindowMenu(), "autostart")->isChecked();
    };
    EXPECT_FALSE(ticked());
    QTest::mouseClick(Button(*window->WindowMenu(), "autostart"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return QFile::exists(entry); }));
    EXPECT_TRUE(ticked());
    QTest::mouseClick(Button(*window->WindowMenu(), "autostart"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return !QFile::exists(entry); }));
    EXPECT_FALSE(ticked());
}

TEST_F(MainWindowTest, AboutTellsBothVersionsTheMouseAndTheDataFolderAndCopiesThem)
{
    QString shown;
    QString copied;
    bool modal = false;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& about) {
        shown = Label(about, "about_details")->text();
        modal = about.GetWidget()->isModal();
        QTest::mouseClick(Button(about, "about_copy_btn"), Qt::LeftButton);
        copied = QGuiApplication::clipboard()->text();
        QTest::mouseClick(Button(about, "btn_ok"), Qt::LeftButton);
    });
    MenuCommand(QStringLiteral("About"));
    const AboutFacts facts = window->GatherAboutFacts();
    EXPECT_TRUE(modal);
    EXPECT_EQ(facts.qtVersion, QString::fromLatin1(qVersion()));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(facts.version).hasMatch())
        << facts.version.toStdString();
    EXPECT_EQ(facts.mouse, QStringLiteral("not connected"));
    EXPECT_FALSE(facts.dataFolder.isEmpty());
    for (const QString& value : {facts.version, facts.qtVersion, facts.mouse, facts.dataFolder}) {
        EXPECT_TRUE(shown.contains(value.toHtmlEscaped())) << value.toStdString();
        EXPECT_TRUE(copied.contains(value)) << value.toStdString();
    }
    EXPECT_EQ(copied, AboutText(facts));
    EXPECT_TRUE(window->IsWindow());
}

} // namespace
} // namespace kestrin
