#include "ui/ResourceManager.h"

#include "base/Language.h"
#include "base/Trace.h"
#include "ui/LayoutTexts.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <utility>

namespace kestrin {
namespace {

bool ParseLanguage(QXmlStreamReader& reader, QHash<QString, QString>& texts)
{
    bool inLanguage = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("Language")) {
            inLanguage = true;
        } else if (inLanguage && reader.name() == QLatin1String("Text")) {
            const QString id = reader.attributes().value(QLatin1String("id")).toString();
            const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!id.isEmpty())
                texts.insert(id, text);
        }
    }
    if (reader.hasError()) {
        Trace("language file: line %lld: %s\n", static_cast<long long>(reader.lineNumber()),
            reader.errorString().toUtf8().constData());
        return false;
    }
    return inLanguage;
}

} // namespace

CResourceManager::CResourceManager() = default;
CResourceManager::~CResourceManager() = default;

CResourceManager* CResourceManager::GetInstance()
{
    static CResourceManager manager;
    return &manager;
}

void CResourceManager::SetResourcePath(const QString& folder)
{
    resourcePath_ = folder;
    if (!resourcePath_.isEmpty() && !resourcePath_.endsWith(QLatin1Char('/')))
        resourcePath_ += QLatin1Char('/');
}

bool CResourceManager::LoadResource(const QString& indexFile)
{
    const QFileInfo info(ResourceFile(indexFile));
    if (info.isFile() && info.isReadable())
        return true;
    Trace("skin: %s is missing\n", info.filePath().toUtf8().constData());
    return false;
}

void CResourceManager::UseDesktopLanguage(const QString& baseFile)
{
    language_ = QString::fromStdString(DesktopLanguage(ResourceFile(baseFile).toStdString()));
}

bool CResourceManager::LoadLanguage(const QString& fileName)
{
    QHash<QString, QString> texts;
    if (!ReadLanguageFile(ResourceFile(fileName), texts))
        return false;
    if (!language_.isEmpty()) {
        // Read over the English texts, so an id the translation lacks still shows in English.
        const QString translated = QString::fromStdString(
            LanguageFileName(ResourceFile(fileName).toStdString(), language_.toStdString()));
        QHash<QString, QString> english = texts;
        if (!ReadLanguageFile(translated, texts))
            texts = std::move(english);
    }
    texts_ = std::move(texts);
    languageFile_ = ResourceFile(fileName);
    loadedLanguage_ = language_;
    LanguageChanged();
    return true;
}

bool CResourceManager::ReadLanguageFile(const QString& path, QHash<QString, QString>& texts)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Trace("language file %s: %s\n", file.fileName().toUtf8().constData(),
            file.errorString().toUtf8().constData());
        return false;
    }
    QXmlStreamReader reader(&file);
    return ParseLanguage(reader, texts);
}

bool CResourceManager::LoadLanguageOnce(const QString& fileName)
{
    return (languageFile_ == ResourceFile(fileName) && loadedLanguage_ == language_) ||
        LoadLanguage(fileName);
}

bool CResourceManager::LoadLanguageFromString(const QString& xml)
{
    QXmlStreamReader reader(xml);
    QHash<QString, QString> texts;
    if (!ParseLanguage(reader, texts))
        return false;
    texts_ = std::move(texts);
    languageFile_.clear();
    loadedLanguage_.clear();
    LanguageChanged();
    return true;
}

QString CResourceManager::GetText(const QString& id) const { return texts_.value(id, id); }

void CResourceManager::LanguageChanged()
{
    // Windows already built show the new texts at once.
    RefreshAllLayoutTexts();
}

bool CResourceManager::LoadStyleSheet(const QString& fileName)
{
    QFile file(ResourceFile(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        Trace("stylesheet %s: %s\n", file.fileName().toUtf8().constData(),
            file.errorString().toUtf8().constData());
        return false;
    }
    QString sheet = QString::fromUtf8(file.readAll());
    // Images in the sheet are named relative to the skin folder.
    sheet.replace(QLatin1String("url(res:"), QLatin1String("url(") + resourcePath_);
    // Set before any widget is built, the sheet styles each widget once, as it is first shown;
    // set afterwards, it would restyle every widget already polished.
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app && app->styleSheet() != sheet)
        app->setStyleSheet(sheet);
    return true;
}

} // namespace kestrin
