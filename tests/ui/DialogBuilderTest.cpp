// The program builds its layouts with a reader of its own rather than Qt Designer's loader
// (whose plugins bring in Qt Quick). Every layout of the skin must come out as that loader makes
// it: the same objects, properties, layouts and tab order, drawn the same under the stylesheet.
#include "ui/DialogBuilder.h"
#include "tests/support/SkinFolder.h"
#include "ui/BatteryRing.h"
#include "ui/ColorPalette.h"
#include "ui/LayoutTexts.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMetaProperty>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QTest>
#include <QUiLoader>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace kestrin {
namespace {

const QString Skin = QStringLiteral(KESTRIN_PROGRAM_DIR "/res/");

QString ValueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QSize: {
        const QSize size = value.toSize();
        return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    }
    case QMetaType::QRect: {
        const QRect rect = value.toRect();
        return QStringLiteral("%1,%2 %3x%4")
            .arg(rect.x())
            .arg(rect.y())
            .arg(rect.width())
            .arg(rect.height());
    }
    case QMetaType::QPoint:
        return QStringLiteral("%1,%2").arg(value.toPoint().x()).arg(value.toPoint().y());
    case QMetaType::QSizePolicy: {
        const auto policy = value.value<QSizePolicy>();
        return QStringLiteral("%1/%2 %3/%4")
            .arg(policy.horizontalPolicy())
            .arg(policy.verticalPolicy())
            .arg(policy.horizontalStretch())
            .arg(policy.verticalStretch());
    }
    case QMetaType::QFont:
        return value.value<QFont>().toString();
    case QMetaType::QIcon:
        return value.value<QIcon>().isNull() ? QStringLiteral("no icon") : QStringLiteral("icon");
    default:
        return value.canConvert<QString>() ? value.toString()
                                           : QString::fromLatin1(value.typeName());
    }
}

void DescribeLayout(const QLayout* layout, QString& out, const QString& indent)
{
    const QMargins margins = layout->contentsMargins();
    out += QStringLiteral("%1%2 %3 margins %4,%5,%6,%7 spacing %8")
               .arg(indent, QString::fromLatin1(layout->metaObject()->className()),
                   layout->objectName())
               .arg(margins.left())
               .arg(margins.top())
               .arg(margins.right())
               .arg(margins.bottom())
               .arg(layout->spacing());
    const auto* grid = qobject_cast<const QGridLayout*>(layout);
    const auto* box = qobject_cast<const QBoxLayout*>(layout);
    if (grid)
        out += QStringLiteral(" %1/%2").arg(grid->horizontalSpacing()).arg(grid->verticalSpacing());
    out += QLatin1Char('\n');
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        QString place;
        if (grid) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            place =
                QStringLiteral("at %1,%2 span %3,%4 ").arg(row).arg(column).arg(rows).arg(columns);
        } else if (box) {
            place = QStringLiteral("stretch %1 ").arg(box->stretch(i));
        }
        place += QStringLiteral("align %1 ").arg(int(item->alignment()));
        if (item->widget()) {
            out += indent + QStringLiteral("  widget ") + place + item->widget()->objectName() +
                QLatin1Char('\n');
        } else if (item->layout()) {
            out += indent + QStringLiteral("  layout ") + place + QLatin1Char('\n');
            DescribeLayout(item->layout(), out, indent + QStringLiteral("    "));
        } else if (QSpacerItem* spacer = item->spacerItem()) {
            out += indent + QStringLiteral("  spacer ") + place + ValueText(spacer->sizeHint()) +
                QLatin1Char(' ') + ValueText(QVariant::fromValue(spacer->sizePolicy())) +
                QLatin1Char('\n');
        }
    }
}

