#pragma once

#include <QHash>
#include <QString>

namespace kestrin {

// The skin's resources: where the layouts live, the language texts, the stylesheet.
// A text id the language file lacks shows as the id itself.
class CResourceManager final {
public:
    static CResourceManager* GetInstance();

    // The folder the layouts, images and language file are read from (trailing '/').
    void SetResourcePath(const QString& folder);
    QString GetResourcePath() const { return resourcePath_; }
    QString ResourceFile(const QString& name) const { return resourcePath_ + name; }

    // Checks that the resource index is there; false when the skin is missing or unreadable.
    bool LoadResource(const QString& indexFile);

    // Reads "lan.xml"-style files: <Language><Text id="...">text</Text>...</Language>.
    // Replaces the texts loaded before; false (texts kept) when the file is missing or broken.
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

    QString resourcePath_;
    QHash<QString, QString> texts_;
    QString languageFile_;
};

} // namespace kestrin
