#include "ui/DialogBuilder.h"

#include "base/Trace.h"
#include "ui/BatteryRing.h"
#include "ui/ColorPalette.h"
#include "ui/LayoutTexts.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaEnum>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSizePolicy>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOption>
#include <QXmlStreamReader>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kestrin {
namespace {

// The widget classes the layouts may name, ours among them.
using WidgetMaker = QWidget* (*)(QWidget* parent);
template <class W> QWidget* Make(QWidget* parent) { return new W(parent); }

WidgetMaker MakerFor(QStringView className)
{
    static const QHash<QString, WidgetMaker> makers{
        {QStringLiteral("QWidget"), &Make<QWidget>},
        {QStringLiteral("QPushButton"), &Make<QPushButton>},
        {QStringLiteral("QLabel"), &Make<QLabel>},
        {QStringLiteral("QLineEdit"), &Make<QLineEdit>},
        {QStringLiteral("QSlider"), &Make<QSlider>},
        {QStringLiteral("QCheckBox"), &Make<QCheckBox>},
        {QStringLiteral("QRadioButton"), &Make<QRadioButton>},
        {QStringLiteral("QComboBox"), &Make<QComboBox>},
        {QStringLiteral("QListWidget"), &Make<QListWidget>},
        {QStringLiteral("QFrame"), &Make<QFrame>},
        {QStringLiteral("QStackedWidget"), &Make<QStackedWidget>},
        {QStringLiteral("QScrollArea"), &Make<QScrollArea>},
        {QStringLiteral("QProgressBar"), &Make<QProgressBar>},
        {QStringLiteral("kestrin::ColorPaletteWidget"), &Make<ColorPaletteWidget>},
        {QStringLiteral("kestrin::BatteryRing"), &Make<BatteryRing>},
    };
    return makers.value(className.toString());
}

// Designer writes enum keys with their scope ("Qt::AlignLeft"); the meta enums know them bare.
QByteArray BareKeys(QStringView keys)
{
    QByteArray bare;
    for (QStringView key : keys.split(QLatin1Char('|'))) {
        key = key.trimmed();
        if (const qsizetype scope = key.lastIndexOf(QLatin1Char(':')); scope >= 0)
            key = key.mid(scope + 1);
        if (!bare.isEmpty())
            bare += '|';
        bare += key.toLatin1();
    }
    return bare;
}

int EnumValue(const QMetaEnum& meta, QStringView keys, bool* ok)
{
    const QByteArray bare = BareKeys(keys);
    return meta.isFlag() ? meta.keysToValue(bare.constData(), ok)
                         : meta.keyToValue(bare.constData(), ok);
}

QSizePolicy::Policy PolicyNamed(QStringView name)
{
    static const QMetaEnum policies = QSizePolicy::staticMetaObject.enumerator(
        QSizePolicy::staticMetaObject.indexOfEnumerator("Policy"));
    bool ok = false;
    const int value = EnumValue(policies, name, &ok);
    return ok ? static_cast<QSizePolicy::Policy>(value) : QSizePolicy::Preferred;
}

// A property as the layout file writes it: its name, the kind of value and the value's text
// (a size, a rectangle and a size policy are kept as their numbers).
struct Property {
    QString name;
    QString kind;
    QString text;
    bool standard = true;
    int numbers[4] = {};
    QSizePolicy policy;
};

// What a widget built without its content holds until it is built: its layout and children as
// the file wrote them, and the names of the widgets among them.
class DeferredContent final : public QObject {
public:
    DeferredContent(QWidget* widget, QString className)
        : QObject(widget), className(std::move(className))
    {
        setObjectName(Name());
    }
    static QString Name() { return QStringLiteral("kestrin_deferred_content"); }
    QString className;
    QString xml;
    QStringList names;
};

DeferredContent* DeferredOf(const QWidget* widget)
{
    return widget ? dynamic_cast<DeferredContent*>(widget->findChild<QObject*>(
                        DeferredContent::Name(), Qt::FindDirectChildrenOnly))
                  : nullptr;
}

// Builds a layout file's widgets and layouts as Qt Designer's own loader would, without its
// plugins (which bring in Qt Quick) and without holding the file as a tree.
class LayoutReader {
public:
    // `waitingParts` names widgets whose content is left for BuildDeferred.
    explicit LayoutReader(const QString& text, QStringList waitingParts = {})
        : text_(text), xml_(text), waitingParts_(std::move(waitingParts))
    {
    }

