#include "page/DpiColorWnd.h"

#include "base/Messages.h"
#include "page/ColorChannel.h"
#include "platform/WorkArea.h"
#include "profiles/ProfileRecord.h"
#include "tests/support/SkinFolder.h"
#include "tests/support/WaitFor.h"
#include "ui/ColorPalette.h"
#include "ui/Control.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrin {
namespace {

using std::u16string_view;

TEST(ColorChannelText, ReadsTheLeadingIntegerAndClampsOnlyNumbersOutOfRange)
{
    struct Case {
        u16string_view text;
        int value;
        bool clamped;
    };
    for (const Case& c : {Case{u"", 0, false}, Case{u"abc", 0, false}, Case{u"-", 0, false},
             Case{u"12a", 12, false}, Case{u" 7", 7, false}, Case{u"+9", 9, false},
             Case{u"-0", 0, false}, Case{u"0", 0, false}, Case{u"255", 255, false},
             Case{u"256", 255, true}, Case{u"-5", 0, true}, Case{u"-255", 0, true},
             Case{u"99999999999999999999", 255, true}}) {
        const ChannelEntry entry = ReadChannelText(c.text);
        const std::string shown(c.text.begin(), c.text.end());
        EXPECT_EQ(entry.value, c.value) << shown;
        EXPECT_EQ(entry.clamped, c.clamped) << shown;
    }
}

TEST(ColorChannelText, ReplacesOneChannelAndMakesTheColourOpaque)
{
    EXPECT_EQ(WithChannel(0x80123456, 16, 0xAB), 0xFFAB3456u);
    EXPECT_EQ(WithChannel(0x80123456, 8, 0xAB), 0xFF12AB56u);
    EXPECT_EQ(WithChannel(0x00123456, 0, 0xAB), 0xFF1234ABu);
}

template <class Widget> Widget* Find(CWindowWnd& window, const QString& name)
{
    return window.GetWidget()->findChild<Widget*>(name);
}
QLineEdit* Field(CWindowWnd& window, const char* name)
{
    return Find<QLineEdit>(window, QString::fromLatin1(name));
}
QStringList Fields(CWindowWnd& window)
{
    return {Field(window, "r_edit")->text(), Field(window, "g_edit")->text(),
        Field(window, "b_edit")->text()};
}
uint32_t Background(CDpiColorWnd& dialog, const char* name)
{
    CControlUI* control = dialog.GetPaintManager().FindControl(QString::fromLatin1(name));
    return control ? control->GetBkColor() : 0;
}
uint32_t PaletteColor(CWindowWnd& window)
{
    return Find<ColorPaletteWidget>(window, QStringLiteral("ColorPallet"))->selectColor();
}
void Retype(QLineEdit* field, const QString& text)
{
    field->clear();
    QTest::keyClicks(field, text);
}
void Click(CWindowWnd& window, const QString& name)
{
    QTest::mouseClick(Find<QAbstractButton>(window, name), Qt::LeftButton);
}

// A bare window standing in for the main window, with one swatch at a known place.
class HostWindow final : public CWindowWnd {
protected:
    QString GetWindowClassName() const override { return QStringLiteral("ColourTestHost"); }
};

class DpiColorWndTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::UseInstalledSkin();
        SetWorkAreaForTesting(QRect(0, 0, 1920, 1080));
    }
    void TearDown() override
    {
        CDpiColorWnd::SetNextAnswerForTesting(nullptr);
        CWindowWnd::SetModalHookForTesting(nullptr);
        SetWorkAreaForTesting(std::nullopt);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs a dialog opened on `stored`; `steps` act on it and return its result.
    int RunOn(RgbColor stored, std::function<int(CDpiColorWnd&)> steps)
    {
        CDpiColorWnd dialog;
        dialog.SetColor(ToArgb(stored));
        CDpiColorWnd::SetNextAnswerForTesting(std::move(steps));
        return dialog.Run(nullptr);
    }
};