// Every object of the tree, its properties, and its layout; then the tab order and buddies.
QString Describe(QWidget* root)
{
    root->ensurePolished();
    QString out;
    QList<const QWidget*> widgets{root};
    const auto inComboBox = [](const QWidget* widget) {
        while ((widget = widget->parentWidget()))
            if (qobject_cast<const QComboBox*>(widget))
                return true;
        return false;
    };
    for (const QWidget* widget : root->findChildren<const QWidget*>())
        // A combo box's list is its own business.
        if (!inComboBox(widget))
            widgets << widget;
    for (const QWidget* widget : widgets) {
        out += QStringLiteral("%1 %2\n").arg(
            QString::fromLatin1(widget->metaObject()->className()), widget->objectName());
        const QMetaObject* meta = widget->metaObject();
        // Designer's loader has a combo box work out its least size from its text ids, before
        // they become texts; the program's, from its texts.
        const bool combo = qobject_cast<const QComboBox*>(widget);
        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (property.isReadable() &&
                !(combo && qstrcmp(property.name(), "minimumSizeHint") == 0))
                out += QStringLiteral("  %1 = %2\n")
                           .arg(QString::fromLatin1(property.name()),
                               ValueText(property.read(widget)));
        }
        QList<QByteArray> names = widget->dynamicPropertyNames();
        std::ranges::sort(names);
        for (const QByteArray& name : names)
            out += QStringLiteral("  [%1] = %2\n")
                       .arg(QString::fromLatin1(name), ValueText(widget->property(name)));
        if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->buddy())
            out += QStringLiteral("  buddy %1\n").arg(label->buddy()->objectName());
        if (widget->layout())
            DescribeLayout(widget->layout(), out, QStringLiteral("  "));
    }
    out += QStringLiteral("tab order:");
    const QWidget* next = root;
    for (int i = 0; i <= widgets.size(); ++i, next = next->nextInFocusChain())
        out += QLatin1Char(' ') + next->objectName();
    return out;
}

// The lines that differ, each under the object it belongs to; empty when none does.
std::string Differences(const QString& theirs, const QString& ours)
{
    const QStringList a = theirs.split(QLatin1Char('\n'));
    const QStringList b = ours.split(QLatin1Char('\n'));
    std::string out;
    QString object;
    int shown = 0;
    for (qsizetype i = 0; i < std::max(a.size(), b.size()) && shown < 400; ++i) {
        const QString left = a.value(i);
        const QString right = b.value(i);
        if (!left.startsWith(QLatin1Char(' ')))
            object = left;
        if (left == right)
            continue;
        out += "in " + object.toStdString() + "\n  - " + left.toStdString() + "\n  + " +
            right.toStdString() + "\n";
        ++shown;
    }
    return out;
}

// Shows the layout built into `host` on screen at the size it asks for, alone.
void ShowAlone(QWidget& host)
{
    QWidget* root = host.findChild<QWidget*>();
    (new QVBoxLayout(&host))->addWidget(root);
    host.layout()->setContentsMargins(QMargins());
    host.resize(root->size());
    host.show();
    QCoreApplication::processEvents();
}

// A built layout described as laid out on screen at the size it asks for, alone.
QString LaidOut(QWidget& host)
{
    ShowAlone(host);
    QString description = Describe(&host);
    host.hide();
    return description;
}

QStringList SkinLayouts()
{
    QStringList files;
    QDirIterator it(Skin, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        // The language files (lan.xml and its translations) are no layouts.
        if (!QFileInfo(path).fileName().startsWith(QLatin1String("lan.")))
            files << path.mid(Skin.size());
    }
    files.sort();
    return files;
}

// Designer's loader, given the program's own classes.
class DesignerLoader final : public QUiLoader {
public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override
    {
        QWidget* widget = nullptr;
        if (className == QLatin1String("kestrin::ColorPaletteWidget"))
            widget = new ColorPaletteWidget(parent);
        else if (className == QLatin1String("kestrin::BatteryRing"))
            widget = new BatteryRing(parent);
        else
            return QUiLoader::createWidget(className, parent, name);
        widget->setObjectName(name);
        return widget;
    }
};

QWidget* BuildWithDesigner(const QString& file, QWidget* parent)
{
    QFile layout(Skin + file);
    EXPECT_TRUE(layout.open(QIODevice::ReadOnly));
    DesignerLoader loader;
    loader.setTranslationEnabled(false);
    QWidget* widget = loader.load(&layout, parent);
    ShowLayoutTexts(widget);
    return widget;
}

class DialogBuilderTest : public testing::Test {
protected:
    void SetUp() override
    {
        resources->SetResourcePath(Skin);
        ASSERT_TRUE(resources->LoadLanguage(QStringLiteral("lan.xml")));
    }
    void TearDown() override { qApp->setStyleSheet(QString()); }

