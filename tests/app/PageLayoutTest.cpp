// The device page's layout as the code meets it: names, kinds, groups, ranges, which sections
// start open, and a settings column that fits the window with every section open.
#include "tests/support/SkinFolder.h"
#include "ui/Controls.h"
#include "ui/DialogBuilder.h"
#include "ui/ListUI.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSlider>

#include <gtest/gtest.h>

#include <memory>

namespace kestrin {
namespace {

QString Name(const char* format, int n) { return QString::asprintf(format, n); }

// Expander → container, as the page toggles them.
const std::pair<const char*, const char*> Sections[] = {
    {"ms_1_check_profile", "ms_1_ver_profile"},
    {"ms_1_check_dpi", "ms_1_ver_dpi"},
    {"ms_1_check_prate", "ms_1_ver_prate"},
    {"ms_1_check_light", "ms_1_ver_light"},
    {"ms_1_check_button", "ms_1_hor_button"},
    {"ms_1_check_mouse_attribute", "ms_1_ver_mouse_attribute"},
    {"ms_1_check_lift_of_distance", "ms_1_hor_lift_of_distance"},
    {"ms_1_check_ripple_control", "ms_1_hor_ripple_control"},
    {"ms_1_check_angle_snap", "ms_1_hor_angle_snap"},
    {"ms_1_check_motion_sync", "ms_1_hor_motion_sync"},
    {"ms_1_check_key_debounce", "ms_1_hor_key_debounce"},
    {"ms_1_check_power", "ms_1_ver_power"},
    {"ms_1_check_power_setting", "ms_1_ver_power_setting"},
};

struct OptionGroup {
    const char* format;
    int count;
    const char* container;
};

const OptionGroup OptionGroups[] = {
    {"ms_1_option_dpi_step_%d", 8, "ms_1_ver_dpi"},
    {"ms_1_btn_prate_%d", 4, "ms_1_ver_prate"},
    {"ms_1_option_lift_of_distance_%d", 2, "ms_1_hor_lift_of_distance"},
    {"ms_1_option_ripple_control_%d", 2, "ms_1_hor_ripple_control"},
    {"ms_1_option_angle_snap_%d", 2, "ms_1_hor_angle_snap"},
    {"ms_1_option_motion_sync_%d", 2, "ms_1_hor_motion_sync"},
};

struct SliderRange {
    QString name;
    int minimum;
    int maximum;
    const char* container;
};

std::vector<SliderRange> SliderRanges()
{
    std::vector<SliderRange> sliders{
        {QStringLiteral("ms_1_slider_key_debounce"), 1, 16, "ms_1_hor_key_debounce"},
        {QStringLiteral("ms_1_slider_light_off"), 1, 60, "ms_1_ver_power_setting"},
        {QStringLiteral("ms_1_slider_sleep_timer"), 1, 120, "ms_1_ver_power_setting"},
        {QStringLiteral("ms_1_slider_brightness"), 1, 8, "ms_1_hor_brightness"},
        {QStringLiteral("ms_1_slider_breathspeed"), 1, 8, "ms_1_hor_breathspeed"},
    };
    for (int i = 1; i <= 8; ++i)
        sliders.push_back({Name("ms_1_slider_dpi_%d", i), 1, 520, "ms_1_ver_dpi"});
    return sliders;
}

class PageLayoutTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::UseInstalledSkin();
        root.reset(CDialogBuilder::BuildWidget(QStringLiteral("main.xml")));
        ASSERT_TRUE(root);
        manager.AttachLayout(root.get());
        root->resize(800, 572);
        root->show();
        Settle();
    }