    // Reads a widget's deferred content into the widget itself.
    void FillInto(QWidget* widget)
    {
        fillInto_ = widget;
        filled_ = widget;
    }

    // The root widget, made a child of `parent`; null when the file is broken.
    QWidget* Read(QWidget* parent)
    {
        parentWidget_ = parent;
        while (!xml_.atEnd()) {
            if (xml_.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml_.name() == QLatin1String("widget") && !root_) {
                root_ = ReadWidget(parent);
                if (!root_)
                    break;
            } else if (xml_.name() == QLatin1String("tabstops")) {
                ReadTabStops();
            } else if (xml_.name() != QLatin1String("ui")) {
                xml_.skipCurrentElement();
            }
        }
        if (xml_.hasError() || !root_) {
            error_ = xml_.hasError()
                ? QStringLiteral("line %1: %2").arg(xml_.lineNumber()).arg(xml_.errorString())
                : QStringLiteral("no widget");
            if (root_ != filled_)
                delete root_;
            return nullptr;
        }
        for (const auto& [label, name] : buddies_)
            label->setBuddy(Named(name));
        QWidget* previous = nullptr;
        for (const QString& name : tabStops_) {
            QWidget* next = Named(name);
            if (previous && next)
                QWidget::setTabOrder(previous, next);
            if (next)
                previous = next;
        }
        return root_;
    }

    // Gives each scroll area its content and each stack its pages (showing the first), in the
    // order the file asks for them, once every widget stands.
    void Finish()
    {
        for (const auto& [widget, step] : deferred_)
            if (widget)
                step();
        deferred_.clear();
    }

    QString Error() const { return error_; }

private:
    static bool OnAPage(const QWidget* widget)
    {
        for (; widget; widget = widget->parentWidget())
            if (qobject_cast<const QStackedWidget*>(widget->parentWidget()))
                return true;
        return false;
    }

    void Defer(QWidget* widget, std::function<void()> step)
    {
        deferred_.emplace_back(widget, std::move(step));
    }

    QWidget* Named(const QString& name) const
    {
        return root_->objectName() == name ? root_ : root_->findChild<QWidget*>(name);
    }

    // At <widget>; reads to its end.
    QWidget* ReadWidget(QWidget* parent)
    {
        const QXmlStreamAttributes attributes = xml_.attributes();
        const QString className = attributes.value(QLatin1String("class")).toString();
        const WidgetMaker make = MakerFor(className);
        if (!make) {
            Trace("layout: no widget class %s\n", qPrintable(className));
            xml_.skipCurrentElement();
            return nullptr;
        }
        // A page of a stack starts as a window of its own, as Designer builds it, so that its
        // size and its layout's margins are a window's; it joins its stack before it has
        // children, as a scroll area's content is made in its viewport: a subtree moved under
        // the application's stylesheet is restyled widget by widget.
        auto* stack = qobject_cast<QStackedWidget*>(parent);
        auto* area = qobject_cast<QScrollArea*>(parent);
        QWidget* widget = std::exchange(fillInto_, nullptr);
        if (!widget) {
            widget = make(stack ? nullptr : area ? area->viewport() : parent);
            widget->setObjectName(attributes.value(QLatin1String("name")).toString());
            if (stack)
                pagesAwaitingStacks_.emplace_back(widget, stack);
        }
        // A part waits only where it stands out of sight with its place kept: hidden by the
        // layout, a page of a stack behind its first, or of a height the layout fixes.
        const bool mayWait = waitingParts_.contains(widget->objectName());
        const bool laterPage =
            stack && !stack->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
        bool contentStarted = false;
        DeferredContent* deferred = nullptr;
        // A plain widget inside another one stands for a layout of Designer's: its layout's
        // margins are none unless the file gives them.
        const bool holdsLayout = className == QLatin1String("QWidget") && parent && !stack && !area;
        for (qint64 before = xml_.characterOffset(); xml_.readNextStartElement();
             before = xml_.characterOffset()) {
            const QStringView element = xml_.name();
            if (element == QLatin1String("property")) {
                SetProperty(widget, ReadProperty());
                continue;
            }
            if (!std::exchange(contentStarted, true) && mayWait &&
                ((widget->isHidden() && widget->testAttribute(Qt::WA_WState_ExplicitShowHide)) ||
                    laterPage || CDialogBuilder::HasFixedHeight(widget)))
                deferred = new DeferredContent(widget, className);
            if (deferred) {
                xml_.skipCurrentElement();
                Keep(*deferred, QStringView(text_).mid(before, xml_.characterOffset() - before));
            } else if (element == QLatin1String("layout")) {
                ReadLayout(widget, nullptr, holdsLayout);
            } else if (element == QLatin1String("widget")) {
                JoinStack(widget);
                QWidget* child = ReadWidget(widget);
                if (auto* childArea = qobject_cast<QScrollArea*>(widget); childArea && child) {
                    Defer(child, [childArea, child] {
                        childArea->setWidget(child);
                        // On a page the stylesheet, not the area, fills its background, as
                        // when Designer's loader styled the page once more in its stack.
                        if (OnAPage(childArea) && child->testAttribute(Qt::WA_StyledBackground))
                            child->setAutoFillBackground(false);
                    });
                } else if (auto* childStack = qobject_cast<QStackedWidget*>(widget);
                           childStack && child) {
                    JoinStack(child);
                    Defer(child, [childStack, child] { childStack->addWidget(child); });
                }
            } else if (element == QLatin1String("item")) {
                ReadItem(widget);
            } else {
                xml_.skipCurrentElement();
            }
        }
        JoinStack(widget);
        return widget;
    }

