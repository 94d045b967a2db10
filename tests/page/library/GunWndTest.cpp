// The recoil pattern library window through its controls: the rows, their steps and filters, the
// plot, renaming through the name dialog, and *.gun files.
#include "page/library/GunWnd.h"

#include "base/RecordNames.h"
#include "page/library/PatternPlot.h"
#include "patterns/GunStore.h"
#include "platform/FileDialog.h"
#include "tests/support/RunModally.h"
#include "tests/support/SkinFolder.h"
#include "tests/support/TempFolder.h"
#include "ui/Controls.h"
#include "ui/ListUI.h"
#include "ui/MsgWnd.h"
#include "ui/NameDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrin {
namespace {

class GunWndTest : public testing::Test {
protected:
    void SetUp() override { test::UseInstalledSkin(); }
    void TearDown() override
    {
        CWindowWnd::SetModalHookForTesting(nullptr);
        SetNextFileNameForTesting(std::nullopt);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void Run(std::function<void(CMS_1_Gun&)> steps)
    {
        CMS_1_Gun editor(guns, folder.Data());
        EXPECT_EQ(test::RunModally<CMS_1_Gun>(
                      editor, steps, otherWindow, [](auto& open) { Press(open, "btn_exit"); }),
            1);
    }

    static QWidget* Widget(CWindowWnd& window, const QString& name)
    {
        auto& controls = dynamic_cast<WindowImplBase&>(window).GetPaintManager();
        CControlUI* control = controls.FindControl(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control ? control->GetWidget() : nullptr;
    }
    static void Press(CWindowWnd& window, const char* name)
    {
        qobject_cast<QAbstractButton*>(Widget(window, QLatin1String(name)))->click();
    }
    static QLineEdit* Edit(CWindowWnd& window, const char* field, int row)
    {
        return qobject_cast<QLineEdit*>(
            Widget(window, QStringLiteral("edit_zidan_%1_%2").arg(QLatin1String(field)).arg(row)));
    }
    // Types into a row edit as a user does and leaves it.
    static QString Type(CWindowWnd& window, const char* field, int row, const QString& text)
    {
        QLineEdit* edit = Edit(window, field, row);
        edit->clear();
        QTest::keyClicks(edit, text);
        const QString typed = edit->text();
        QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(edit, &out);
        return typed + " -> " + edit->text();
    }
    static CListUI* List(CMS_1_Gun& editor)
    {
        return editor.GetPaintManager().FindControl<CListUI>(QStringLiteral("gun_list"));
    }

    test::TempFolder folder;
    GunList guns;
    std::function<void(CWindowWnd&)> otherWindow;
};

TEST_F(GunWndTest, RowsAreDisabledUntilAPatternIsChosenAndHoldWhatIsTyped)
{
    guns.push_back(NewGunRecord(u"Spray"));
    std::vector<QString> seen;
    std::vector<bool> shown;
    std::vector<QPoint> path;
    int marked = -2;
    Run([&](CMS_1_Gun& editor) {
        shown.push_back(Widget(editor, QStringLiteral("edit_zidan_x_30"))->isEnabled());
        seen.push_back(Edit(editor, "delay", 30)->text());
        List(editor)->SelectItem(0);
        shown.push_back(Widget(editor, QStringLiteral("edit_zidan_x_30"))->isEnabled());
        seen.push_back(Type(editor, "x", 1, QStringLiteral("1500")));
        seen.push_back(Type(editor, "y", 1, QStringLiteral("-1500")));
        seen.push_back(Type(editor, "delay", 1, QStringLiteral("12a3")));
        seen.push_back(Type(editor, "delay", 2, QStringLiteral("-5")));
        seen.push_back(Type(editor, "x", 2, QStringLiteral("-5")));
        seen.push_back(Type(editor, "delay", 3, QStringLiteral("0")));
        // Steps: the x "down" button adds; none passes the range; the pause stays at least 1.
        Press(editor, "zidan_x_down_btn_3");
        Press(editor, "zidan_y_up_btn_1"); // at -999
        Press(editor, "zidan_delay_down_btn_3");
        seen.push_back(Edit(editor, "x", 3)->text() + " " + Edit(editor, "y", 1)->text() + " " +
            Edit(editor, "delay", 3)->text());
        // Two shots: the rest hide and keep their values.
        editor.GetPaintManager().FindControl<CComboUI>(QStringLiteral("combo_gun"))->SelectItem(1);
        shown.push_back(Widget(editor, QStringLiteral("ver_zidan_3"))->isHidden());
        path = editor.Plot()->Path();
        marked = editor.Plot()->Marked();
    });
    EXPECT_EQ(shown, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(seen,
        (std::vector<QString>{"5", "1500 -> 999", "-1500 -> -999", "123 -> 123", "5 -> 5",
            "-5 -> -5", "0 -> 1", "1 -998 1"}));
    EXPECT_EQ(path, (std::vector<QPoint>{{999, -998}, {994, -998}}));
    EXPECT_EQ(marked, -1) << "the marked shot is hidden";
    GunList stored;
    LoadGunStore(folder.Data(), stored);
    ASSERT_EQ(stored.size(), 1U);
    EXPECT_EQ(stored[0]->shotCount, 2);
    EXPECT_EQ(stored[0]->shots[2].x, 1);
    EXPECT_EQ(stored[0]->shots[0].delay, 123);
}

TEST_F(GunWndTest, RowsOutOfViewWaitUntilSeenOrAskedForAndThenShowTheEditorsValues)
{
    guns.push_back(NewGunRecord(u"Spray"));
    guns[0]->shots[24].y = -7;
    guns[0]->shots[29].x = 12;
    std::vector<QString> seen;
    std::vector<bool> laidOut;
    Run([&](CMS_1_Gun& editor) {
        // A row built on screen is in its place at once, before any later pass of the loop.
        const auto inPlace = [&](int row) {
            return Edit(editor, "x", row)->x() < Edit(editor, "y", row)->x() &&
                Edit(editor, "y", row)->x() < Edit(editor, "delay", row)->x();
        };
        CPaintManagerUI& controls = editor.GetPaintManager();
        EXPECT_TRUE(controls.IsBuilt(QStringLiteral("ver_zidan_1")));
        laidOut.push_back(inPlace(1));
        EXPECT_FALSE(controls.IsBuilt(QStringLiteral("ver_zidan_25")));
        EXPECT_FALSE(controls.IsBuilt(QStringLiteral("ver_zidan_30")));
        // Asked for by name with no pattern chosen: the defaults, disabled.
        seen.push_back(Edit(editor, "delay", 29)->text());
        EXPECT_FALSE(Edit(editor, "delay", 29)->isEnabled());
        List(editor)->SelectItem(0);
        seen.push_back(Edit(editor, "x", 30)->text());
        EXPECT_TRUE(Edit(editor, "x", 30)->isEnabled());
        // Scrolled to the end, the rows coming into view are built with the pattern's values.
        QScrollBar* bar =
            qobject_cast<QScrollArea*>(Widget(editor, QStringLiteral("gun_rows_scroll")))
                ->verticalScrollBar();
        bar->setValue(bar->maximum());
        EXPECT_TRUE(controls.IsBuilt(QStringLiteral("ver_zidan_25")));
        seen.push_back(Edit(editor, "y", 25)->text());
        EXPECT_TRUE(Edit(editor, "y", 25)->isEnabled());
        laidOut.push_back(inPlace(25));
    });
    EXPECT_EQ(seen, (std::vector<QString>{"5", "12", "-7"}));
    EXPECT_EQ(laidOut, (std::vector<bool>{true, true}));
}

TEST_F(GunWndTest, TabWalksEveryRowToTheLastBuildingThemOnTheWay)
{
    guns.push_back(NewGunRecord(u"Spray"));
    std::vector<QString> walked;
    Run([&](CMS_1_Gun& editor) {
        List(editor)->SelectItem(0);
        // Focus events reach only the active window.
        QApplication::setActiveWindow(editor.GetWidget()->window());
        Edit(editor, "delay", 10)->setFocus(Qt::TabFocusReason);
        for (int press = 0; press < 3 * 20; ++press) {
            QWidget* focused = editor.GetWidget()->focusWidget();
            QTest::keyClick(focused, Qt::Key_Tab);
            walked.push_back(editor.GetWidget()->focusWidget()->objectName());
        }
    });
    std::vector<QString> expected;
    for (int row = 11; row <= 30; ++row)
        for (const char* field : {"x", "y", "delay"})
            expected.push_back(
                QStringLiteral("edit_zidan_%1_%2").arg(QLatin1String(field)).arg(row));
    EXPECT_EQ(walked, expected);
}

TEST_F(GunWndTest, WhatIsStoredIsTheSameWhetherOrNotTheRowsWereBuilt)
{
    std::vector<std::vector<int>> stored;
    for (const bool scrolledThrough : {true, false}) {
        guns.clear();
        guns.push_back(NewGunRecord(u"Spray"));
        for (int shot = 0; shot < kGunMaxShots; ++shot)
            guns[0]->shots[shot] = {shot - 15, 15 - shot, 0, uint16_t(10 + shot)};
        Run([&](CMS_1_Gun& editor) {
            QScrollBar* bar =
                qobject_cast<QScrollArea*>(Widget(editor, QStringLiteral("gun_rows_scroll")))
                    ->verticalScrollBar();
            for (int at = 0; scrolledThrough && at <= bar->maximum(); at += 10)
                bar->setValue(at);
            bar->setValue(0);
            List(editor)->SelectItem(0);
            Type(editor, "y", 1, QStringLiteral("40"));
            Press(editor, "zidan_delay_up_btn_30");
            EXPECT_EQ(
                editor.GetPaintManager().IsBuilt(QStringLiteral("ver_zidan_25")), scrolledThrough);
        });
        stored.emplace_back();
        for (const GunBullet& shot : guns[0]->shots)
            stored.back().insert(stored.back().end(), {shot.x, shot.y, shot.delay});
    }
    EXPECT_EQ(stored[0], stored[1]);
    EXPECT_EQ(stored[1][1], 40);
    EXPECT_EQ(stored[1][3 * 29 + 2], 40) << "stepped from the pattern's 39";
}

TEST_F(GunWndTest, DeleteWithNoPatternChosenAsksNothingAndDeletesNothing)
{
    guns.push_back(NewGunRecord(u"Spray"));
    int asked = 0;
    Run([&](CMS_1_Gun& editor) {
        otherWindow = [&](CWindowWnd& box) {
            ++asked;
            box.Close(1);
        };
        // Focus alone makes the first row current without choosing it.
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(List(editor)->GetWidget(), &in);
        Press(editor, "delete_btn");
    });
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(guns.size(), 1U);
}

TEST_F(GunWndTest, AFileHoldingValuesBeyondTheMousesIsTakenHeldAndTheUserTold)
{
    auto gun = NewGunRecord(u"Old spray");
    gun->shots[0].y = 1000; // as a step button could store it
    const auto* raw = reinterpret_cast<const unsigned char*>(gun.get());
    const std::string file = folder.Root().string() + "/old.gun";
    test::WriteBytes(file, std::vector<unsigned char>(raw, raw + sizeof(GunRecord)));
    std::vector<QString> told;
    QString shown;
    Run([&](CMS_1_Gun& editor) {
        otherWindow = [&](CWindowWnd& box) {
            told.push_back(box.GetWidget()->findChild<QLabel*>(QStringLiteral("warning"))->text());
            box.Close(1);
        };
        SetNextFileNameForTesting(QString::fromStdString(file));
        Press(editor, "import_btn");
        shown = Edit(editor, "y", 1)->text();
    });
    EXPECT_EQ(told,
        std::vector<QString>{
            CResourceManager::GetInstance()->GetText(QStringLiteral("gun_file_held_text"))});
    EXPECT_EQ(shown, QStringLiteral("999"));
    GunList stored;
    LoadGunStore(folder.Data(), stored);
    ASSERT_EQ(stored.size(), 1U);
    EXPECT_EQ(stored[0]->shots[0].y, 999);
}

TEST_F(GunWndTest, PatternsAreRenamedImportedExportedAndDeletedWithoutLoss)
{
    guns.push_back(NewGunRecord(u"Spray"));
    guns.push_back(NewGunRecord(u"Burst"));
    guns[0]->shots[4].y = 12;
    const QString file = QString::fromStdString(folder.Root().string() + "/spray.gun");
    const QString broken = QString::fromStdString(folder.Root().string() + "/short.gun");
    test::WriteBytes(broken.toStdString(), std::vector<unsigned char>(100, 0));
    std::vector<QString> asked;
    std::vector<QString> rows;
    Run([&](CMS_1_Gun& editor) {
        otherWindow = [&](CWindowWnd& box) {
            if (auto* name = dynamic_cast<CMS_1_NameDialog*>(&box)) {
                // A name already used, in another case, is refused; then a free one.
                auto* edit = qobject_cast<QLineEdit*>(Widget(box, QStringLiteral("edit_name")));
                edit->setText(QStringLiteral("BURST"));
                const int before = int(asked.size());
                Press(box, "btn_ok");
                EXPECT_EQ(int(asked.size()), before + 1);
                edit->setText(QStringLiteral("Spray fast"));
                Press(box, "btn_ok");
                (void)name;
                return;
            }
            asked.push_back(box.GetWidget()->findChild<QLabel*>(QStringLiteral("warning"))->text());
            box.Close(0);
        };
        List(editor)->SelectItem(0);
        Press(editor, "rename_btn");
        SetNextFileNameForTesting(file);
        Press(editor, "export_btn");
        for (int i = 0; i < 2; ++i) {
            SetNextFileNameForTesting(file);
            Press(editor, "import_btn");
        }
        SetNextFileNameForTesting(broken);
        Press(editor, "import_btn");
        Press(editor, "delete_btn"); // declined
        for (int row = 0; row < List(editor)->GetCount(); ++row)
            rows.push_back(List(editor)->GetItemText(row));
        rows.push_back(Edit(editor, "y", 5)->text());
    });
    const auto text = [](const char* id) {
        return CResourceManager::GetInstance()->GetText(QLatin1String(id));
    };
    EXPECT_EQ(asked,
        (std::vector<QString>{
            text("warn_name_2_text"), text("gun_file_error_text"), text("delete_gun_text")}));
    EXPECT_EQ(
        rows, (std::vector<QString>{"Spray fast", "Burst", "Spray fast_1", "Spray fast_2", "12"}));
    GunList stored;
    LoadGunStore(folder.Data(), stored);
    ASSERT_EQ(stored.size(), 4U);
    EXPECT_EQ(stored[3]->shots[4].y, 12);
}

} // namespace
} // namespace kestrin
