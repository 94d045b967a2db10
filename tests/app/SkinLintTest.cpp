// The skin is data the code leans on: every control the code looks up must be in the layout it
// searches, and every text id the code and the layouts use must be in lan.xml and in each of its
// translations, which say the same things with the same placeholders.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

const QString Source = QStringLiteral(KESTRIN_SOURCE_DIR "/");

QString Read(const QString& path)
{
    QFile file(Source + path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

// lan.xml, English, first; then its translations (lan.de.xml, ...).
QStringList LanguageFiles()
{
    QStringList files{QStringLiteral("lan.xml")};
    files << QDir(Source + QStringLiteral("skin"))
                 .entryList({QStringLiteral("lan.*.xml")}, QDir::Files, QDir::Name);
    return files;
}

// Each text by its id.
QHash<QString, QString> LanguageTexts(const QString& file)
{
    QHash<QString, QString> texts;
    QXmlStreamReader reader(Read(QStringLiteral("skin/") + file));
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("Text")) {
            const QString id = reader.attributes().value(QLatin1String("id")).toString();
            texts.insert(id, reader.readElementText());
        }
    EXPECT_FALSE(reader.hasError())
        << file.toStdString() << ": " << reader.errorString().toStdString();
    return texts;
}

QSet<QString> LanguageIds(const QString& file = QStringLiteral("lan.xml"))
{
    const QHash<QString, QString> texts = LanguageTexts(file);
    return {texts.keyBegin(), texts.keyEnd()};
}

// What a text's placeholders must keep: the numbered ones (%1, %2) in any order, since a
// language may put them elsewhere, and the printf kinds (%d, %s) in their order.
QString Placeholders(const QString& text)
{
    static const QRegularExpression numbered(QStringLiteral("%[1-9]"));
    static const QRegularExpression printf(QStringLiteral("%[ds]"));
    QStringList numbers;
    for (const auto& match : numbered.globalMatch(text))
        numbers << match.captured();
    numbers.sort();
    QStringList kinds;
    for (const auto& match : printf.globalMatch(text))
        kinds << match.captured();
    return numbers.join(QLatin1Char(' ')) + QStringLiteral(" | ") + kinds.join(QLatin1Char(' '));
}

struct Layout {
    QSet<QString> names;
    QSet<QString> textIds;
};

Layout ReadLayout(const QString& file)
{
    static const QSet<QString> textProperties{QStringLiteral("text"), QStringLiteral("toolTip"),
        QStringLiteral("title"), QStringLiteral("windowTitle"), QStringLiteral("placeholderText"),
        QStringLiteral("statusTip"), QStringLiteral("whatsThis")};
    Layout layout;
    QXmlStreamReader reader(Read(QStringLiteral("skin/") + file));
    QString property;
    QString widgetClass; // a widget's properties come before the widgets inside it
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == QLatin1String("widget")) {
                layout.names.insert(reader.attributes().value(QLatin1String("name")).toString());
                widgetClass = reader.attributes().value(QLatin1String("class")).toString();
            } else if (reader.name() == QLatin1String("property")) {
                property = reader.attributes().value(QLatin1String("name")).toString();
            } else if (reader.name() == QLatin1String("string") &&
                textProperties.contains(property) &&
                // What an edit holds is typed content, never a text id.
                !(property == QLatin1String("text") &&
                    widgetClass.endsWith(QLatin1String("Edit"))) &&
                reader.attributes().value(QLatin1String("notr")) != QLatin1String("true")) {
                const QString id = reader.readElementText();
                if (!id.isEmpty())
                    layout.textIds.insert(id);
            }
        }
    }
    EXPECT_FALSE(reader.hasError())
        << file.toStdString() << ": " << reader.errorString().toStdString();
    return layout;
}

QSet<QString> Matches(const QString& text, const QString& pattern)
{
    QSet<QString> found;
    for (const auto& match : QRegularExpression(pattern).globalMatch(text))
        found.insert(match.captured(1));
    return found;
}