    CResourceManager* resources = CResourceManager::GetInstance();
};

TEST_F(DialogBuilderTest, EveryLayoutOfTheSkinComesOutAsDesignersLoaderMakesIt)
{
    ASSERT_TRUE(resources->LoadStyleSheet(QStringLiteral("kestrin.qss")));
    const QStringList files = SkinLayouts();
    ASSERT_GE(files.size(), 15);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        QWidget theirs;
        ASSERT_TRUE(BuildWithDesigner(file, &theirs));
        const QString reference = LaidOut(theirs);
        QWidget ours;
        ASSERT_TRUE(CDialogBuilder::BuildWidget(file, &ours));
        EXPECT_EQ(Differences(reference, LaidOut(ours)), "");
    }
}

TEST_F(DialogBuilderTest, APartBuiltWhenFirstShownComesOutAsIfBuiltAtOnce)
{
    ASSERT_TRUE(resources->LoadStyleSheet(QStringLiteral("kestrin.qss")));
    // Hidden, a page behind its stack's first, of a fixed height; and one that is none of them.
    const QStringList parts{QStringLiteral("ms_1_hor_button"),
        QStringLiteral("ms_1_ver_mouse_attribute"), QStringLiteral("ms_1_ver_power"),
        QStringLiteral("no_mouse_page"), QStringLiteral("ms_1_light_effect"),
        QStringLiteral("ms_1_ver_dpi")};
    QWidget whole;
    ASSERT_TRUE(CDialogBuilder::BuildWidget(QStringLiteral("main.xml"), &whole));
    QWidget later;
    QWidget* root = CDialogBuilder::BuildWidget(QStringLiteral("main.xml"), &later, parts);
    ASSERT_TRUE(root);
    // The DPI section is shown at once, so it is built at once.
    EXPECT_FALSE(CDialogBuilder::IsDeferred(root->findChild<QWidget*>(parts[5])));
    EXPECT_TRUE(root->findChild<QWidget*>(QStringLiteral("ms_1_slider_dpi_1")));
    auto* power = root->findChild<QWidget*>(parts[2]);
    ASSERT_TRUE(power);
    EXPECT_TRUE(CDialogBuilder::IsDeferred(power));
    EXPECT_FALSE(root->findChild<QWidget*>(QStringLiteral("ms_1_slider_sleep_timer")));
    EXPECT_EQ(
        CDialogBuilder::DeferredHolding(root, QStringLiteral("ms_1_slider_sleep_timer")), power);
    EXPECT_EQ(CDialogBuilder::DeferredHolding(root, QStringLiteral("no_such_control")), nullptr);
    for (const QString& part : parts.first(5)) {
        QWidget* widget = root->findChild<QWidget*>(part);
        ASSERT_TRUE(widget) << part.toStdString();
        EXPECT_TRUE(CDialogBuilder::BuildDeferred(widget)) << part.toStdString();
        EXPECT_FALSE(CDialogBuilder::BuildDeferred(widget)) << "built once";
    }
    // The same widgets, properties and layouts as the whole built at once, and the same order
    // of the widgets that take the focus with Tab.
    const auto withoutFocusChain = [](QString description) {
        return description.left(description.lastIndexOf(QLatin1String("tab order:")));
    };
    EXPECT_EQ(
        Differences(withoutFocusChain(LaidOut(whole)), withoutFocusChain(LaidOut(later))), "");
    const auto tabOrder = [](QWidget& host) {
        QStringList order;
        for (QWidget* next = host.nextInFocusChain(); next != &host;
             next = next->nextInFocusChain())
            if (next->focusPolicy() & Qt::TabFocus)
                order << next->objectName();
        return order.join(QLatin1Char(' ')).toStdString();
    };
    EXPECT_EQ(tabOrder(later), tabOrder(whole));
}

