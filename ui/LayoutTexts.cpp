#include "ui/LayoutTexts.h"

#include "ui/ResourceManager.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>

namespace kestrin {
namespace {

constexpr const char* TextProperties[] = {
    "text", "toolTip", "title", "windowTitle", "placeholderText", "statusTip", "whatsThis"};

QByteArray IdProperty(const char* property) { return QByteArray("kestrin_text_id_") + property; }

bool IsEditableContent(const QWidget* widget, const char* property)
{
    // What the user types into an edit is never a text id.
    return qstrcmp(property, "text") == 0 &&
        (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
            qobject_cast<const QTextEdit*>(widget));
}

void Remember(QWidget* widget)
{
    for (const char* property : TextProperties) {
        if (IsEditableContent(widget, property))
            continue;
        const QVariant value = widget->property(property);
        if (value.typeId() == QMetaType::QString && !value.toString().isEmpty())
            widget->setProperty(IdProperty(property), value);
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i)
            if (!combo->itemData(i, TextIdRole).isValid())
                combo->setItemData(i, combo->itemText(i), TextIdRole);
    }
}

void Show(QWidget* widget)
{
    const CResourceManager* resources = CResourceManager::GetInstance();
    for (const char* property : TextProperties) {
        const QVariant id = widget->property(IdProperty(property));
        if (id.isValid())
            widget->setProperty(property, resources->GetText(id.toString()));
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        const QSignalBlocker quiet(combo);
        for (int i = 0; i < combo->count(); ++i) {
            const QVariant id = combo->itemData(i, TextIdRole);
            if (id.isValid())
                combo->setItemText(i, resources->GetText(id.toString()));
        }
    }
}

} // namespace

void ShowLayoutTexts(QWidget* root)
{
    if (!root)
        return;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        Remember(widget);
        Show(widget);
    }
}

void RefreshAllLayoutTexts()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    for (QWidget* widget : QApplication::allWidgets())
        Show(widget);
}

bool ShowLayoutText(QWidget* widget, const char* property, const QString& id)
{
    const bool textProperty = std::ranges::any_of(
        TextProperties, [property](const char* name) { return qstrcmp(name, property) == 0; });
    if (!textProperty || id.isEmpty() || IsEditableContent(widget, property))
        return false;
    widget->setProperty(IdProperty(property), id);
    widget->setProperty(property, CResourceManager::GetInstance()->GetText(id));
    return true;
}

void AddLayoutItem(QComboBox* combo, const QString& id)
{
    combo->addItem(CResourceManager::GetInstance()->GetText(id));
    combo->setItemData(combo->count() - 1, id, TextIdRole);
}

void ForgetTextId(QWidget* widget)
{
    if (widget)
        widget->setProperty(IdProperty("text"), QVariant());
}

void RememberTextId(QWidget* widget, const QString& id)
{
    if (widget)
        widget->setProperty(IdProperty("text"), id);
}

} // namespace kestrin