TEST_F(DpiColorWndTest, OpensOnTheStoredColourWithTheSixteenPresetsShown)
{
    const int result = RunOn({255, 64, 0, 0}, [](CDpiColorWnd& dialog) {
        EXPECT_EQ(dialog.GetWidget()->objectName(), QStringLiteral("DpiColorWnd"));
        EXPECT_EQ(Fields(dialog), QStringList({"255", "64", "0"}));
        EXPECT_EQ(Background(dialog, "color_show_control"), 0xFFFF4000u);
        EXPECT_EQ(PaletteColor(dialog), 0xFFFF4000u);
        EXPECT_EQ(dialog.GetColor(), 0xFFFF4000u);
        const uint32_t presets[16] = {0xFF00FFFF, 0xFF6CFF00, 0xFF7F00FF, 0xFF007FFF, 0xFF0000FF,
            0xFF7FFF00, 0xFFFF5400, 0xFFFF7F00, 0xFFFFB400, 0xFFFFFF00, 0xFFFF0000, 0xFFFF00FF,
            0xFF1EB40A, 0xFF48B1FF, 0xFFFF48B0, 0xFFFFFFFF};
        for (int n = 1; n <= 16; ++n) {
            const QByteArray name = QByteArray("mouse_dpi_color_") + QByteArray::number(n);
            EXPECT_EQ(Background(dialog, name.constData()), presets[n - 1]) << name.constData();
        }
        EXPECT_EQ(dialog.GetWidget()->size(), QSize(CDpiColorWnd::kWidth, CDpiColorWnd::kHeight));
        // Readable: each field shows three digits whole and no control is squeezed.
        for (const char* name : {"r_edit", "g_edit", "b_edit"}) {
            QLineEdit* field = Field(dialog, name);
            EXPECT_GE(
                field->width(), field->fontMetrics().horizontalAdvance(QStringLiteral("888")) + 8);
        }
        for (const char* name : {"confirm_btn", "cancel_btn"}) {
            auto* button = Find<QPushButton>(dialog, QString::fromLatin1(name));
            EXPECT_GE(button->width(), button->sizeHint().width()) << name;
            EXPECT_TRUE(dialog.GetWidget()->rect().contains(
                button->mapTo(dialog.GetWidget(), button->rect().bottomRight())))
                << name;
        }
        QDir().mkpath(QStringLiteral(KESTRIN_ARTIFACTS_DIR));
        EXPECT_TRUE(dialog.GetWidget()->grab().save(
            QStringLiteral(KESTRIN_ARTIFACTS_DIR "/colour-dialog-offscreen.png")));
        return 0;
    });
    EXPECT_EQ(result, 0);
}

TEST_F(DpiColorWndTest, TypedNumbersClampWithARewriteAndLettersReadAsZeroWithout)
{
    RunOn({255, 64, 0, 0}, [](CDpiColorWnd& dialog) {
        Retype(Field(dialog, "g_edit"), QStringLiteral("300"));
        EXPECT_EQ(Field(dialog, "g_edit")->text(), QStringLiteral("255"));
        EXPECT_EQ(dialog.GetColor(), 0xFFFFFF00u);
        EXPECT_EQ(PaletteColor(dialog), 0xFFFFFF00u);
        EXPECT_EQ(Background(dialog, "color_show_control"), 0xFFFFFF00u);

        Retype(Field(dialog, "r_edit"), QStringLiteral("-5"));
        EXPECT_EQ(Field(dialog, "r_edit")->text(), QStringLiteral("0"));
        EXPECT_EQ(dialog.GetColor(), 0xFF00FF00u);

        Retype(Field(dialog, "b_edit"), QStringLiteral("77"));
        EXPECT_EQ(dialog.GetColor(), 0xFF00FF4Du);
        Retype(Field(dialog, "b_edit"), QStringLiteral("xyz"));
        EXPECT_EQ(Field(dialog, "b_edit")->text(), QStringLiteral("xyz"));
        EXPECT_EQ(dialog.GetColor(), 0xFF00FF00u);

        // The other fields are not refilled by a typed channel.
        EXPECT_EQ(Fields(dialog), QStringList({"0", "255", "xyz"}));
        // Longer input cannot pile up: four characters at most, clamped as it grows.
        Retype(Field(dialog, "r_edit"), QStringLiteral("123456"));
        EXPECT_EQ(Field(dialog, "r_edit")->text(), QStringLiteral("255"));
        return 0;
    });
}

TEST_F(DpiColorWndTest, APresetSwatchSelectsItsColourEverywhere)
{
    RunOn({1, 2, 3, 0}, [](CDpiColorWnd& dialog) {
        Click(dialog, QStringLiteral("mouse_dpi_color_11"));
        EXPECT_EQ(dialog.GetColor(), 0xFFFF0000u);
        EXPECT_EQ(Fields(dialog), QStringList({"255", "0", "0"}));
        EXPECT_EQ(PaletteColor(dialog), 0xFFFF0000u);
        EXPECT_EQ(Background(dialog, "color_show_control"), 0xFFFF0000u);
        Click(dialog, QStringLiteral("mouse_dpi_color_14"));
        EXPECT_EQ(Fields(dialog), QStringList({"72", "177", "255"}));
        return 0;
    });
}