// Built into a window already on the screen (a stack's page as it is switched to, a row of a
// fixed height as it is scrolled to), a part draws as if built with the window.
TEST_F(DialogBuilderTest, APartBuiltOnTheScreenDrawsAsIfBuiltAtOnce)
{
    ASSERT_TRUE(resources->LoadStyleSheet(QStringLiteral("kestrin.qss")));
    const QStringList parts{QStringLiteral("no_mouse_page"), QStringLiteral("ms_1_light_effect"),
        QStringLiteral("ms_1_light_effect_ble")};
    const auto pictures = [&](const QStringList& waiting) {
        QWidget host;
        QWidget* root = CDialogBuilder::BuildWidget(QStringLiteral("main.xml"), &host, waiting);
        (new QVBoxLayout(&host))->addWidget(root);
        host.layout()->setContentsMargins(QMargins());
        host.resize(root->size());
        host.show();
        QCoreApplication::processEvents();
        auto* area = root->findChild<QScrollArea*>(QStringLiteral("ms_1_ver_setting"));
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
        auto* stack = root->findChild<QStackedWidget*>(QStringLiteral("device_tab_switch"));
        QList<QImage> images;
        for (int page = 0; page < stack->count(); ++page) {
            stack->setCurrentIndex(page);
            for (const QString& part : waiting) {
                if (QWidget* widget = root->findChild<QWidget*>(part); widget->isVisible()) {
                    EXPECT_TRUE(CDialogBuilder::BuildDeferred(widget)) << part.toStdString();
                }
            }
            QCoreApplication::processEvents();
            images << host.grab().toImage();
        }
        return images;
    };
    const QList<QImage> atOnce = pictures({});
    const QList<QImage> later = pictures(parts);
    ASSERT_EQ(atOnce.size(), later.size());
    for (qsizetype i = 0; i < atOnce.size(); ++i)
        EXPECT_TRUE(atOnce[i] == later[i]) << "page " << i;
}

// A row below the fold waits for its content in a place of the height the skin gives it: the
// height its content takes under the stylesheet, or the row is clipped or leaves a gap.
TEST_F(DialogBuilderTest, TheLightingRowsAreAsHighAsTheirContent)
{
    ASSERT_TRUE(resources->LoadStyleSheet(QStringLiteral("kestrin.qss")));
    QWidget host;
    ASSERT_TRUE(CDialogBuilder::BuildWidget(QStringLiteral("main.xml"), &host));
    host.show();
    for (const char* name : {"ms_1_light_effect", "ms_1_light_effect_ble", "ms_1_hor_brightness",
             "ms_1_hor_breathspeed", "ms_1_hor_light_color"}) {
        auto* row = host.findChild<QWidget*>(QLatin1String(name));
        ASSERT_TRUE(row && row->layout()) << name;
        row->show();
        EXPECT_EQ(row->minimumHeight(), row->maximumHeight()) << name;
        EXPECT_EQ(row->layout()->sizeHint().height(), row->maximumHeight()) << name;
    }
}

TEST_F(DialogBuilderTest, UnderTheStylesheetEveryWindowLooksAsDesignersLoaderDrawsIt)
{
    // The reader places stack pages and scroll contents so that none is styled twice; each
    // window must still draw as Designer's loader makes it, each page of its stacks in turn.
    const auto pictures = [](QWidget& host) {
        ShowAlone(host);
        QList<QImage> images{host.grab().toImage()};
        for (auto* stack : host.findChildren<QStackedWidget*>())
            for (int page = 0; page < stack->count(); ++page) {
                stack->setCurrentIndex(page);
                QCoreApplication::processEvents();
                images << host.grab().toImage();
            }
        host.hide();
        return images;
    };
    ASSERT_TRUE(resources->LoadStyleSheet(QStringLiteral("kestrin.qss")));
    for (const QString& file : SkinLayouts()) {
        SCOPED_TRACE(file.toStdString());
        QList<QImage> before;
        {
            QWidget theirs;
            ASSERT_TRUE(BuildWithDesigner(file, &theirs));
            before = pictures(theirs);
        }
        QWidget ours;
        ASSERT_TRUE(CDialogBuilder::BuildWidget(file, &ours));
        const QList<QImage> after = pictures(ours);
        ASSERT_EQ(before.size(), after.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            EXPECT_TRUE(before[i] == after[i]) << "picture " << i;
    }
}

} // namespace
} // namespace kestrin
