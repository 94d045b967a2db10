#include "ui/Controls.h"
#include "tests/support/SkinFolder.h"
#include "ui/BatteryRing.h"
#include "ui/ColorPalette.h"
#include "ui/DialogBuilder.h"
#include "ui/ListUI.h"
#include "ui/PaintManager.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <memory>

namespace kestrin {
namespace {

const QByteArray TestLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>Test</class>
<widget class="QWidget" name="root">
 <property name="geometry"><rect><x>0</x><y>0</y><width>400</width><height>600</height></rect></property>
 <layout class="QVBoxLayout" name="root_layout">
  <item><widget class="QPushButton" name="btn"><property name="text"><string>hello_text</string></property></widget></item>
  <item><widget class="QLabel" name="label"><property name="text"><string notr="true">plain</string></property></widget></item>
  <item><widget class="QCheckBox" name="check"/></item>
  <item><widget class="QPushButton" name="opt_1"><property name="checkable"><bool>true</bool></property><property name="group" stdset="0"><string notr="true">rate</string></property></widget></item>
  <item><widget class="QPushButton" name="opt_2"><property name="checkable"><bool>true</bool></property><property name="group" stdset="0"><string notr="true">rate</string></property></widget></item>
  <item><widget class="QComboBox" name="combo"><item><property name="text"><string>hello_text</string></property></item><item><property name="text"><string notr="true">two</string></property></item></widget></item>
  <item><widget class="QSlider" name="slider"><property name="maximum"><number>100</number></property><property name="orientation"><enum>Qt::Horizontal</enum></property></widget></item>
  <item><widget class="QLineEdit" name="edit"/></item>
  <item><widget class="QListWidget" name="list"/></item>
  <item><widget class="QStackedWidget" name="tabs"><widget class="QWidget" name="tab_a"/><widget class="QWidget" name="tab_b"/></widget></item>
  <item><widget class="kestrin::ColorPaletteWidget" name="palette"><property name="minimumSize"><size><width>180</width><height>120</height></size></property></widget></item>
  <item><widget class="kestrin::BatteryRing" name="ring"/></item>
  <item><widget class="QWidget" name="page"><property name="virtualwnd" stdset="0"><string notr="true">TestPage</string></property>
   <layout class="QVBoxLayout" name="page_layout"><item><widget class="QPushButton" name="page_btn"/></item></layout></widget></item>
 </layout>
</widget></ui>)";

struct Seen {
    QString type, name, virtualWnd;
    uintptr_t wParam;
};

class Recorder final : public INotifyUI {
public:
    void Notify(TNotifyUI& msg) override
    {
        seen.push_back({msg.sType, msg.pSender ? msg.pSender->GetName() : QString(),
            msg.sVirtualWnd, msg.wParam});
    }
    QStringList Types() const
    {
        QStringList types;
        for (const auto& s : seen)
            types << s.type + QLatin1Char(':') + s.name;
        return types;
    }
    std::vector<Seen> seen;
};

class ControlsTest : public testing::Test {
protected:
    void SetUp() override
    {
        skin.Write(QStringLiteral("test.xml"), TestLayout);
        ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguageFromString(
            QStringLiteral("<Language><Text id=\"hello_text\">Hello</Text></Language>")));
        root.reset(CDialogBuilder::BuildWidget(QStringLiteral("test.xml")));
        ASSERT_TRUE(root);
        manager.AttachLayout(root.get());
        manager.AddNotifier(&recorder);
        root->show();
    }
    template <class T = CControlUI> T* Find(const char* name)
    {
        auto* control = manager.FindControl<T>(QString::fromLatin1(name));
        EXPECT_TRUE(control) << name;
        return control;
    }

    test::SkinFolder skin;
    std::unique_ptr<QWidget> root;
    CPaintManagerUI manager;
    Recorder recorder;
};

TEST_F(ControlsTest, LayoutTextsAreTextIdsShownInTheLanguageExceptUntranslatable)
{
    EXPECT_EQ(Find("btn")->GetText(), QStringLiteral("Hello"));
    EXPECT_EQ(Find("label")->GetText(), QStringLiteral("plain"));
    EXPECT_EQ(Find<CComboUI>("combo")->GetItemText(0), QStringLiteral("Hello"));
    EXPECT_EQ(Find<CComboUI>("combo")->GetItemText(1), QStringLiteral("two"));
}

