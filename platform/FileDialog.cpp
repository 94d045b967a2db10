#include "platform/FileDialog.h"

#include "platform/ModalLoops.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace kestrin {
namespace {

std::optional<QString>& NextAnswer()
{
    static std::optional<QString> answer;
    return answer;
}

QString& LastFolder()
{
    static QString folder;
    return folder;
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

// True when a file was chosen; its folder is where the next dialog opens. A quit ends the
// dialog as cancelled.
bool Run(QFileDialog& dialog)
{
    if (ModalLoopsRefused())
        return false;
    const ModalLoopScope scope([&dialog] { dialog.reject(); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    LastFolder() = QFileInfo(dialog.selectedFiles().constFirst()).absolutePath();
    return true;
}

QString StartIn(const QString& folder) { return folder.isEmpty() ? DefaultStartFolder() : folder; }

} // namespace

void SetNextFileNameForTesting(std::optional<QString> name) { NextAnswer() = std::move(name); }

QString DefaultStartFolder()
{
    if (!LastFolder().isEmpty() && QFileInfo(LastFolder()).isDir())
        return LastFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString FileNameFrom(const QString& name)
{
    QString file = name;
    file.replace(QLatin1Char('/'), QLatin1Char('_'));
    file.remove(QChar(u'\0'));
    file = file.trimmed();
    return file == QLatin1String(".") || file == QLatin1String("..") ? QString() : file;
}

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
    QFileDialog dialog(parent, title, StartIn(startFolder), NameFilter(filterName, filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog) ? dialog.selectedFiles().constFirst() : QString();
}

QString GetSaveFileName(QWidget* parent, const QString& title, const QString& startFolder,
    const QString& filterName, const QString& filter, const QString& defaultExtension,
    const QString& suggestedName)
{
    if (auto answer = TakeNextAnswer())
        return WithDefaultExtension(*answer, defaultExtension);
    QFileDialog dialog(parent, title, StartIn(startFolder), NameFilter(filterName, filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultExtension);
    if (const QString name = FileNameFrom(suggestedName); !name.isEmpty())
        dialog.selectFile(WithDefaultExtension(name, defaultExtension));
    if (!Run(dialog))
        return QString();
    return WithDefaultExtension(dialog.selectedFiles().constFirst(), defaultExtension);
}

} // namespace kestrin
