#include "app/SingleInstance.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <thread>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

// Sends from a thread of its own, as a second start does, while this thread's loop answers.
bool SendFromAnotherStart(const QString& command)
{
    std::atomic<int> answered{-1};
    std::unique_ptr<QThread> start(QThread::create([&] {
        answered = SingleInstance(QStringLiteral("VELTRA Kestrin")).SendCommand(command) ? 1 : 0;
    }));
    start->start();
    EXPECT_TRUE(test::WaitFor([&] { return start->isFinished(); }));
    start->wait();
    return answered == 1;
}

TEST_F(SingleInstanceTest, ASecondCopyIsRefusedAndEveryCommandIsAnsweredByTheFirst)
{
    SingleInstance first(QStringLiteral("VELTRA Kestrin"));
    ASSERT_TRUE(first.TryBecomePrimary());
    QStringList commands;
    ASSERT_TRUE(first.Listen([&](const QString& command, const SingleInstance::Reply& reply) {
        commands << command;
        if (command == QLatin1String("bogus"))
            reply("unknown");
        else if (command == QLatin1String("apply wait")) // answered once an apply is over
            QTimer::singleShot(300, [reply] { reply("ok taken"); });
        else
            reply("ok");
    }));

    SingleInstance second(QStringLiteral("VELTRA Kestrin"));
    EXPECT_FALSE(second.TryBecomePrimary());
    EXPECT_TRUE(SendFromAnotherStart(QStringLiteral("show")));
    EXPECT_TRUE(SendFromAnotherStart(QStringLiteral("menu exit")));
    EXPECT_FALSE(SendFromAnotherStart(QStringLiteral("bogus")))
        << "an unknown command is no answer";
    EXPECT_TRUE(SendFromAnotherStart(QStringLiteral("apply wait")))
        << "an answer may come later than the command";
    EXPECT_EQ(commands,
        (QStringList{QStringLiteral("show"), QStringLiteral("menu exit"), QStringLiteral("bogus"),
            QStringLiteral("apply wait")}));
}

// A client of our own that sends raw bytes and may leave without reading.
int ConnectRaw(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
}

TEST_F(SingleInstanceTest, OnlyTheUserReachesTheSocketAndOddClientsCostNothing)
{
    SingleInstance first(QStringLiteral("VELTRA Kestrin"));
    ASSERT_TRUE(first.TryBecomePrimary());
    QStringList commands;
    std::vector<SingleInstance::Reply> later;
    ASSERT_TRUE(first.Listen([&](const QString& command, const SingleInstance::Reply& reply) {
        commands << command;
        if (command == QLatin1String("apply wait"))
            later.push_back(reply);
        else
            reply("ok");
    }));
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(first.SocketPath()).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u) << "another user may not send commands";

    // A client that leaves before its answer: the answer goes nowhere, and nothing ends.
    const int leaving = ConnectRaw(first.SocketPath());
    ASSERT_EQ(::write(leaving, "apply wait\n", 11), 11);
    ASSERT_TRUE(test::WaitFor([&] { return !later.empty(); }));
    ::close(leaving);
    QTest::qWait(50);
    later.front()("ok taken");

    // A client that sends no end of line: dropped once past the longest command.
    const int endless = ConnectRaw(first.SocketPath());
    const std::string noEnd(8192, 'x');
    ASSERT_EQ(::send(endless, noEnd.data(), noEnd.size(), MSG_NOSIGNAL), ssize_t(noEnd.size()));
    char dropped = 0;
    EXPECT_TRUE(test::WaitFor([&] {
        QCoreApplication::processEvents();
        return ::recv(endless, &dropped, 1, MSG_DONTWAIT) == 0;
    })) << "the client was not dropped";
    ::close(endless);

    EXPECT_TRUE(SendFromAnotherStart(QStringLiteral("show")));
    EXPECT_EQ(commands, (QStringList{QStringLiteral("apply wait"), QStringLiteral("show")}));
}

// Connects without waiting, while this thread's loop serves: a full backlog waits for it.
int ConnectServed(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    EXPECT_TRUE(test::WaitFor([&] {
        return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }));
    return fd;
}