TEST_F(ControlsTest, ALanguageLoadedAfterTheLayoutIsBuiltReachesItsTexts)
{
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguageFromString(
        QStringLiteral("<Language><Text id=\"hello_text\">Bonjour</Text></Language>")));
    ASSERT_TRUE(test::WaitFor([&] { return Find("btn")->GetText() == QStringLiteral("Bonjour"); }));
    EXPECT_EQ(Find("label")->GetText(), QStringLiteral("plain"));
}

TEST_F(ControlsTest, ControlsAreFoundByNameAndKind)
{
    EXPECT_EQ(manager.FindControl(QStringLiteral("nothing")), nullptr);
    EXPECT_EQ(manager.FindControl<CSliderUI>(QStringLiteral("btn")), nullptr)
        << "a control of another kind is not handed out";
    EXPECT_TRUE(manager.FindControl<CCheckBoxUI>(QStringLiteral("check")));
    EXPECT_TRUE(manager.FindControl<COptionUI>(QStringLiteral("opt_1")));
    EXPECT_TRUE(manager.FindControl<CColorPaletteUI>(QStringLiteral("palette")));
    EXPECT_TRUE(manager.FindControl<CProgressUI>(QStringLiteral("ring")));
    auto* page = Find<CContainerUI>("page");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->FindSubControl(QStringLiteral("page_btn")), Find("page_btn"));
    EXPECT_EQ(page->FindSubControl(QStringLiteral("btn")), nullptr) << "outside the container";
}

TEST_F(ControlsTest, AClickNotifiesWithTheSenderAndItsVirtualWindow)
{
    QTest::mouseClick(Find("btn")->GetWidget(), Qt::LeftButton);
    QTest::mouseClick(Find("page_btn")->GetWidget(), Qt::LeftButton);
    std::vector<Seen> clicks;
    for (const auto& seen : recorder.seen)
        if (seen.type == QLatin1String("click"))
            clicks.push_back(seen);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].name, QStringLiteral("btn"));
    EXPECT_TRUE(clicks[0].virtualWnd.isEmpty());
    EXPECT_EQ(clicks[1].name, QStringLiteral("page_btn"));
    EXPECT_EQ(clicks[1].virtualWnd, QStringLiteral("TestPage"));
}

TEST_F(ControlsTest, OptionsOfAGroupNotifyOnlyTheNewlySelectedAndQuietSettersNotifyNothing)
{
    auto* first = Find<COptionUI>("opt_1");
    auto* second = Find<COptionUI>("opt_2");
    first->Selected(true);
    second->Selected(true);
    EXPECT_FALSE(first->IsSelected()) << "one option of a group at a time";
    EXPECT_EQ(recorder.Types(),
        (QStringList{
            QStringLiteral("selectchanged:opt_1"), QStringLiteral("selectchanged:opt_2")}));

    recorder.seen.clear();
    first->Selected(true, false);
    EXPECT_TRUE(first->IsSelected());
    EXPECT_FALSE(second->IsSelected());
    EXPECT_TRUE(recorder.seen.empty()) << recorder.Types().join(QLatin1Char(' ')).toStdString();
}

TEST_F(ControlsTest, ACheckBoxRaisesCheckClickOnEveryChangeUnlessQuiet)
{
    auto* check = Find<CCheckBoxUI>("check");
    static_cast<QAbstractButton*>(check->GetWidget())->click();
    EXPECT_TRUE(check->GetCheck());
    EXPECT_EQ(recorder.Types(),
        (QStringList{QStringLiteral("checkclick:check"), QStringLiteral("click:check")}));
    recorder.seen.clear();
    check->SetCheck(false, false);
    EXPECT_FALSE(check->GetCheck());
    check->SetCheck(false);
    EXPECT_TRUE(recorder.seen.empty()) << "no change, no notification";
}

TEST_F(ControlsTest, SelectionAndValueSettersNotifyOrStayQuiet)
{
    auto* combo = Find<CComboUI>("combo");
    auto* slider = Find<CSliderUI>("slider");
    combo->SelectItem(1, false);
    slider->SetValue(40, false);
    EXPECT_TRUE(recorder.seen.empty());
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(slider->GetValue(), 40);

    combo->SelectItem(0);
    slider->SetValue(41);
    ASSERT_EQ(recorder.seen.size(), 2u);
    EXPECT_EQ(recorder.seen[0].type, QStringLiteral("itemselect"));
    EXPECT_EQ(recorder.seen[0].wParam, 0u);
    EXPECT_EQ(recorder.seen[1].type, QStringLiteral("valuechanged"));
    EXPECT_EQ(recorder.seen[1].wParam, 41u);
    EXPECT_FALSE(combo->SelectItem(2)) << "past the last item";
    EXPECT_EQ(combo->GetCurSel(), 0);
}

