#include "ui/NameDialog.h"
#include "page/ProfilePrompts.h"
#include "patterns/GunRecord.h"
#include "platform/FileDialog.h"
#include "profiles/ProfileRecord.h"
#include "tests/support/SkinFolder.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace kestrin {
namespace {

template <class Widget> Widget* Find(CWindowWnd& window, const char* name)
{
    return window.GetWidget()->findChild<Widget*>(QString::fromLatin1(name));
}

QString Text(const char* id)
{
    return CResourceManager::GetInstance()->GetText(QString::fromLatin1(id));
}

// Runs `steps` on each showing of the name dialog; every message box shown meanwhile is
// recorded by its text and dismissed.
class NameDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::UseInstalledSkin();
        profiles.push_back(NewProfileRecord(u"Alpha"));
        CWindowWnd::SetModalHookForTesting([this](CWindowWnd& window) {
            if (window.GetWidget()->objectName() == QLatin1String("MsgWnd")) {
                messages.push_back(Find<QLabel>(window, "warning")->text());
                QTest::mouseClick(Find<QAbstractButton>(window, "btn_ok"), Qt::LeftButton);
                return;
            }
            if (steps)
                steps(window);
        });
    }
    void TearDown() override
    {
        CWindowWnd::SetModalHookForTesting(nullptr);
        SetNextFileNameForTesting(std::nullopt);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Types `name` and presses OK.
    void Offer(CWindowWnd& dialog, const QString& name)
    {
        Find<QLineEdit>(dialog, "edit_name")->clear();
        QTest::keyClicks(Find<QLineEdit>(dialog, "edit_name"), name);
        QTest::mouseClick(Find<QAbstractButton>(dialog, "btn_ok"), Qt::LeftButton);
    }

    ProfileList profiles;
    std::vector<QString> messages;
    std::function<void(CWindowWnd&)> steps;
};

TEST_F(NameDialogTest, AnEmptyNameIsRefusedInPlaceAndANameOfSpacesAccepted)
{
    CMS_1_ProfileName dialog;
    dialog.SetTitleId(QStringLiteral("profile_name_1_text"));
    dialog.SetList(profiles);
    steps = [&](CWindowWnd& window) {
        EXPECT_EQ(window.GetWidget()->objectName(), QStringLiteral("MS_1_ProfileName"));
        EXPECT_EQ(Find<QLabel>(window, "title_string")->text(), Text("profile_name_1_text"));
        EXPECT_EQ(Find<QLineEdit>(window, "edit_name")->maxLength(), 99);
        Offer(window, QString());
        EXPECT_TRUE(window.GetWidget()->isVisible());
        Offer(window, QStringLiteral("   "));
    };
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(dialog.GetResultName(), QStringLiteral("   "));
    EXPECT_EQ(messages, std::vector<QString>{Text("warn_name_1_text")});
}

TEST_F(NameDialogTest, ANameInTheListInAnyCaseIsRefusedAndCancelKeepsTheResultName)
{
    for (const char* closer : {"btn_cancel", "btn_exit"}) {
        messages.clear();
        CMS_1_ProfileName dialog;
        dialog.SetResultName(QStringLiteral("kept"));
        dialog.SetList(profiles);
        steps = [&](CWindowWnd& window) {
            Offer(window, QStringLiteral("Alpha"));
            Offer(window, QStringLiteral("aLPHA"));
            QTest::mouseClick(Find<QAbstractButton>(window, closer), Qt::LeftButton);
        };
        EXPECT_EQ(dialog.Run(nullptr), 0) << closer;
        EXPECT_EQ(dialog.GetResultName(), QStringLiteral("kept"));
        EXPECT_EQ(messages, std::vector<QString>(2, Text("warn_name_2_text")));
    }
}

TEST_F(NameDialogTest, ThePatternDialogHoldsNoMoreThanAPatternNameAndEnterConfirms)
{
    GunList guns;
    CMS_1_GunName dialog;
    dialog.SetList(guns);
    steps = [&](CWindowWnd& window) {
        EXPECT_EQ(window.GetWidget()->objectName(), QStringLiteral("MS_1_GunName"));
        auto* edit = Find<QLineEdit>(window, "edit_name");
        QTest::keyClicks(edit, QString(60, QLatin1Char('x')));
        QTest::keyClick(edit, Qt::Key_Return);
    };
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(dialog.GetResultName(), QString(49, QLatin1Char('x')));
}

// The profile section's questions as windows.

TEST_F(NameDialogTest, ThePromptsReturnTheAcceptedNameAndNothingOnCancel)
{
    CProfilePrompts prompts(nullptr);
    steps = [&](CWindowWnd& window) {
        EXPECT_EQ(Find<QLabel>(window, "title_string")->text(), Text("profile_name_2_text"));
        Offer(window, QStringLiteral("Sniper"));
    };
    EXPECT_EQ(prompts.AskProfileName("profile_name_2_text", profiles), u"Sniper");
    steps = [&](CWindowWnd& window) {
        QTest::mouseClick(Find<QAbstractButton>(window, "btn_exit"), Qt::LeftButton);
    };
    EXPECT_EQ(prompts.AskProfileName("profile_name_2_text", profiles), std::nullopt);
}

TEST_F(NameDialogTest, ASavedProfileNameTypedWithoutExtensionGetsPro)
{
    CProfilePrompts prompts(nullptr);
    SetNextFileNameForTesting(QStringLiteral("/tmp/arena"));
    EXPECT_EQ(prompts.AskProfileFileToSave(u"Arena"), "/tmp/arena.pro");
    SetNextFileNameForTesting(QStringLiteral("/tmp/arena.PRO"));
    EXPECT_EQ(prompts.AskProfileFileToSave(u"Arena"), "/tmp/arena.PRO");
    SetNextFileNameForTesting(QString());
    EXPECT_EQ(prompts.AskProfileFileToOpen(), std::nullopt);
}

} // namespace
} // namespace kestrin
