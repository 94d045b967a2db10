#pragma once

#include <QHash>
#include <QString>

namespace kestrin {

// The skin's resources: where the layouts live, the language texts, the stylesheet.
// A text id the chosen language's file lacks shows in English; one no file has, as itself.
class CResourceManager final {
public:
    static CResourceManager* GetInstance();

    // The folder the layouts, images and language file are read from (trailing '/').
    void SetResourcePath(const QString& folder);
    QString GetResourcePath() const { return resourcePath_; }
    QString ResourceFile(const QString& name) const { return resourcePath_ + name; }

    // Checks that the resource index is there; false when the skin is missing or unreadable.
    bool LoadResource(const QString& indexFile);

    // The language whose file ("lan.de.xml" beside "lan.xml") is read over the English file by
    // each LoadLanguage from now on; empty for English alone.
    void SetLanguage(const QString& language) { language_ = language; }
    QString GetLanguage() const { return language_; }
    // The language the desktop's locale asks for among those with a file beside `baseFile`.
    void UseDesktopLanguage(const QString& baseFile);

    // Reads "lan.xml"-style files: <Language><Text id="...">text</Text>...</Language>.
    // Replaces the texts loaded before; false (texts kept) when the file is missing or broken.
    // A missing or broken file of the chosen language leaves the English texts.
    // Layouts built before show the new texts at once.
    bool LoadLanguage(const QString& fileName);
    bool LoadLanguageFromString(const QString& xml);
    // As LoadLanguage, unless `fileName` is the file whose texts are loaded already.
    bool LoadLanguageOnce(const QString& fileName);

    // The text of `id`, or `id` itself when the language file has none.
    QString GetText(const QString& id) const;
    bool HasText(const QString& id) const { return texts_.contains(id); }
    qsizetype TextCount() const { return texts_.size(); }

    // Reads the skin's stylesheet and gives it to the whole application at once; false when it
    // is missing. Read before the first layout is built.
    bool LoadStyleSheet(const QString& fileName);

private:
    CResourceManager();
    ~CResourceManager();
    void LanguageChanged();
    // Adds the file's texts to `texts`, replacing those of the same id; false when unreadable.
    static bool ReadLanguageFile(const QString& path, QHash<QString, QString>& texts);

    QString resourcePath_;
    QHash<QString, QString> texts_;
    QString languageFile_;
    QString language_;
    QString loadedLanguage_;
};

} // namespace kestrin