// True once the running copy has closed `fd`'s other end; what it sent before is read away.
bool DroppedByServer(int fd)
{
    return test::WaitFor([&] {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) { }
        return got == 0;
    });
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(SingleInstanceTest, AClientThatDoesNotReadIsDroppedAndNeverHoldsUpTheOthers)
{
    SingleInstance first(QStringLiteral("VELTRA Kestrin"));
    ASSERT_TRUE(first.TryBecomePrimary());
    const QByteArray status =
        "ok cable=1 receiver=0 ble=0 battery=80 profile=" + QByteArray(60, 'p');
    ASSERT_TRUE(
        first.Listen([&](const QString&, const SingleInstance::Reply& reply) { reply(status); }));

    // Thousands of commands whose answers are never read.
    const int flooding = ConnectServed(first.SocketPath());
    QByteArray lines;
    while (lines.size() < 16 * 1024)
        lines += "status\n";
    for (qsizetype sent = 0; sent < lines.size();) {
        const ssize_t put = ::send(flooding, lines.constData() + sent,
            static_cast<std::size_t>(lines.size() - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put > 0)
            sent += put;
        else
            QCoreApplication::processEvents();
    }
    QElapsedTimer answered;
    answered.start();
    EXPECT_TRUE(SendFromAnotherStart(QStringLiteral("status")));
    // Waiting on the flooding client took seconds; the window must not wait on it at all.
    EXPECT_LT(answered.elapsed(), 1500);
    EXPECT_TRUE(DroppedByServer(flooding));
    ::close(flooding);
}

TEST_F(SingleInstanceTest, IdleClientsAndUsedUpDescriptorsNeitherLockOthersOutNorSpin)
{
    SingleInstance first(QStringLiteral("VELTRA Kestrin"));
    ASSERT_TRUE(first.TryBecomePrimary());
    ASSERT_TRUE(
        first.Listen([](const QString&, const SingleInstance::Reply& reply) { reply("ok"); }));

    std::vector<int> idle;
    for (int i = 0; i < 150; ++i)
        idle.push_back(ConnectServed(first.SocketPath()));
    EXPECT_TRUE(SendFromAnotherStart(QStringLiteral("show"))) << "idle clients took every place";
    EXPECT_TRUE(DroppedByServer(idle.front())) << "the least recently heard idle client stays";
    for (const int fd : idle)
        ::close(fd);
    QTest::qWait(100); // the copy lets go of them too

    // The next client takes the last descriptor, so the copy cannot accept it. (The limit
    // stays above the loop's own poll set, which the kernel checks against it.)
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    rlimit scarce = limit;
    scarce.rlim_cur = rlim_t(lowestFree) + 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &scarce), 0);
    std::vector<int> filler;
    for (int fd = ::dup(0); fd >= 0; fd = ::dup(0))
        filler.push_back(fd);
    ::close(filler.back());
    filler.pop_back();
    const int waiting = ConnectServed(first.SocketPath());
    const double before = CpuSeconds();
    QTest::qWait(600);
    const double spent = CpuSeconds() - before;
    for (const int fd : filler)
        ::close(fd);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    EXPECT_LT(spent, 0.2) << "the loop spun on a socket it could not accept";
    EXPECT_TRUE(SendFromAnotherStart(QStringLiteral("show"))) << "accepting did not resume";
    ::close(waiting);
}

TEST_F(SingleInstanceTest, NobodyListeningMeansTheCommandIsNotDelivered)
{
    SingleInstance lone(QStringLiteral("VELTRA Kestrin"));
    EXPECT_FALSE(lone.SendCommand(QStringLiteral("show"), 200));
}

TEST_F(SingleInstanceTest, ACopyWhoseLoopDoesNotTurnIsNotTakenForWoken)
{
    SingleInstance stuck(QStringLiteral("VELTRA Kestrin"));
    ASSERT_TRUE(stuck.TryBecomePrimary());
    // Listening, but this thread's loop does not run while the second start waits.
    ASSERT_TRUE(
        stuck.Listen([](const QString&, const SingleInstance::Reply& reply) { reply("ok"); }));
    SingleInstance second(QStringLiteral("VELTRA Kestrin"));
    EXPECT_EQ(second.WakeRunningCopy(300), SingleInstance::Wake::Unanswered);
}

TEST_F(SingleInstanceTest, ACopyOnItsWayOutIsWaitedForAndReplaced)
{
    auto leaving = std::make_unique<SingleInstance>(QStringLiteral("VELTRA Kestrin"));
    ASSERT_TRUE(leaving->TryBecomePrimary());
    ASSERT_TRUE(
        leaving->Listen([](const QString&, const SingleInstance::Reply& reply) { reply("ok"); }));
    leaving->StopListening(); // its loop has ended; the lock goes when its teardown is done
    std::thread teardown([&leaving] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        leaving.reset();
    });
    SingleInstance next(QStringLiteral("VELTRA Kestrin"));
    EXPECT_EQ(next.WakeRunningCopy(5000), SingleInstance::Wake::BecamePrimary);
    teardown.join();
}

TEST_F(SingleInstanceTest, AHangingCopyIsEndedEvenWhenItIgnoresTheRequestToQuit)
{
    SingleInstance probe(QStringLiteral("VELTRA Kestrin"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGTERM, SIG_IGN);
        auto* lock = new QLockFile(probe.LockPath());
        lock->setStaleLockTime(0);
        const char locked = lock->tryLock(0) ? 1 : 0;
        [[maybe_unused]] const ssize_t told = ::write(ready[1], &locked, 1);
        for (;;)
            ::pause();
    }
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(locked, 1);
    int status = 0;
    std::thread reaper([&] { ::waitpid(child, &status, 0); });

    SingleInstance next(QStringLiteral("VELTRA Kestrin"));
    EXPECT_FALSE(next.TryBecomePrimary());
    EXPECT_TRUE(next.EndUnansweringCopy(300));
    reaper.join();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
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
    EXPECT_TRUE(next.Listen([&](const QString& command, const SingleInstance::Reply& reply) {
        commands << command;
        reply("ok");
    }));
    EXPECT_TRUE(SendFromAnotherStart(QStringLiteral("show")));
    EXPECT_EQ(commands, QStringList{QStringLiteral("show")});
}

} // namespace
} // namespace kestrin
