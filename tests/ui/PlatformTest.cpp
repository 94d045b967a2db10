#include "base/ThreadMessageQueue.h"
#include "base/Trace.h"
#include "platform/DesktopMouseSettings.h"
#include "platform/FileDialog.h"
#include "platform/TraceLog.h"
#include "platform/WorkArea.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

namespace kestrin {
namespace {

TEST(ThreadMessageQueue, DeliversInOrderAcrossThreadsAndEndsAfterQuitOnceDrained)
{
    ThreadMessageQueue queue;
    std::vector<uintptr_t> got;
    std::thread worker([&] {
        while (auto message = queue.Get())
            got.push_back(message->wParam);
    });
    for (uintptr_t i = 0; i < 500; ++i)
        ASSERT_TRUE(queue.Post(1536, i, 0));
    EXPECT_TRUE(queue.Quit());
    worker.join();
    EXPECT_FALSE(queue.Quit()) << "only the first Quit ends the queue";
    ASSERT_EQ(got.size(), 500u) << "messages posted before Quit are still handled";
    for (uintptr_t i = 0; i < 500; ++i)
        EXPECT_EQ(got[i], i);
    EXPECT_FALSE(queue.Post(1536, 0, 0)) << "refused after Quit";
    EXPECT_FALSE(queue.Get());
}

TEST(ThreadMessageQueue, GetForGivesUpWhenNothingArrives)
{
    ThreadMessageQueue queue;
    EXPECT_FALSE(queue.GetFor(std::chrono::milliseconds(5)));
    queue.Post(7, 1, 2);
    const auto message = queue.GetFor(std::chrono::milliseconds(5));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->message, 7u);
    EXPECT_EQ(message->lParam, 2);
}

TEST(FileDialog, ATestAnswersTheNextDialogOnceAndSavedNamesGetTheDefaultExtension)
{
    SetNextFileNameForTesting(QStringLiteral("/tmp/mine"));
    EXPECT_EQ(GetSaveFileName(nullptr, QString(), QString(), QStringLiteral("Profile"),
                  QStringLiteral("*.pro;*.PRO"), QStringLiteral("pro")),
        QStringLiteral("/tmp/mine.pro"));
    SetNextFileNameForTesting(QString());
    EXPECT_EQ(GetOpenFileName(nullptr, QString(), QString(), QStringLiteral("Profile"),
                  QStringLiteral("*.pro")),
        QString())
        << "an empty answer is a cancel";

    EXPECT_EQ(WithDefaultExtension(QStringLiteral("a.PRO"), QStringLiteral("pro")),
        QStringLiteral("a.PRO"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/x.y/a"), QStringLiteral("pro")),
        QStringLiteral("/x.y/a.pro"))
        << "a dot in a folder name is not an extension";
    EXPECT_EQ(WithDefaultExtension(QString(), QStringLiteral("pro")), QString());
}

// The dialog opened in the working directory with no name, wherever the user had saved before.
TEST(FileDialog, TheSaveDialogOpensInTheLastFolderChosenOfferingTheSuggestedName)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct Seen {
        QString directory;
        QString offered;
    };
    // Answers the dialog that is about to run: notes where it opened and what it offered.
    const auto answer = [](Seen& seen, std::optional<QString> choose) {
        QTimer::singleShot(0, [&seen, choose] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QFileDialog*>(widget);
                    dialog && dialog->isVisible()) {
                    seen = {dialog->directory().absolutePath(),
                        QFileInfo(dialog->selectedFiles().value(0)).fileName()};
                    if (choose) {
                        dialog->selectFile(*choose);
                        QMetaObject::invokeMethod(dialog, "accept");
                    } else {
                        dialog->reject();
                    }
                }
        });
    };
    Seen first;
    const QString chosen = folder.filePath(QStringLiteral("first.pro"));
    answer(first, chosen);
    EXPECT_EQ(GetSaveFileName(nullptr, QString(), QString(), QStringLiteral("Profile File"),
                  QStringLiteral("*.pro"), QStringLiteral("pro"), QStringLiteral("Arena")),
        chosen);
    EXPECT_EQ(first.offered, QStringLiteral("Arena.pro"));
    EXPECT_NE(first.directory, QDir::currentPath()) << "the documents folder, not the working one";

    Seen second;
    answer(second, std::nullopt);
    EXPECT_EQ(GetSaveFileName(nullptr, QString(), QString(), QStringLiteral("Profile File"),
                  QStringLiteral("*.pro"), QStringLiteral("pro"), QStringLiteral("de/sert")),
        QString());
    EXPECT_EQ(second.directory, QDir(folder.path()).absolutePath());
    EXPECT_EQ(second.offered, QStringLiteral("de_sert.pro")) << "no folder in a file's name";
}

