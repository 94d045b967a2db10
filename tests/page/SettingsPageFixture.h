#pragma once

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

} // namespace kestrin