TEST_F(ControlsTest, EditsNotifyTypingAndEnterButNotTextSetByCode)
{
    auto* edit = Find<CEditUI>("edit");
    edit->SetText(QStringLiteral("800"));
    EXPECT_TRUE(recorder.seen.empty());
    edit->GetWidget()->setFocus();
    recorder.seen.clear();
    QTest::keyClicks(edit->GetWidget(), QStringLiteral("12"));
    QTest::keyClick(edit->GetWidget(), Qt::Key_Return);
    QStringList typed;
    for (const auto& seen : recorder.seen)
        if (seen.type == QLatin1String("textchanged") || seen.type == QLatin1String("return"))
            typed << seen.type;
    EXPECT_EQ(typed,
        (QStringList{QStringLiteral("textchanged"), QStringLiteral("textchanged"),
            QStringLiteral("return")}));
    EXPECT_EQ(edit->GetText(), QStringLiteral("80012"));

    edit->SetSel(1, 3);
    EXPECT_EQ(static_cast<QLineEdit*>(edit->GetWidget())->selectedText(), QStringLiteral("00"));
    edit->SetSel(2, -1);
    EXPECT_EQ(static_cast<QLineEdit*>(edit->GetWidget())->selectedText(), QStringLiteral("012"));
    edit->SetSel(-5, 99);
    EXPECT_EQ(static_cast<QLineEdit*>(edit->GetWidget())->selectedText(), QStringLiteral("80012"))
        << "out-of-range ends are clamped";
}

TEST_F(ControlsTest, FocusChangesNotifySetFocusAndKillFocus)
{
    auto* edit = Find<CEditUI>("edit");
    QApplication::setActiveWindow(root.get());
    edit->GetWidget()->setFocus();
    Find("btn")->GetWidget()->setFocus();
    QStringList focus;
    for (const auto& seen : recorder.seen)
        if (seen.name == QLatin1String("edit"))
            focus << seen.type;
    EXPECT_EQ(focus, (QStringList{QStringLiteral("setfocus"), QStringLiteral("killfocus")}));
}

TEST_F(ControlsTest, ListRowsAreAddedSelectedAndRemoved)
{
    auto* list = Find<CListUI>("list");
    EXPECT_EQ(list->AddLabelElement(QStringLiteral("a")), 0);
    EXPECT_EQ(list->AddLabelElement(QStringLiteral("c")), 1);
    EXPECT_EQ(list->AddLabelElement(QStringLiteral("b"), 1), 1);
    EXPECT_EQ(list->GetItemText(1), QStringLiteral("b"));
    EXPECT_TRUE(recorder.seen.empty()) << "adding rows is quiet";

    list->SelectItem(2, false);
    EXPECT_EQ(list->GetCurSel(), 2);
    EXPECT_TRUE(recorder.seen.empty());
    list->SelectItem(0);
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_EQ(recorder.seen[0].type, QStringLiteral("itemselect"));
    EXPECT_FALSE(list->SelectItem(3));

    list->SetItemUserData(1, QStringLiteral("data"));
    EXPECT_EQ(list->GetItemUserData(1), QStringLiteral("data"));
    recorder.seen.clear();
    EXPECT_TRUE(list->RemoveAt(0));
    EXPECT_FALSE(list->RemoveAt(5));
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetItemText(0), QStringLiteral("b"));
    list->EnsureVisible(1);
    list->RemoveAll();
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_TRUE(recorder.seen.empty()) << "removing rows is quiet";
}