TEST(WorkArea, IsTheScreensAvailableAreaUnlessATestSetsOne)
{
    EXPECT_EQ(GetWorkArea(), QGuiApplication::primaryScreen()->availableGeometry());
    SetWorkAreaForTesting(QRect(62, 0, 1858, 1080));
    EXPECT_EQ(GetWorkArea(), QRect(62, 0, 1858, 1080));
    SetWorkAreaForTesting(std::nullopt);
    EXPECT_EQ(GetWorkArea(), QGuiApplication::primaryScreen()->availableGeometry());
}

TEST(TraceLog, TraceLinesReachTheLoggingCategoryOnlyWhenEnabled)
{
    static QStringList lines;
    lines.clear();
    const auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& text) {
            if (QLatin1String(context.category) == QLatin1String("kestrin.trace"))
                lines << text;
        });
    RouteTraceToQtLogging();
    Trace("hidden %d\r\n", 1);
    QLoggingCategory::setFilterRules(QStringLiteral("kestrin.trace.debug=true"));
    Trace("ilen = %d\r\n", 12);
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    SetTraceSink({});
    EXPECT_EQ(lines, QStringList{QStringLiteral("ilen = 12")});
}

} // namespace
} // namespace kestrin

namespace kestrin {
namespace {

TEST(DesktopMouseSettings, TheDesktopsOwnProgramIsPreferredThenAnyInstalledOne)
{
    const QSet<QString> everything{QStringLiteral("gnome-control-center"),
        QStringLiteral("systemsettings"), QStringLiteral("kcmshell5"),
        QStringLiteral("xfce4-mouse-settings")};
    auto installed = [](QSet<QString> programs) {
        return [programs](const QString& program) { return programs.contains(program); };
    };
    const DesktopCommand gnome{QStringLiteral("gnome-control-center"), {QStringLiteral("mouse")}};
    const DesktopCommand plasma{QStringLiteral("systemsettings"), {QStringLiteral("kcm_mouse")}};
    const DesktopCommand xfce{QStringLiteral("xfce4-mouse-settings"), {}};

    EXPECT_EQ(
        DesktopMouseSettingsCommand(QStringLiteral("ubuntu:GNOME"), installed(everything)), gnome);
    EXPECT_EQ(DesktopMouseSettingsCommand(QStringLiteral("KDE"), installed(everything)), plasma);
    EXPECT_EQ(DesktopMouseSettingsCommand(QStringLiteral("xfce"), installed(everything)), xfce);
    // An older Plasma only has the module runner.
    EXPECT_EQ(DesktopMouseSettingsCommand(
                  QStringLiteral("KDE"), installed({QStringLiteral("kcmshell5")})),
        (DesktopCommand{QStringLiteral("kcmshell5"), {QStringLiteral("mouse")}}));
    // A bare window manager: whatever is there, else nothing.
    EXPECT_EQ(
        DesktopMouseSettingsCommand(QString(), installed({QStringLiteral("xfce4-mouse-settings")})),
        xfce);
    EXPECT_EQ(DesktopMouseSettingsCommand(QStringLiteral("i3"), installed({})), std::nullopt);
}

} // namespace
} // namespace kestrin
