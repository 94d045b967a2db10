#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace kestrin {

// The open and save dialogs. `filter` is a list such as "*.pro;*.PRO"; `defaultExtension`
// (without the dot) is added to a saved name typed without one. An empty result means the
// user cancelled.
QString GetOpenFileName(QWidget* parent, const QString& title, const QString& startFolder,
    const QString& filterName, const QString& filter);
QString GetSaveFileName(QWidget* parent, const QString& title, const QString& startFolder,
    const QString& filterName, const QString& filter, const QString& defaultExtension);

// Test hook: the next dialog returns this name at once without showing (an empty string is a
// cancel). One answer per call.
void SetNextFileNameForTesting(std::optional<QString> name);

// The rule for the save dialog's result, apart from the dialog.
QString WithDefaultExtension(const QString& fileName, const QString& defaultExtension);

} // namespace kestrin
