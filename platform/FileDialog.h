#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace kestrin {

// The open and save dialogs: the desktop's own where its platform theme offers one, else Qt's
// (in the skin's colours). `filter` is a list such as "*.pro;*.PRO"; `defaultExtension`
// (without the dot) is added to a saved name typed without one; `suggestedName` is offered in
// the save dialog. An empty `startFolder` is the folder of the last file chosen, or the user's
// documents folder before any. An empty result means the user cancelled.
QString GetOpenFileName(QWidget* parent, const QString& title, const QString& startFolder,
    const QString& filterName, const QString& filter);
QString GetSaveFileName(QWidget* parent, const QString& title, const QString& startFolder,
    const QString& filterName, const QString& filter, const QString& defaultExtension,
    const QString& suggestedName = QString());

// Where a dialog opens when it is given no folder.
QString DefaultStartFolder();

// A name the file system takes, from a name the user gave something: no folder separators or
// nulls, and not "." or "..". Empty when nothing is left.
QString FileNameFrom(const QString& name);

// Test hook: the next dialog returns this name at once without showing (an empty string is a
// cancel). One answer per call.
void SetNextFileNameForTesting(std::optional<QString> name);

// The rule for the save dialog's result, apart from the dialog.
QString WithDefaultExtension(const QString& fileName, const QString& defaultExtension);

} // namespace kestrin
