#include "app/SingleInstance.h"

#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace kestrin {
namespace {

class SingleInstanceTest : public testing::Test {
protected:
    void SetUp() override
    {
        previous_ = qgetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(runtime_.isValid());
        QFile::setPermissions(
            runtime_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", previous_); }

    QTemporaryDir runtime_;
    QByteArray previous_;
};

TEST_F(SingleInstanceTest, TheNamesArePrivateToTheUserAndCarryTheInstanceName)
{
    SingleInstance instance(QStringLiteral("VELTRA Kestrin"));
    EXPECT_TRUE(instance.SocketPath().startsWith(runtime_.path() + QLatin1Char('/')));
    EXPECT_TRUE(instance.SocketPath().contains(QStringLiteral("VELTRA Kestrin")));
    EXPECT_TRUE(instance.SocketPath().endsWith(QString::number(::getuid())));
}

TEST_F(SingleInstanceTest, ASecondCopyIsRefusedAndItsShowCommandReachesTheFirst)
{
    SingleInstance first(QStringLiteral("VELTRA Kestrin"));
    ASSERT_TRUE(first.TryBecomePrimary());
    QStringList commands;
    ASSERT_TRUE(first.Listen([&](const QString& command) { commands << command; }));

    SingleInstance second(QStringLiteral("VELTRA Kestrin"));
    EXPECT_FALSE(second.TryBecomePrimary());
    EXPECT_TRUE(second.SendCommand(QStringLiteral("show")));
    EXPECT_TRUE(second.SendCommand(QStringLiteral("menu exit")));
    ASSERT_TRUE(test::WaitFor([&] {
        return commands == (QStringList{QStringLiteral("show"), QStringLiteral("menu exit")});
    }));
}

TEST_F(SingleInstanceTest, NobodyListeningMeansTheCommandIsNotDelivered)
{
    SingleInstance lone(QStringLiteral("VELTRA Kestrin"));
    EXPECT_FALSE(lone.SendCommand(QStringLiteral("show"), 200));
}

TEST_F(SingleInstanceTest, ACrashedCopysLockAndSocketAreReplaced)
{
    SingleInstance probe(QStringLiteral("VELTRA Kestrin"));
    // A copy that takes the lock and dies without letting go.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* lock = new QLockFile(probe.LockPath());
        lock->setStaleLockTime(0);
        ::_exit(lock->tryLock(0) ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(QFile::exists(probe.LockPath()));
    QFile socketLeftover(probe.SocketPath());
    ASSERT_TRUE(socketLeftover.open(QIODevice::WriteOnly));
    socketLeftover.close();

    SingleInstance next(QStringLiteral("VELTRA Kestrin"));
    EXPECT_TRUE(next.TryBecomePrimary());
    QStringList commands;
    EXPECT_TRUE(next.Listen([&](const QString& command) { commands << command; }));
    SingleInstance caller(QStringLiteral("VELTRA Kestrin"));
    EXPECT_TRUE(caller.SendCommand(QStringLiteral("show")));
    ASSERT_TRUE(test::WaitFor([&] { return commands == QStringList{QStringLiteral("show")}; }));
}

} // namespace
} // namespace kestrin