TEST_F(DpiColorWndTest, APaletteColourKeepsItsAlphaUntilAFieldChanges)
{
    RunOn({0, 0, 0, 0}, [](CDpiColorWnd& dialog) {
        auto* palette = Find<ColorPaletteWidget>(dialog, QStringLiteral("ColorPallet"));
        palette->setSelectColor(0x80123456);
        emit palette->colorChanged(0x80123456);
        EXPECT_EQ(dialog.GetColor(), 0x80123456u);
        EXPECT_EQ(Fields(dialog), QStringList({"18", "52", "86"}));
        EXPECT_EQ(Background(dialog, "color_show_control"), 0xFF123456u);
        emit palette->colorReleased(0x80123456);
        EXPECT_EQ(dialog.GetColor(), 0x80123456u);

        Retype(Field(dialog, "b_edit"), QStringLiteral("9"));
        EXPECT_EQ(dialog.GetColor(), 0xFF123409u);

        // A real press on the surface: the dialog takes what the palette picked.
        QTest::mousePress(palette, Qt::LeftButton, {}, QPoint(palette->width() / 3, 10));
        const uint32_t picked = palette->selectColor();
        EXPECT_NE(picked, 0xFF123409u);
        EXPECT_EQ(dialog.GetColor(), picked);
        EXPECT_EQ(Fields(dialog),
            QStringList({QString::number((picked >> 16) & 0xFF),
                QString::number((picked >> 8) & 0xFF), QString::number(picked & 0xFF)}));
        QTest::mouseRelease(palette, Qt::LeftButton, {}, QPoint(palette->width() / 3, 10));
        return 0;
    });
}

TEST_F(DpiColorWndTest, TheKeyboardReachesEveryControlInReadingOrder)
{
    RunOn({0, 0, 0, 0}, [](CDpiColorWnd& dialog) {
        // Typing starts in the red field, its number selected so that it is replaced.
        QLineEdit* red = Field(dialog, "r_edit");
        EXPECT_TRUE(test::WaitFor([&] { return red->hasFocus(); }));
        EXPECT_EQ(red->selectedText(), QStringLiteral("0"));

        QStringList expected;
        for (int n = 1; n <= 16; ++n)
            expected << QStringLiteral("mouse_dpi_color_%1").arg(n);
        expected << "r_edit"
                 << "g_edit"
                 << "b_edit"
                 << "cancel_btn"
                 << "confirm_btn";
        QStringList order;
        QWidget* at = Find<QWidget>(dialog, expected.front());
        do {
            if (at->focusPolicy() & Qt::TabFocus)
                order << at->objectName();
            at = at->nextInFocusChain();
        } while (at->objectName() != expected.front());
        EXPECT_EQ(order, expected);

        // Enter on a focused swatch takes its preset and leaves the dialog open.
        auto* swatch = Find<QPushButton>(dialog, QStringLiteral("mouse_dpi_color_5"));
        swatch->setFocus();
        QTest::keyClick(swatch, Qt::Key_Return);
        EXPECT_EQ(dialog.GetColor(), 0xFF0000FFu);
        EXPECT_TRUE(dialog.IsWindow());
        return 0;
    });
}

// Through the real modal loop: the buttons, Enter in a field and Escape end it.
TEST_F(DpiColorWndTest, ConfirmEnterCancelAndEscapeEndTheModalLoop)
{
    struct Ending {
        const char* how;
        std::function<void(CWindowWnd&)> act;
        int result;
    };
    const Ending endings[] = {
        {"confirm", [](CWindowWnd& w) { Click(w, QStringLiteral("confirm_btn")); }, 1},
        {"cancel", [](CWindowWnd& w) { Click(w, QStringLiteral("cancel_btn")); }, 0},
        // Enter in a field takes the number and leaves the dialog open for the others.
        {"enter",
            [](CWindowWnd& w) {
                Retype(Field(w, "g_edit"), QStringLiteral("12"));
                QTest::keyClick(Field(w, "g_edit"), Qt::Key_Return);
                QTest::qWait(20);
                EXPECT_TRUE(w.IsWindow()) << "Enter in a field closed the dialog";
                Click(w, QStringLiteral("confirm_btn"));
            },
            1},
        {"escape", [](CWindowWnd& w) { QTest::keyClick(w.GetWidget(), Qt::Key_Escape); }, 0},
    };
    for (const Ending& ending : endings) {
        CWindowWnd::SetModalHookForTesting([&](CWindowWnd& window) { ending.act(window); });
        CDpiColorWnd dialog;
        dialog.SetColor(0xFF010203);
        EXPECT_EQ(dialog.Run(nullptr), ending.result) << ending.how;
        EXPECT_FALSE(dialog.IsWindow()) << ending.how;
        if (std::string_view(ending.how) == "enter") {
            EXPECT_EQ(dialog.GetColor(), 0xFF010C03U);
        }
    }
    CWindowWnd::SetModalHookForTesting(nullptr);
}