    void Settle() const
    {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
            for (QLayout* layout : root->findChildren<QLayout*>())
                layout->activate();
        }
    }

    template <class T = CControlUI> T* Find(const QString& name) const
    {
        return manager.FindControl<T>(name);
    }
    QWidget* Widget(const QString& name) const
    {
        CControlUI* control = Find(name);
        return control ? control->GetWidget() : nullptr;
    }
    bool Inside(const QString& name, const char* container) const
    {
        QWidget* outer = Widget(QString::fromLatin1(container));
        QWidget* widget = Widget(name);
        return outer && widget && outer->isAncestorOf(widget);
    }

    QScrollArea* Settings() const
    {
        return qobject_cast<QScrollArea*>(Widget(QStringLiteral("ms_1_ver_setting")));
    }

    // What the page can show at most: every section open, every lighting row, and the widest
    // texts the code writes into the labels.
    void OpenEverything()
    {
        for (const auto& [check, container] : Sections) {
            Find<CCheckBoxUI>(QString::fromLatin1(check))->SetCheck(true, false);
            Widget(QString::fromLatin1(container))->show();
        }
        for (const char* row :
            {"ms_1_hor_brightness", "ms_1_hor_breathspeed", "ms_1_hor_light_color"})
            Widget(QString::fromLatin1(row))->show();
        const CResourceManager* texts = CResourceManager::GetInstance();
        auto text = [texts](const char* id) { return texts->GetText(QString::fromLatin1(id)); };
        for (int i = 1; i <= 8; ++i) {
            Find(Name("ms_1_label_dpi_%d", i))->SetText(QStringLiteral("26000"));
            Find(Name("ms_1_edit_dpi_%d", i))->SetText(QStringLiteral("26000"));
        }
        Find(QStringLiteral("ms_1_label_key_debounce"))->SetText(QStringLiteral("32 MS"));
        Find(QStringLiteral("ms_1_label_light_off"))
            ->SetText(QString::asprintf("%s%.1f %s", qPrintable(text("sleep_timer_1_text")), 30.0,
                qPrintable(text("sleep_timer_2_text"))));
        Find(QStringLiteral("ms_1_label_sleep_timer"))
            ->SetText(QString::asprintf("%s%d %s", qPrintable(text("sleep_timer_3_text")), 120,
                qPrintable(text("sleep_timer_2_text"))));
        QString widestRate;
        for (int i = 1; i <= 4; ++i)
            if (const QString rate = text(qPrintable(Name("prate_%d_text", i)));
                rate.size() > widestRate.size())
                widestRate = rate;
        Find(QStringLiteral("ms_1_label_prate"))->SetText(widestRate);
        Settle();
    }

    std::unique_ptr<QWidget> root;
    CPaintManagerUI manager;
};

TEST_F(PageLayoutTest, OptionsComeInTheirOwnGroupsInsideTheirSections)
{
    QSet<QString> groups;
    for (const auto& set : OptionGroups) {
        QString group;
        for (int n = 1; n <= set.count; ++n) {
            const QString name = Name(set.format, n);
            auto* option = Find<COptionUI>(name);
            ASSERT_TRUE(option) << name.toStdString();
            EXPECT_FALSE(dynamic_cast<CCheckBoxUI*>(option)) << name.toStdString();
            EXPECT_TRUE(Inside(name, set.container)) << name.toStdString();
            if (n == 1)
                group = option->GetGroup();
            EXPECT_FALSE(option->GetGroup().isEmpty()) << name.toStdString();
            EXPECT_EQ(option->GetGroup(), group) << name.toStdString();
        }
        EXPECT_FALSE(groups.contains(group)) << set.format << " shares a group with another set";
        groups.insert(group);
        EXPECT_FALSE(Find(Name(set.format, set.count + 1))) << set.format;
    }
    // Option n is report rate n - 1: 125, 250, 500, 1000 Hz.
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(Find(Name("ms_1_btn_prate_%d", n))
                        ->GetText()
                        .startsWith(QString::number(125 << (n - 1)) + QLatin1Char(' ')))
            << n;

    // Selecting one option clears the others of its group only.
    Find<COptionUI>(QStringLiteral("ms_1_option_angle_snap_1"))->Selected(true, false);
    Find<COptionUI>(QStringLiteral("ms_1_option_ripple_control_1"))->Selected(true, false);
    Find<COptionUI>(QStringLiteral("ms_1_option_ripple_control_2"))->Selected(true, false);
    EXPECT_TRUE(Find<COptionUI>(QStringLiteral("ms_1_option_angle_snap_1"))->IsSelected());
    EXPECT_FALSE(Find<COptionUI>(QStringLiteral("ms_1_option_ripple_control_1"))->IsSelected());
}

