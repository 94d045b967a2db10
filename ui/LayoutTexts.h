#pragma once

#include <QtCore/qnamespace.h>

class QString;
class QWidget;

namespace kestrin {

// Layout strings are text ids. A built layout remembers each widget's ids (its text, tool tip,
// title, placeholder, combo items) and shows their language texts; loading a language later
// shows the new texts everywhere. A string that is no id shows as it is.
void ShowLayoutTexts(QWidget* root);
void RefreshAllLayoutTexts();

// Code that sets a widget's text itself ends the remembered id of that text.
// Where a combo item keeps its text id.
inline constexpr int TextIdRole = Qt::UserRole + 77;

void ForgetTextId(QWidget* widget);
void RememberTextId(QWidget* widget, const QString& id);

} // namespace kestrin
