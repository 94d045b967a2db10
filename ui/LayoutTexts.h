#pragma once

#include <QtCore/qnamespace.h>

class QComboBox;
class QString;
class QWidget;

namespace kestrin {

// Layout strings are text ids. A built layout remembers each widget's ids (its text, tool tip,
// title, placeholder, combo items) and shows their language texts; loading a language later
// shows the new texts everywhere. A string that is no id shows as it is.
void ShowLayoutTexts(QWidget* root);
void RefreshAllLayoutTexts();

// The same for one string as a layout is read: `property` of `widget` shows the language text
// of `id` and remembers the id when it is a text property; false (nothing set) when it is not,
// or when `id` is empty.
bool ShowLayoutText(QWidget* widget, const char* property, const QString& id);
// A combo box item whose text is the id's language text.
void AddLayoutItem(QComboBox* combo, const QString& id);

// Code that sets a widget's text itself ends the remembered id of that text.
// Where a combo item keeps its text id.
inline constexpr int TextIdRole = Qt::UserRole + 77;

void ForgetTextId(QWidget* widget);
void RememberTextId(QWidget* widget, const QString& id);

} // namespace kestrin