TEST_F(PageLayoutTest, SlidersEditsLabelsButtonsAndListsAreOfTheirKind)
{
    for (const SliderRange& range : SliderRanges()) {
        auto* slider = Find<CSliderUI>(range.name);
        ASSERT_TRUE(slider) << range.name.toStdString();
        EXPECT_EQ(slider->GetMinValue(), range.minimum) << range.name.toStdString();
        EXPECT_EQ(slider->GetMaxValue(), range.maximum) << range.name.toStdString();
        EXPECT_EQ(qobject_cast<QSlider*>(slider->GetWidget())->orientation(), Qt::Horizontal);
        EXPECT_TRUE(Inside(range.name, range.container)) << range.name.toStdString();
    }

    QStringList labels{QStringLiteral("ms_1_label_prate"),
        QStringLiteral("ms_1_label_key_debounce"), QStringLiteral("ms_1_label_light_off"),
        QStringLiteral("ms_1_label_sleep_timer")};
    QStringList buttons{QStringLiteral("ms_1_btn_apply_dpi"), QStringLiteral("ms_1_btn_reset_dpi"),
        QStringLiteral("ms_1_btn_mouse_attribute"), QStringLiteral("ms_1_apply_btn"),
        QStringLiteral("ms_1_btn_reset"), QStringLiteral("ms_1_btn_light_color"),
        QStringLiteral("ms_1_btn_macro"), QStringLiteral("ms_1_btn_gun")};
    for (const char* action : {"add", "rename", "delete", "reset", "import", "export"})
        buttons << QStringLiteral("ms_1_profile_%1_btn").arg(QLatin1String(action));
    for (int i = 1; i <= 8; ++i) {
        labels << Name("ms_1_label_dpi_%d", i);
        buttons << Name("ms_1_btn_dpi_color_%d", i);
        const QString edit = Name("ms_1_edit_dpi_%d", i);
        ASSERT_TRUE(Find<CEditUI>(edit)) << edit.toStdString();
        EXPECT_TRUE(qobject_cast<QLineEdit*>(Widget(edit))) << "one line: Enter commits";
    }
    for (int i = 1; i <= 18; ++i) {
        buttons << Name("ms_1_btn_key_%d", i);
        EXPECT_TRUE(Inside(Name("ms_1_btn_key_%d", i), "ms_1_hor_button")) << i;
    }
    for (const QString& label : labels)
        EXPECT_TRUE(Find<CLabelUI>(label)) << label.toStdString();
    for (const QString& button : buttons)
        EXPECT_TRUE(Find<CButtonUI>(button)) << button.toStdString();
    EXPECT_TRUE(Find<CCheckBoxUI>(QStringLiteral("ms_1_check_movemode")));

    EXPECT_TRUE(Find<CListUI>(QStringLiteral("ms_1_list_profile")));
    EXPECT_TRUE(Inside(QStringLiteral("ms_1_list_profile"), "ms_1_ver_profile"));
    auto* effects = Find<CComboUI>(QStringLiteral("ms_1_combo_light"));
    auto* bleEffects = Find<CComboUI>(QStringLiteral("ms_1_combo_light_ble"));
    ASSERT_TRUE(effects && bleEffects);
    EXPECT_EQ(effects->GetCount(), 12);
    EXPECT_EQ(bleEffects->GetCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(bleEffects->GetItemText(i), effects->GetItemText(i)) << "the same effect " << i;
    EXPECT_TRUE(Inside(QStringLiteral("ms_1_combo_light_ble"), "ms_1_ver_light"));
    EXPECT_TRUE(Settings()) << "the code scrolls ms_1_ver_setting itself";
}

TEST_F(PageLayoutTest, EachExpanderStartsAsItsSectionShowsAndHiddenThingsStayHidden)
{
    for (const auto& [check, container] : Sections) {
        auto* expander = Find<CCheckBoxUI>(QString::fromLatin1(check));
        ASSERT_TRUE(expander) << check;
        EXPECT_TRUE(expander->GetGroup().isEmpty()) << check;
        CControlUI* section = Find(QString::fromLatin1(container));
        ASSERT_TRUE(section) << container;
        EXPECT_EQ(expander->GetCheck(), section->IsVisible()) << check;
        if (qstrcmp(check, "ms_1_check_profile") != 0) {
            EXPECT_TRUE(Settings()->widget()->isAncestorOf(section->GetWidget())) << container;
        }
    }
    for (const char* row : {"ms_1_hor_brightness", "ms_1_hor_breathspeed", "ms_1_hor_light_color"})
        EXPECT_FALSE(Find(QString::fromLatin1(row))->IsVisible()) << row << ": effect 0 is off";
    for (int i = 7; i <= 8; ++i)
        for (const char* format : {"ms_1_option_dpi_step_%d", "ms_1_btn_dpi_color_%d",
                 "ms_1_slider_dpi_%d", "ms_1_label_dpi_%d", "ms_1_edit_dpi_%d"})
            EXPECT_FALSE(Find(Name(format, i))->IsVisible()) << Name(format, i).toStdString();
}

// Visible controls under `area`, with their rectangles in its coordinates.
std::vector<std::pair<QWidget*, QRect>> VisibleControls(QWidget* area, QWidget* skip = nullptr)
{
    std::vector<std::pair<QWidget*, QRect>> controls;
    for (QWidget* widget : area->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(widget) ||
            qobject_cast<QLabel*>(widget) || qobject_cast<QSlider*>(widget) ||
            qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
            widget->objectName() == QLatin1String("ms_1_list_profile");
        if (!control || !widget->isVisibleTo(area) || widget->objectName().isEmpty() ||
            (skip && (skip == widget || skip->isAncestorOf(widget))))
            continue;
        controls.emplace_back(widget, QRect(widget->mapTo(area, QPoint(0, 0)), widget->size()));
    }
    return controls;
}

void ExpectNoOverlapAndRoom(QWidget* area, int width, QWidget* skip = nullptr)
{
    const auto controls = VisibleControls(area, skip);
    ASSERT_GT(controls.size(), 12u);
    for (size_t a = 0; a < controls.size(); ++a) {
        const auto& [widget, rect] = controls[a];
        const std::string name = widget->objectName().toStdString();
        EXPECT_GE(rect.left(), 0) << name;
        EXPECT_LE(rect.right(), width - 1) << name << " is cut off on the right";
        for (size_t b = a + 1; b < controls.size(); ++b)
            EXPECT_FALSE(rect.intersects(controls[b].second))
                << name << " overlaps " << controls[b].first->objectName().toStdString();
        // Text that needs more room than it has is cut off.
        auto* label = qobject_cast<QLabel*>(widget);
        if ((label && !label->wordWrap() && !label->text().isEmpty()) ||
            (qobject_cast<QAbstractButton*>(widget) &&
                !qobject_cast<QAbstractButton*>(widget)->text().isEmpty())) {
            EXPECT_LE(widget->sizeHint().width(), rect.width()) << name << " cuts its text";
        }
    }
}

TEST_F(PageLayoutTest, WithEverySectionOpenNothingOverlapsOrIsCutOff)
{
    OpenEverything();
    QScrollArea* settings = Settings();
    ASSERT_TRUE(settings);
    QWidget* content = settings->widget();
    EXPECT_LE(content->width(), settings->viewport()->width());
    EXPECT_LE(content->minimumSizeHint().width(), settings->viewport()->width())
        << "the column would need a horizontal scroll bar";
    EXPECT_GT(settings->verticalScrollBar()->maximum(), 0)
        << "so much cannot fit without scrolling";
    ExpectNoOverlapAndRoom(content, settings->viewport()->width());
    // The whole column, to look at.
    QDir().mkpath(QStringLiteral(KESTRIN_ARTIFACTS_DIR));
    EXPECT_TRUE(
        content->grab().save(QStringLiteral(KESTRIN_ARTIFACTS_DIR "/page-settings-open.png")));
    // The rest of the window: title bar, status strip, profile column, footer.
    ExpectNoOverlapAndRoom(root.get(), root->width(), settings);

    // A selected option is drawn bold; the size hint knows only the plain font.
    for (const auto& set : OptionGroups)
        for (int n = 1; n <= set.count; ++n) {
            QWidget* option = Widget(Name(set.format, n));
            if (!option->isVisible())
                continue;
            const QString text = qobject_cast<QAbstractButton*>(option)->text();
            QFont bold = option->font();
            bold.setWeight(QFont::Bold);
            const int extra = QFontMetrics(bold).horizontalAdvance(text) -
                QFontMetrics(option->font()).horizontalAdvance(text);
            EXPECT_LE(option->sizeHint().width() + extra, option->width())
                << Name(set.format, n).toStdString() << " selected cuts its text";
        }
}

TEST_F(PageLayoutTest, TabWalksTheSettingsColumnTopToBottom)
{
    OpenEverything();
    QWidget* content = Settings()->widget();
    QWidget* first = Widget(QStringLiteral("ms_1_check_dpi"));
    ASSERT_TRUE(first);
    int reached = 0;
    int lastCentre = -1;
    QString lastName;
    for (QWidget* widget = first; widget && content->isAncestorOf(widget);
         widget = widget->nextInFocusChain()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(content) ||
            widget->objectName().isEmpty())
            continue;
        const int centre = widget->mapTo(content, widget->rect().center()).y();
        // Controls of one row share a centre within a few pixels.
        EXPECT_GE(centre, lastCentre - 8) << widget->objectName().toStdString() << " comes after "
                                          << lastName.toStdString() << " but stands above it";
        lastCentre = std::max(lastCentre, centre);
        lastName = widget->objectName();
        ++reached;
    }
    int focusable = 0;
    for (QWidget* widget : content->findChildren<QWidget*>())
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(content) &&
            !widget->objectName().isEmpty())
            ++focusable;
    EXPECT_EQ(reached, focusable) << "Tab reaches every control of the column in one walk";
    EXPECT_GT(focusable, 40);
}

TEST_F(PageLayoutTest, AColourSwatchShowsTheColourTheCodeGivesItInEveryState)
{
    OpenEverything();
    for (const char* name : {"ms_1_btn_dpi_color_1", "ms_1_btn_light_color"}) {
        CControlUI* swatch = Find(QString::fromLatin1(name));
        ASSERT_TRUE(swatch) << name;
        swatch->SetBkColor(0xFF0C2238);
        QWidget* widget = swatch->GetWidget();
        auto centre = [widget] {
            const QImage image = widget->grab().toImage();
            return image.pixelColor(image.rect().center()).rgb();
        };
        EXPECT_EQ(centre(), qRgb(12, 34, 56)) << name;
        root->activateWindow();
        widget->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_TRUE(widget->hasFocus()) << name;
        widget->setAttribute(Qt::WA_UnderMouse, true);
        EXPECT_EQ(centre(), qRgb(12, 34, 56)) << name << " focused and under the mouse";
        widget->setAttribute(Qt::WA_UnderMouse, false);
    }
}

} // namespace
} // namespace kestrin