    static void Keep(DeferredContent& deferred, QStringView xml)
    {
        static const QRegularExpression widgetName(
            QStringLiteral(R"re(<widget\s[^>]*\bname="([^"]*)")re"));
        deferred.xml += xml;
        for (const QRegularExpressionMatch& match : widgetName.globalMatch(xml))
            deferred.names << match.captured(1);
    }

    // A page takes its place in its stack (and in the tab order) once its own layout's margins
    // are set, before its first child; its stack shows it later.
    void JoinStack(QWidget* page)
    {
        const auto waiting = std::ranges::find(
            pagesAwaitingStacks_, page, &std::pair<QWidget*, QStackedWidget*>::first);
        if (waiting == pagesAwaitingStacks_.end())
            return;
        page->setParent(waiting->second);
        pagesAwaitingStacks_.erase(waiting);
    }

    // An <item> of a combo box or a list: its text.
    void ReadItem(QWidget* widget)
    {
        QString text;
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("property")) {
                const Property property = ReadProperty();
                if (property.name == QLatin1String("text"))
                    text = property.text;
            } else {
                xml_.skipCurrentElement();
            }
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            AddLayoutItem(combo, text);
        else if (auto* list = qobject_cast<QListWidget*>(widget))
            list->addItem(text);
    }

    // At <layout>; reads to its end. A top layout belongs to `owner`, a nested one to `outer`.
    QLayout* ReadLayout(QWidget* owner, QLayout* outer, bool noDefaultMargins)
    {
        const QXmlStreamAttributes attributes = xml_.attributes();
        const QStringView className = attributes.value(QLatin1String("class"));
        QLayout* layout = nullptr;
        if (className == QLatin1String("QVBoxLayout"))
            layout = outer ? new QVBoxLayout() : new QVBoxLayout(owner);
        else if (className == QLatin1String("QHBoxLayout"))
            layout = outer ? new QHBoxLayout() : new QHBoxLayout(owner);
        else if (className == QLatin1String("QGridLayout"))
            layout = outer ? new QGridLayout() : new QGridLayout(owner);
        if (!layout) {
            Trace("layout: no layout class %s\n", qPrintable(className.toString()));
            xml_.skipCurrentElement();
            return nullptr;
        }
        layout->setObjectName(attributes.value(QLatin1String("name")).toString());
        const QString stretch = attributes.value(QLatin1String("stretch")).toString();

        QMargins margins = noDefaultMargins ? QMargins() : DefaultMargins(owner, outer, layout);
        if (!outer)
            JoinStack(owner);
        auto* grid = qobject_cast<QGridLayout*>(layout);
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("property")) {
                const Property property = ReadProperty();
                const int value = property.text.toInt();
                if (property.name == QLatin1String("leftMargin"))
                    margins.setLeft(value);
                else if (property.name == QLatin1String("topMargin"))
                    margins.setTop(value);
                else if (property.name == QLatin1String("rightMargin"))
                    margins.setRight(value);
                else if (property.name == QLatin1String("bottomMargin"))
                    margins.setBottom(value);
                else if (property.name == QLatin1String("spacing"))
                    layout->setSpacing(value);
                else if (grid && property.name == QLatin1String("horizontalSpacing"))
                    grid->setHorizontalSpacing(value);
                else if (grid && property.name == QLatin1String("verticalSpacing"))
                    grid->setVerticalSpacing(value);
                else
                    SetProperty(layout, property);
            } else if (xml_.name() == QLatin1String("item")) {
                const QXmlStreamAttributes at = xml_.attributes();
                ReadLayoutItem(owner, layout, at.value(QLatin1String("row")).toInt(),
                    at.value(QLatin1String("column")).toInt(),
                    at.hasAttribute(QLatin1String("rowspan"))
                        ? at.value(QLatin1String("rowspan")).toInt()
                        : 1,
                    at.hasAttribute(QLatin1String("colspan"))
                        ? at.value(QLatin1String("colspan")).toInt()
                        : 1);
            } else {
                xml_.skipCurrentElement();
            }
        }
        layout->setContentsMargins(margins);
        if (auto* box = qobject_cast<QBoxLayout*>(layout); box && !stretch.isEmpty()) {
            const QStringList factors = stretch.split(QLatin1Char(','));
            for (int i = 0; i < factors.size() && i < box->count(); ++i)
                box->setStretch(i, factors[i].toInt());
        }
        return layout;
    }