TEST_F(ControlsTest, FocusMakesAListRowCurrentButOnlySelectingItChoosesIt)
{
    auto* list = Find<CListUI>("list");
    list->AddLabelElement(QStringLiteral("a"));
    list->AddLabelElement(QStringLiteral("b"));
    auto* view = qobject_cast<QListWidget*>(list->GetWidget());
    const auto chosen = [&] {
        std::vector<uintptr_t> rows;
        for (const Seen& seen : recorder.seen)
            if (seen.type == QLatin1String("itemselect"))
                rows.push_back(seen.wParam);
        return rows;
    };
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(view, &in);
    EXPECT_EQ(view->currentRow(), 0);
    EXPECT_TRUE(chosen().empty()) << "a row the user never chose must not act as chosen";
    QTest::mouseClick(
        view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(0)).center());
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(chosen(), (std::vector<uintptr_t>{0, 1}));
}

TEST_F(ControlsTest, ATabLayoutShowsOnePageOrNone)
{
    auto* tabs = Find<CTabLayoutUI>("tabs");
    QWidget* a = Find("tab_a")->GetWidget();
    QWidget* b = Find("tab_b")->GetWidget();
    EXPECT_TRUE(tabs->SelectItem(1));
    EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(tabs->SelectItem(-1));
    EXPECT_EQ(tabs->GetCurSel(), -1);
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(b->isVisible());
    EXPECT_TRUE(tabs->SelectItem(1));
    EXPECT_TRUE(b->isVisible()) << "a page hidden by -1 shows again";
    EXPECT_FALSE(tabs->SelectItem(2));
}

TEST_F(ControlsTest, ThePaletteNotifiesWhileDraggingAndOnReleaseButNotWhenSetByCode)
{
    auto* palette = Find<CColorPaletteUI>("palette");
    QWidget* surface = palette->GetWidget();
    palette->SetSelectColor(0xFF00FF00);
    EXPECT_EQ(palette->GetSelectColor(), 0xFF00FF00u);
    EXPECT_TRUE(recorder.seen.empty());

    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(recorder.seen.size(), 2u);
    EXPECT_EQ(recorder.seen[0].type, QStringLiteral("colorchanged"));
    EXPECT_EQ(recorder.seen[1].type, QStringLiteral("colorchangedbuttonup"));
    // Top-left is full-brightness red.
    const QColor picked = QColor::fromRgba(palette->GetSelectColor());
    EXPECT_EQ(picked.alpha(), 255);
    EXPECT_GE(picked.red(), 250);
    EXPECT_LE(picked.green(), 10);
    EXPECT_EQ(recorder.seen[1].wParam, palette->GetSelectColor());
}

TEST_F(ControlsTest, ThePaletteFindsAColourWhereItShowsIt)
{
    auto* surface = qobject_cast<ColorPaletteWidget*>(Find("palette")->GetWidget());
    ASSERT_TRUE(surface);
    for (uint32_t argb : {0xFF00FF00u, 0xFF0000FFu, 0xFFFF8000u, 0xFF808080u, 0xFFFFFFFFu}) {
        const QColor want = QColor::fromRgba(argb);
        const QColor got = QColor::fromRgba(surface->colorAt(surface->pointOf(argb)));
        EXPECT_NEAR(got.red(), want.red(), 12) << std::hex << argb;
        EXPECT_NEAR(got.green(), want.green(), 12) << std::hex << argb;
        EXPECT_NEAR(got.blue(), want.blue(), 12) << std::hex << argb;
    }
}

TEST_F(ControlsTest, ResourceTextModeShowsTheLanguageTextOfAnId)
{
    CControlUI* label = Find("label");
    label->SetResourceText(true);
    label->SetText(QStringLiteral("hello_text"));
    EXPECT_EQ(static_cast<QLabel*>(label->GetWidget())->text(), QStringLiteral("Hello"));
    EXPECT_EQ(label->GetText(), QStringLiteral("Hello"));
    label->SetText(QStringLiteral("missing_text"));
    EXPECT_EQ(label->GetText(), QStringLiteral("missing_text")) << "an unknown id shows itself";
    label->SetResourceText(false);
    label->SetText(QStringLiteral("hello_text"));
    EXPECT_EQ(label->GetText(), QStringLiteral("hello_text"));
}

