#pragma once

// The shell's windows on Qt's offscreen platform: the message box, the main window and its menus.
#include "app/DPIMsg.h"
#include "app/MainWnd.h"
#include "app/ProgramIcon.h"
#include "base/Messages.h"
#include "platform/WorkArea.h"
#include "tests/support/SkinFolder.h"
#include "ui/Controls.h"
#include "ui/MenuWnd.h"
#include "ui/MsgWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "tests/support/WaitFor.h"

#include "keys/KeyNames.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace kestrin {

inline QLabel* Label(CWindowWnd& window, const char* name)
{
    return window.GetWidget()->findChild<QLabel*>(QString::fromLatin1(name));
}

inline QAbstractButton* Button(CWindowWnd& window, const char* name)
{
    return window.GetWidget()->findChild<QAbstractButton*>(QString::fromLatin1(name));
}

inline int OpenMessageBoxes()
{
    int open = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("MsgWnd") && window->isVisible())
            ++open;
    return open;
}

class ShellTest : public testing::Test {
protected:
    void SetUp() override { test::UseInstalledSkin(); }
    void TearDown() override
    {
        CWindowWnd::SetModalHookForTesting(nullptr);
        CMsgWnd::SetNextAnswerForTesting(std::nullopt);
        CTrayIcon::SetDesktopTrayForTesting(std::nullopt);
        SetWorkAreaForTesting(std::nullopt);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

class MainWindowTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        CTrayIcon::SetDesktopTrayForTesting(DesktopHasTray());
        window = std::make_unique<CMainWnd>();
        window->SetHookLibraryFile(std::string(KESTRIN_PROGRAM_DIR) + "/no-such-libHook.so");
        ASSERT_NE(window->Create(nullptr, QString(), MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572), 0u);
        window->CenterWindow();
    }
    void TearDown() override
    {
        window.reset();
        ShellTest::TearDown();
    }
    void Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0)
    {
        window->SendMessage(message, wParam, lParam);
    }
    void MenuCommand(const QString& name)
    {
        auto* record = new MenuCmd;
        record->szName = name;
        window->SendMessage(WM_MENU_COMMAND, reinterpret_cast<uintptr_t>(record), 0);
    }
    // Counts the no-device boxes shown, answering each.
    int CountNoDeviceBoxes(const std::function<void()>& action)
    {
        int shown = 0;
        CWindowWnd::SetModalHookForTesting([&](CWindowWnd& box) {
            ++shown;
            EXPECT_EQ(Label(box, "warning")->text(),
                CResourceManager::GetInstance()->GetText(QStringLiteral("no_device_text")));
            box.Close(1);
        });
        action();
        CWindowWnd::SetModalHookForTesting(nullptr);
        return shown;
    }

    virtual bool DesktopHasTray() const { return true; }

    std::unique_ptr<CMainWnd> window;
};

} // namespace kestrin