    // A page of a stack lays out as the window it is while it is read with its stack, also
    // when its content is read later, inside the stack.
    static QMargins DefaultMargins(const QWidget* owner, const QLayout* outer, QLayout* layout)
    {
        if (outer || !qobject_cast<const QStackedWidget*>(owner->parentWidget()))
            return layout->contentsMargins();
        QStyleOption window;
        window.initFrom(owner);
        window.state |= QStyle::State_Window;
        const QStyle* style = owner->style();
        return {style->pixelMetric(QStyle::PM_LayoutLeftMargin, &window, owner),
            style->pixelMetric(QStyle::PM_LayoutTopMargin, &window, owner),
            style->pixelMetric(QStyle::PM_LayoutRightMargin, &window, owner),
            style->pixelMetric(QStyle::PM_LayoutBottomMargin, &window, owner)};
    }

    // At <item> of a layout; reads to its end.
    void ReadLayoutItem(QWidget* owner, QLayout* layout, int row, int column, int rows, int columns)
    {
        auto* grid = qobject_cast<QGridLayout*>(layout);
        auto* box = qobject_cast<QBoxLayout*>(layout);
        while (xml_.readNextStartElement()) {
            const QStringView element = xml_.name();
            if (element == QLatin1String("widget")) {
                QWidget* widget = ReadWidget(owner);
                if (widget && grid)
                    grid->addWidget(widget, row, column, rows, columns);
                else if (widget && box)
                    box->addWidget(widget);
            } else if (element == QLatin1String("layout")) {
                QLayout* inner = ReadLayout(owner, layout, false);
                if (inner && grid)
                    grid->addLayout(inner, row, column, rows, columns);
                else if (inner && box)
                    box->addLayout(inner);
            } else if (element == QLatin1String("spacer")) {
                QSpacerItem* spacer = ReadSpacer();
                if (grid)
                    grid->addItem(spacer, row, column, rows, columns);
                else if (box)
                    box->addItem(spacer);
                else
                    delete spacer;
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    // At <spacer>; reads to its end.
    QSpacerItem* ReadSpacer()
    {
        QSize size(0, 0);
        QSizePolicy::Policy sizeType = QSizePolicy::Expanding;
        bool vertical = false;
        while (xml_.readNextStartElement()) {
            if (xml_.name() != QLatin1String("property")) {
                xml_.skipCurrentElement();
                continue;
            }
            const Property property = ReadProperty();
            if (property.name == QLatin1String("sizeHint") &&
                property.kind == QLatin1String("size"))
                size = QSize(property.numbers[0], property.numbers[1]);
            else if (property.name == QLatin1String("sizeType"))
                sizeType = PolicyNamed(property.text);
            else if (property.name == QLatin1String("orientation"))
                vertical = property.text.endsWith(QLatin1String("Vertical"));
        }
        return vertical
            ? new QSpacerItem(size.width(), size.height(), QSizePolicy::Minimum, sizeType)
            : new QSpacerItem(size.width(), size.height(), sizeType, QSizePolicy::Minimum);
    }

    // At <property>; reads to its end.
    Property ReadProperty()
    {
        Property property;
        const QXmlStreamAttributes attributes = xml_.attributes();
        property.name = attributes.value(QLatin1String("name")).toString();
        property.standard = attributes.value(QLatin1String("stdset")) != QLatin1String("0");
        while (xml_.readNextStartElement()) {
            property.kind = xml_.name().toString();
            if (property.kind == QLatin1String("size") || property.kind == QLatin1String("rect")) {
                ReadNumbers(property);
            } else if (property.kind == QLatin1String("sizepolicy")) {
                const QXmlStreamAttributes policy = xml_.attributes();
                property.policy = QSizePolicy(PolicyNamed(policy.value(QLatin1String("hsizetype"))),
                    PolicyNamed(policy.value(QLatin1String("vsizetype"))));
                while (xml_.readNextStartElement()) {
                    const int stretch = xml_.readElementText().toInt();
                    if (xml_.name() == QLatin1String("horstretch"))
                        property.policy.setHorizontalStretch(stretch);
                    else if (xml_.name() == QLatin1String("verstretch"))
                        property.policy.setVerticalStretch(stretch);
                }
            } else {
                property.text = xml_.readElementText(QXmlStreamReader::SkipChildElements);
            }
        }
        return property;
    }

    // The x, y, width and height (or width and height) of a rectangle or a size.
    void ReadNumbers(Property& property)
    {
        while (xml_.readNextStartElement()) {
            const QStringView part = xml_.name();
            const int value = xml_.readElementText().toInt();
            if (part == QLatin1String("x"))
                property.numbers[0] = value;
            else if (part == QLatin1String("y"))
                property.numbers[1] = value;
            else if (part == QLatin1String("width"))
                property.numbers[property.kind == QLatin1String("size") ? 0 : 2] = value;
            else if (part == QLatin1String("height"))
                property.numbers[property.kind == QLatin1String("size") ? 1 : 3] = value;
        }
    }

    void ReadTabStops()
    {
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("tabstop"))
                tabStops_ << xml_.readElementText();
            else
                xml_.skipCurrentElement();
        }
    }

    void SetProperty(QObject* object, const Property& property)
    {
        const QByteArray name = property.name.toLatin1();
        const QMetaObject* meta = object->metaObject();
        const int index = property.standard ? meta->indexOfProperty(name.constData()) : -1;
        QVariant value;
        const QString& kind = property.kind;
        if (kind == QLatin1String("string")) {
            value = property.text;
        } else if (kind == QLatin1String("number")) {
            value = property.text.toInt();
        } else if (kind == QLatin1String("bool")) {
            value = property.text == QLatin1String("true");
        } else if (kind == QLatin1String("size")) {
            value = QSize(property.numbers[0], property.numbers[1]);
        } else if (kind == QLatin1String("rect")) {
            value = QRect(
                property.numbers[0], property.numbers[1], property.numbers[2], property.numbers[3]);
        } else if (kind == QLatin1String("cstring")) {
            value = property.text.toUtf8();
        } else if (kind == QLatin1String("sizepolicy")) {
            value = QVariant::fromValue(property.policy);
        } else if (kind == QLatin1String("enum") || kind == QLatin1String("set")) {
            bool ok = false;
            const int number =
                index < 0 ? 0 : EnumValue(meta->property(index).enumerator(), property.text, &ok);
            if (!ok) {
                Trace("layout: %s of %s is not %s\n", name.constData(), meta->className(),
                    qPrintable(property.text));
                return;
            }
            value = number;
        } else {
            Trace("layout: %s of %s holds a %s, which no layout here uses\n", name.constData(),
                meta->className(), qPrintable(kind));
            return;
        }
        auto* widget = qobject_cast<QWidget*>(object);
        // Strings are text ids, resolved as they are set so that a later language reaches
        // them too.
        if (widget && property.standard && kind == QLatin1String("string") &&
            ShowLayoutText(widget, name.constData(), property.text))
            return;
        if (widget && name == "visible" && value.toBool() && widget->parentWidget()) {
            // A child shows with its window unless hidden; shown now, it would be polished
            // before its place is final.
        } else if (widget && name == "geometry" && widget->parentWidget() == parentWidget_) {
            // Only the size of the root's geometry counts: its window places it.
            widget->resize(value.toRect().size());
        } else if (auto* label = qobject_cast<QLabel*>(object); label && name == "buddy") {
            buddies_.emplace_back(label, property.text);
        } else if (index >= 0) {
            meta->property(index).write(object, value);
        } else {
            object->setProperty(name.constData(), value);
        }
    }

    QString text_;
    QXmlStreamReader xml_;
    QStringList waitingParts_;
    QWidget* fillInto_ = nullptr;
    const QWidget* filled_ = nullptr;
    QWidget* parentWidget_ = nullptr;
    QWidget* root_ = nullptr;
    QString error_;
    std::vector<std::pair<QLabel*, QString>> buddies_;
    QStringList tabStops_;
    std::vector<std::pair<QPointer<QWidget>, std::function<void()>>> deferred_;
    std::vector<std::pair<QWidget*, QStackedWidget*>> pagesAwaitingStacks_;
};

} // namespace

QWidget* CDialogBuilder::BuildWidget(
    const QString& name, QWidget* parent, const QStringList& deferred)
{
    QFile file(CResourceManager::GetInstance()->ResourceFile(name));
    if (!file.open(QIODevice::ReadOnly)) {
        Trace("layout %s: %s\n", file.fileName().toUtf8().constData(),
            file.errorString().toUtf8().constData());
        return nullptr;
    }
    LayoutReader reader(QString::fromUtf8(file.readAll()), deferred);
    QWidget* widget = reader.Read(parent);
    if (!widget) {
        Trace("layout %s: %s\n", file.fileName().toUtf8().constData(),
            reader.Error().toUtf8().constData());
        return nullptr;
    }
    reader.Finish();
    return widget;
}

bool CDialogBuilder::IsDeferred(const QWidget* widget) { return DeferredOf(widget) != nullptr; }

bool CDialogBuilder::HasFixedHeight(const QWidget* widget)
{
    return widget->minimumHeight() == widget->maximumHeight();
}

QWidget* CDialogBuilder::DeferredHolding(const QWidget* root, const QString& name)
{
    if (!root)
        return nullptr;
    for (QObject* object : root->findChildren<QObject*>(DeferredContent::Name()))
        if (auto* deferred = dynamic_cast<DeferredContent*>(object);
            deferred && deferred->names.contains(name))
            return qobject_cast<QWidget*>(deferred->parent());
    return nullptr;
}

bool CDialogBuilder::BuildDeferred(QWidget* widget)
{
    const std::unique_ptr<DeferredContent> deferred(DeferredOf(widget));
    if (!deferred)
        return false;
    const QString xml = QStringLiteral("<ui><widget class=\"%1\" name=\"%2\">%3</widget></ui>")
                            .arg(deferred->className, widget->objectName(), deferred->xml);
    LayoutReader reader(xml);
    reader.FillInto(widget);
    if (!reader.Read(widget->parentWidget())) {
        Trace("layout of %s: %s\n", qPrintable(widget->objectName()),
            reader.Error().toUtf8().constData());
        return false;
    }
    reader.Finish();
    // Under a widget already on the screen, children show now, not once the layout gets round
    // to it, so that the focus can move into them at once; the layout's hidden ones stay so.
    if (widget->isVisible()) {
        for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->testAttribute(Qt::WA_WState_ExplicitShowHide))
                child->show();
        if (widget->layout())
            widget->layout()->activate();
    }
    // Made last, the content would come last in the window's tab order: what takes the focus
    // follows the last widget before it that does.
    QWidget* previous = widget;
    while (previous->focusPolicy() == Qt::NoFocus && previous != widget->window())
        previous = previous->previousInFocusChain();
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        if (child->focusPolicy() == Qt::NoFocus || child->window() != widget->window())
            continue;
        QWidget::setTabOrder(previous, child);
        previous = child;
    }
    return true;
}

CControlUI* CDialogBuilder::Create(const QString& name, CPaintManagerUI* manager, QWidget* parent)
{
    QWidget* widget = BuildWidget(name, parent);
    if (!widget || !manager)
        return nullptr;
    return manager->AdoptSubtree(widget);
}

} // namespace kestrin