TEST_F(ControlsTest, CommonPropertiesOfEveryControl)
{
    CControlUI* label = Find("label");
    label->SetVisible(false);
    EXPECT_FALSE(label->IsVisible());
    label->SetVisible(true);
    label->SetEnabled(false);
    EXPECT_FALSE(label->IsEnabled());
    label->SetUserData(QStringLiteral("ud"));
    label->SetTag(42);
    EXPECT_EQ(label->GetUserData(), QStringLiteral("ud"));
    EXPECT_EQ(label->GetTag(), 42u);
    label->SetFixedHeight(31);
    EXPECT_EQ(label->GetFixedHeight(), 31);
    EXPECT_EQ(label->GetWidget()->height(), 31);

    label->SetBkColor(0xFF102030);
    EXPECT_EQ(label->GetBkColor(), 0xFF102030u);
    EXPECT_TRUE(label->GetWidget()->styleSheet().contains(QStringLiteral("rgba(16, 32, 48, 255)")));
    label->SetBkColor(0);
    EXPECT_FALSE(label->GetWidget()->styleSheet().contains(QStringLiteral("rgba")));
}

TEST_F(ControlsTest, ABackgroundImageIsDrawnAtItsDestination)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(skin.Path() + QStringLiteral("dot.png")));
    CControlUI* page = Find("page");
    page->SetBkImage(QStringLiteral("res='dot.png' dest='2,2,28,28'"));
    auto* drawn = page->GetWidget()->findChild<QLabel*>();
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->geometry(), QRect(2, 2, 26, 26));
    EXPECT_FALSE(drawn->pixmap().isNull());
    page->SetBkImage(QStringLiteral("res='missing.png'"));
    EXPECT_FALSE(drawn->isVisible()) << "a missing image draws nothing";
}

TEST_F(ControlsTest, AControlTimerRaisesTimerNotificationsUntilKilled)
{
    CControlUI* label = Find("label");
    manager.SetTimer(label, 28, 5);
    const auto timers = [this] {
        std::vector<Seen> found;
        for (const auto& seen : recorder.seen)
            if (seen.type == QLatin1String("timer"))
                found.push_back(seen);
        return found;
    };
    ASSERT_TRUE(test::WaitFor([&] { return timers().size() >= 2; }, 2000));
    EXPECT_EQ(timers()[0].name, QStringLiteral("label"));
    EXPECT_EQ(timers()[0].wParam, 28u);
    manager.KillTimer(label, 28);
    recorder.seen.clear();
    QTest::qWait(30);
    EXPECT_TRUE(timers().empty());
}

TEST_F(ControlsTest, ARowTemplateGetsControlsAndJoinsAList)
{
    skin.Write(QStringLiteral("row.xml"), R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>Row</class><widget class="QWidget" name="row">
 <layout class="QHBoxLayout" name="row_layout"><item><widget class="QLabel" name="row_key"/></item></layout>
</widget></ui>)");
    auto* list = Find<CListUI>("list");
    CControlUI* row = CDialogBuilder::Create(QStringLiteral("row.xml"), &manager);
    ASSERT_TRUE(row);
    EXPECT_EQ(list->AddControl(row), 0);
    EXPECT_EQ(list->GetItemControl(0), row);
    auto* container = dynamic_cast<CContainerUI*>(row);
    ASSERT_TRUE(container);
    EXPECT_TRUE(container->FindSubControl(QStringLiteral("row_key")));
    EXPECT_EQ(CDialogBuilder::Create(QStringLiteral("absent.xml"), &manager), nullptr);
}

// The battery ring as it was drawn before its track was kept: everything, on every change.
class ReferenceRing final : public QWidget {
public:
    using QWidget::QWidget;
    int value = 0;
    QColor ring{0x2E, 0xD5, 0x73};
    QColor track{0x2A, 0x2F, 0x3A};
    bool showText = false;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const int side = std::min(width(), height());
        const qreal pen = std::max(3.0, side / 10.0);
        const QRectF circle((width() - side) / 2.0 + pen / 2, (height() - side) / 2.0 + pen / 2,
            side - pen, side - pen);
        painter.setPen(QPen(track, pen, Qt::SolidLine, Qt::RoundCap));
        painter.drawEllipse(circle);
        if (value > 0) {
            painter.setPen(QPen(ring, pen, Qt::SolidLine, Qt::RoundCap));
            painter.drawArc(circle, 90 * 16, -value * 360 * 16 / 100);
        }
        if (showText) {
            painter.setPen(palette().color(QPalette::WindowText));
            QFont font = painter.font();
            font.setPixelSize(std::max(8, side / 4));
            font.setBold(true);
            painter.setFont(font);
            painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("%1%").arg(value));
        }
    }
};