class ChooseColorBelowTest : public DpiColorWndTest {
protected:
    void SetUp() override
    {
        DpiColorWndTest::SetUp();
        host.Create(nullptr, QString(), WS_POPUP | WS_VISIBLE, 0, 300, 200, 600, 400);
        button = new QPushButton(host.GetWidget());
        swatch = std::make_unique<CControlUI>(button, nullptr);
    }
    void TearDown() override
    {
        swatch.reset();
        host.DestroyWindow();
        DpiColorWndTest::TearDown();
    }

    // Where the dialog asked to be, and where it went.
    std::pair<QPoint, QRect> OpenUnder(QRect swatchRect)
    {
        button->setGeometry(swatchRect);
        std::pair<QPoint, QRect> placed;
        CDpiColorWnd::SetNextAnswerForTesting([&](CDpiColorWnd& dialog) {
            placed = {dialog.GetPosition(), dialog.GetWidget()->geometry()};
            return 0;
        });
        EXPECT_EQ(ChooseColorBelow(host, *swatch, 0xFF000000), std::nullopt);
        return placed;
    }

    HostWindow host;
    QPushButton* button = nullptr;
    std::unique_ptr<CControlUI> swatch;
};

TEST_F(ChooseColorBelowTest, OpensJustBelowTheSwatch200PixelsFurtherLeft)
{
    ASSERT_EQ(host.GetWidget()->geometry(), QRect(300, 200, 600, 400));
    // 300 - 200 + 250 and 200 + 120 + 20
    const auto [asked, placed] = OpenUnder(QRect(250, 120, 30, 20));
    EXPECT_EQ(asked, QPoint(350, 340));
    EXPECT_EQ(placed, QRect(350, 340, 250, 200));
}

TEST_F(ChooseColorBelowTest, StaysOnTheWorkAreaNearItsEdges)
{
    SetWorkAreaForTesting(QRect(0, 0, 1000, 700));
    // Asked for (300 - 200 + 700, 200 + 380 + 20) = (800, 600): runs off right and bottom.
    auto [asked, placed] = OpenUnder(QRect(700, 380, 30, 20));
    EXPECT_EQ(asked, QPoint(800, 600));
    EXPECT_EQ(placed, QRect(750, 500, 250, 200));
    // Asked for (300 - 200 + 10, …) on a work area that starts at x 150.
    SetWorkAreaForTesting(QRect(150, 30, 1000, 700));
    std::tie(asked, placed) = OpenUnder(QRect(10, 10, 30, 20));
    EXPECT_EQ(asked, QPoint(110, 230));
    EXPECT_EQ(placed.topLeft(), QPoint(150, 230));
}

TEST_F(ChooseColorBelowTest, ReturnsTheChosenColourOnConfirmAndNothingOnCancel)
{
    button->setGeometry(10, 10, 30, 20);
    CDpiColorWnd::SetNextAnswerForTesting([](CDpiColorWnd& dialog) {
        EXPECT_EQ(Fields(dialog), QStringList({"12", "34", "56"}));
        Click(dialog, QStringLiteral("mouse_dpi_color_11"));
        Click(dialog, QStringLiteral("cancel_btn"));
        return 0;
    });
    EXPECT_EQ(ChooseColorBelow(host, *swatch, ToArgb({12, 34, 56, 0})), std::nullopt);

    CDpiColorWnd::SetNextAnswerForTesting([](CDpiColorWnd& dialog) {
        Click(dialog, QStringLiteral("mouse_dpi_color_11"));
        Retype(Field(dialog, "b_edit"), QStringLiteral("7"));
        Click(dialog, QStringLiteral("confirm_btn"));
        return 1;
    });
    EXPECT_EQ(ChooseColorBelow(host, *swatch, ToArgb({12, 34, 56, 0})), 0xFFFF0007u);
    // Whatever the dialog's own buttons queued is gone with it.
    QCoreApplication::processEvents();
    EXPECT_TRUE(host.IsWindow());
}

} // namespace
} // namespace kestrin
