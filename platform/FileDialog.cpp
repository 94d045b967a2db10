#include "platform/FileDialog.h"

#include "platform/ModalLoops.h"

#include <QFileDialog>
#include <QFileInfo>

namespace kestrin {
namespace {

std::optional<QString>& NextAnswer()
{
    static std::optional<QString> answer;
    return answer;
}

std::optional<QString> TakeNextAnswer()
{
    std::optional<QString> answer;
    std::swap(answer, NextAnswer());
    return answer;
}

QString NameFilter(const QString& filterName, const QString& filter)
{
    QString patterns = filter;
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return QStringLiteral("%1 (%2)").arg(filterName, patterns);
}

// True when a file was chosen. A quit ends the dialog as cancelled.
bool Run(QFileDialog& dialog)
{
    if (ModalLoopsRefused())
        return false;
    const ModalLoopScope scope([&dialog] { dialog.reject(); });
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
}

} // namespace

void SetNextFileNameForTesting(std::optional<QString> name) { NextAnswer() = std::move(name); }

QString WithDefaultExtension(const QString& fileName, const QString& defaultExtension)
{
    if (fileName.isEmpty() || defaultExtension.isEmpty())
        return fileName;
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + defaultExtension;
}

QString GetOpenFileName(QWidget* parent, const QString& title, const QString& startFolder,
    const QString& filterName, const QString& filter)
{
    if (auto answer = TakeNextAnswer())
        return *answer;
    QFileDialog dialog(parent, title, startFolder, NameFilter(filterName, filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog) ? dialog.selectedFiles().constFirst() : QString();
}

QString GetSaveFileName(QWidget* parent, const QString& title, const QString& startFolder,
    const QString& filterName, const QString& filter, const QString& defaultExtension)
{
    if (auto answer = TakeNextAnswer())
        return WithDefaultExtension(*answer, defaultExtension);
    QFileDialog dialog(parent, title, startFolder, NameFilter(filterName, filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultExtension);
    if (!Run(dialog))
        return QString();
    return WithDefaultExtension(dialog.selectedFiles().constFirst(), defaultExtension);
}

} // namespace kestrin