// Names passed to FindControl (any kind) in a source file.
QSet<QString> LookedUpControls(const QString& sourceFile)
{
    const QString code = Read(sourceFile);
    QSet<QString> names = Matches(
        code, QStringLiteral(R"re(FindControl(?:<\w+>)?\(\s*QStringLiteral\("([^"]+)"\))re"));
    // Lookups through a name table: {QStringLiteral("warning_title"), ...}
    names.unite(Matches(code, QStringLiteral(R"re(std::pair\{QStringLiteral\("([^"]+)"\))re")));
    // Lookups through a window's own helper: find("ms_1_macro_list")
    names.unite(Matches(code, QStringLiteral(R"re(\bfind\("(\w+)"\))re")));
    return names;
}

QSet<QString> TextIdsInCode(const QString& sourceFile)
{
    const QString code = Read(sourceFile);
    QSet<QString> ids = Matches(code, QStringLiteral(R"re(QStringLiteral\("(\w+_text)"\))re"));
    // Through a window's own helper: Text("macro_title_text")
    ids.unite(Matches(code, QStringLiteral(R"re(\bText\("(\w+)"\))re")));
    // kestrinctl's: Say("ctl_no_profile_text", ...), Text(labels, "section_dpi_text"), and its
    // ids kept in tables
    ids.unite(Matches(code, QStringLiteral(R"re(\bSay\("(\w+)")re")));
    ids.unite(Matches(code, QStringLiteral(R"re(\bText\(labels, "(\w+)"\))re")));
    ids.unite(Matches(code, QStringLiteral(R"re("(ctl_\w+_text)")re")));
    return ids;
}

struct WindowSkin {
    const char* source;
    const char* layout;
};

// Each window's code and the layout it searches. The device page searches the main window's
// layout, which hosts it.
const WindowSkin Windows[] = {
    {"app/MainWnd.cpp", "main.xml"},
    {"ui/MsgWnd.cpp", "msg.xml"},
    {"app/DPIMsg.cpp", "DPImsg.xml"},
    {"page/MS_1_Page.cpp", "main.xml"},
    {"page/DpiColorWnd.cpp", "DpiColorDialog.xml"},
    {"page/ShortcutWnd.cpp", "shortcut.xml"},
    {"page/library/SelectRecordWnd.cpp", "MS/MS_1/selectmacro.xml"},
    {"page/library/SelectRecordWnd.cpp", "MS/MS_1/selectgun.xml"},
    {"page/library/MacroWnd.cpp", "MS/MS_1/ms_1_macropage.xml"},
    {"page/library/GunWnd.cpp", "MS/MS_1/gunpage.xml"},
};

// Page controls whose section lays them out later; each is looked up with a null check.
const QSet<QString> PendingPageControls{};

TEST(SkinLint, EveryControlTheCodeLooksUpIsInItsLayout)
{
    for (const auto& window : Windows) {
        const Layout layout = ReadLayout(QString::fromLatin1(window.layout));
        for (const QString& name : LookedUpControls(QString::fromLatin1(window.source))) {
            if (name.contains(QLatin1Char('%')))
                continue; // formatted with a number: checked where the numbered rows are
            if (PendingPageControls.contains(name)) {
                EXPECT_FALSE(layout.names.contains(name))
                    << name.toStdString() << " is laid out now: drop it from PendingPageControls";
                continue;
            }
            EXPECT_TRUE(layout.names.contains(name))
                << window.source << " looks up \"" << name.toStdString() << "\", missing from "
                << window.layout;
        }
    }
}

TEST(SkinLint, TheMainWindowLayoutHasItsNamedControlsAndTheTrayMenuItsItems)
{
    const Layout main = ReadLayout(QStringLiteral("main.xml"));
    for (const char* name : {"min_btn", "exit_btn", "skin_btn", "main_menu_btn", "apply_progress",
             "apply_ring", "device_tab_switch"})
        EXPECT_TRUE(main.names.contains(QString::fromLatin1(name))) << name;
    const Layout menu = ReadLayout(QStringLiteral("traymenu.xml"));
    EXPECT_TRUE(menu.names.contains(QStringLiteral("configuration")));
    EXPECT_TRUE(menu.names.contains(QStringLiteral("exit")));
    const Layout box = ReadLayout(QStringLiteral("msg.xml"));
    for (const char* name : {"btn_ok", "btn_cancel", "warning_title", "warning"})
        EXPECT_TRUE(box.names.contains(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(main.names.contains(QStringLiteral("ms_1_page")));
    EXPECT_TRUE(Read(QStringLiteral("skin/main.xml")).contains(QStringLiteral(">MS_1_Page<")))
        << "the device page's container names its virtual window";
}

TEST(SkinLint, EveryTextIdOfTheCodeAndTheLayoutsIsInEveryLanguageFile)
{
    // A translation holds exactly the English ids (checked below), so English stands for all.
    const QSet<QString> ids = LanguageIds();
    ASSERT_FALSE(ids.isEmpty());
    QStringList layouts;
    const QDir skin(Source + QStringLiteral("skin"));
    for (QDirIterator it(
             skin.path(), {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        layouts << skin.relativeFilePath(it.next());
    for (const QString& file : layouts) {
        if (LanguageFiles().contains(file))
            continue;
        for (const QString& id : ReadLayout(file).textIds)
            EXPECT_TRUE(ids.contains(id))
                << file.toStdString() << " uses \"" << id.toStdString() << "\"";
    }
    QStringList sources;
    for (const char* folder : {"ui", "app", "page", "page/library", "tools/kestrinctl"})
        for (const QString& file : QDir(Source + QString::fromLatin1(folder))
                                       .entryList({QStringLiteral("*.cpp")}, QDir::Files))
            sources << QString::fromLatin1(folder) + QLatin1Char('/') + file;
    ASSERT_FALSE(sources.isEmpty());
    for (const QString& source : sources)
        for (const QString& id : TextIdsInCode(source))
            EXPECT_TRUE(ids.contains(id))
                << source.toStdString() << " uses \"" << id.toStdString() << "\"";
}

TEST(SkinLint, TheTranslationsSayEveryEnglishTextAndNothingElseWithItsPlaceholders)
{
    const QHash<QString, QString> english = LanguageTexts(QStringLiteral("lan.xml"));
    const QStringList files = LanguageFiles();
    ASSERT_GE(files.size(), 3) << "lan.xml, lan.de.xml and lan.fr.xml";
    for (const QString& file : files.mid(1)) {
        const QHash<QString, QString> translated = LanguageTexts(file);
        for (auto it = english.begin(); it != english.end(); ++it) {
            const auto found = translated.find(it.key());
            if (found == translated.end()) {
                ADD_FAILURE() << file.toStdString() << " lacks \"" << it.key().toStdString()
                              << "\"";
                continue;
            }
            EXPECT_EQ(Placeholders(*found).toStdString(), Placeholders(it.value()).toStdString())
                << file.toStdString() << ": \"" << it.key().toStdString() << "\" has "
                << found->toStdString();
            EXPECT_FALSE(found->isEmpty() && !it.value().isEmpty())
                << file.toStdString() << ": \"" << it.key().toStdString() << "\" is empty";
        }
        for (auto it = translated.begin(); it != translated.end(); ++it)
            EXPECT_TRUE(english.contains(it.key()))
                << file.toStdString() << " has \"" << it.key().toStdString()
                << "\", lan.xml does not";
    }
}

TEST(SkinLint, EachLanguageFileHoldsOneUniqueEntryPerLine)
{
    for (const QString& file : LanguageFiles()) {
        const QStringList lines = Read(QStringLiteral("skin/") + file).split(QLatin1Char('\n'));
        QSet<QString> seen;
        static const QRegularExpression entry(
            QStringLiteral(R"re(^  <Text id="([^"]+)">[^<\n]*</Text>$)re"));
        for (const QString& line : lines) {
            if (!line.contains(QStringLiteral("<Text")))
                continue;
            const auto match = entry.match(line);
            ASSERT_TRUE(match.hasMatch())
                << file.toStdString()
                << ": one entry per line, two spaces in: " << line.toStdString();
            EXPECT_FALSE(seen.contains(match.captured(1)))
                << file.toStdString() << ": twice: " << match.captured(1).toStdString();
            seen.insert(match.captured(1));
        }
    }
}

} // namespace
