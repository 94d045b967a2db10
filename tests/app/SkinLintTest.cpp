// The skin is data the code leans on: every control the code looks up must be in the layout it
// searches, and every text id the code and the layouts use must be in lan.xml.
#include <QDir>
#include <QDirIterator>
#include <QFile>
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

QSet<QString> LanguageIds()
{
    QSet<QString> ids;
    QXmlStreamReader reader(Read(QStringLiteral("skin/lan.xml")));
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("Text"))
            ids.insert(reader.attributes().value(QLatin1String("id")).toString());
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return ids;
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

TEST(SkinLint, EveryTextIdOfTheCodeAndTheLayoutsIsInTheLanguageFile)
{
    const QSet<QString> ids = LanguageIds();
    ASSERT_FALSE(ids.isEmpty());
    QStringList layouts;
    const QDir skin(Source + QStringLiteral("skin"));
    for (QDirIterator it(
             skin.path(), {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        layouts << skin.relativeFilePath(it.next());
    for (const QString& file : layouts) {
        if (file == QLatin1String("lan.xml"))
            continue;
        for (const QString& id : ReadLayout(file).textIds)
            EXPECT_TRUE(ids.contains(id))
                << file.toStdString() << " uses \"" << id.toStdString() << "\"";
    }
    QStringList sources;
    for (const char* folder : {"app", "page", "page/library"})
        for (const QString& file : QDir(Source + QString::fromLatin1(folder))
                                       .entryList({QStringLiteral("*.cpp")}, QDir::Files))
            sources << QString::fromLatin1(folder) + QLatin1Char('/') + file;
    ASSERT_FALSE(sources.isEmpty());
    for (const QString& source : sources)
        for (const QString& id : TextIdsInCode(source))
            EXPECT_TRUE(ids.contains(id))
                << source.toStdString() << " uses \"" << id.toStdString() << "\"";
}

TEST(SkinLint, TheLanguageFileHoldsOneUniqueEntryPerLine)
{
    const QStringList lines = Read(QStringLiteral("skin/lan.xml")).split(QLatin1Char('\n'));
    QSet<QString> seen;
    static const QRegularExpression entry(
        QStringLiteral(R"re(^  <Text id="([^"]+)">[^<\n]*</Text>$)re"));
    for (const QString& line : lines) {
        if (!line.contains(QStringLiteral("<Text")))
            continue;
        const auto match = entry.match(line);
        ASSERT_TRUE(match.hasMatch())
            << "one entry per line, two spaces in: " << line.toStdString();
        EXPECT_FALSE(seen.contains(match.captured(1)))
            << "twice: " << match.captured(1).toStdString();
        seen.insert(match.captured(1));
    }
}

} // namespace