// Side by side on one window: what the screen shows of the ring after each change, repainted
// only where it changed over its kept track, must be what the full drawing shows.
TEST(BatteryRing, LooksAsDrawnInFullAtEveryStepWithoutDrawingItsTrackAgain)
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0x15, 0x18, 0x1F));
    palette.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    window.setPalette(palette);
    window.resize(200, 100);
    BatteryRing ring(&window);
    ReferenceRing reference(&window);
    ring.setShowText(false);
    ring.setGeometry(10, 10, 44, 44);
    reference.setGeometry(110, 10, 44, 44);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const auto same = [&](const char* what) {
        const int paints = reference.paints;
        reference.update();
        if (!test::WaitFor([&] { return reference.paints > paints; }))
            return testing::AssertionFailure() << what << ": nothing was painted";
        const QImage screen =
            QGuiApplication::primaryScreen()->grabWindow(window.winId()).toImage();
        if (screen.copy(ring.geometry()) != screen.copy(reference.geometry())) {
            screen.save(QStringLiteral(KESTRIN_ARTIFACTS_DIR "/battery-ring-mismatch.png"));
            return testing::AssertionFailure()
                << what << " at " << ring.value() << ": see battery-ring-mismatch.png";
        }
        return testing::AssertionSuccess();
    };
    const auto show = [&](int value) {
        ring.setValue(value);
        reference.value = value;
        return same("the value");
    };

    ASSERT_TRUE(same("empty"));
    const int tracksDrawn = ring.trackDrawsForTesting();
    // Two sweeps of the charging animation, then levels up and down.
    for (int sweep = 0; sweep < 2; ++sweep) {
        for (int step = 0; step <= 100; step += 2)
            ASSERT_TRUE(show(step));
    }
    for (int level : {57, 100, 3, 99, 1, 0, 26, 74})
        ASSERT_TRUE(show(level));
    EXPECT_EQ(ring.trackDrawsForTesting(), tracksDrawn) << "the animation drew the track again";

    ring.setShowText(true);
    reference.showText = true;
    for (int level : {100, 8, 9, 75, 0, 42})
        ASSERT_TRUE(show(level));

    ring.setTrackColor(Qt::darkBlue);
    reference.track = Qt::darkBlue;
    ring.setRingColor(Qt::yellow);
    reference.ring = Qt::yellow;
    EXPECT_TRUE(same("new colours"));
    ring.setGeometry(10, 10, 70, 56);
    reference.setGeometry(110, 10, 70, 56);
    EXPECT_TRUE(same("a new size"));
    EXPECT_TRUE(show(63));

    // At twice the pixels, as on a high-density screen.
    const auto rendered = [](QWidget& widget) {
        QImage image(widget.size() * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::black);
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    EXPECT_EQ(rendered(ring), rendered(reference));

    // Painting its own backdrop, the ring looks as it did over the window.
    ring.setBackdropColor(palette.color(QPalette::Window));
    ASSERT_TRUE(ring.testAttribute(Qt::WA_OpaquePaintEvent));
    for (int step = 0; step <= 100; step += 2)
        ASSERT_TRUE(show(step));
    for (int level : {57, 3, 0})
        ASSERT_TRUE(show(level));
}

TEST(ParseImageSpec, ReadsFileAndDestinationOrRefusesNonsense)
{
    const auto full = ParseImageSpec(QStringLiteral("res='skins/mouse.png' dest='2,2,28,28'"));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->file, QStringLiteral("skins/mouse.png"));
    ASSERT_TRUE(full->dest);
    EXPECT_EQ(*full->dest, QRect(2, 2, 26, 26));

    const auto bare = ParseImageSpec(QStringLiteral("mouse.png"));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->file, QStringLiteral("mouse.png"));
    EXPECT_FALSE(bare->dest);

    EXPECT_FALSE(ParseImageSpec(QString()));
    EXPECT_FALSE(ParseImageSpec(QStringLiteral("dest='1,2,3,4'"))) << "no file";
    EXPECT_FALSE(ParseImageSpec(QStringLiteral("res='a.png' dest='1,2,3'")));
    EXPECT_FALSE(ParseImageSpec(QStringLiteral("res='a.png' dest='9,9,1,1'"))) << "inside out";
    EXPECT_FALSE(ParseImageSpec(QStringLiteral("res='a.png' dest='1,x,3,4'")));
}

} // namespace
} // namespace kestrin
