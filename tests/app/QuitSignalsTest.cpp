#include "platform/QuitSignals.h"

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <csignal>

namespace kestrin {
namespace {

TEST(QuitSignals, EachSignalBecomesOneQuitOnTheLoopAndTheEarlierHandlingComesBack)
{
    ::signal(SIGHUP, SIG_IGN);
    int quits = 0;
    {
        const QuitSignals watch([&] { ++quits; });
        for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
            const int before = quits;
            ::raise(signal);
            EXPECT_TRUE(test::WaitFor([&] { return quits == before + 1; })) << signal;
        }
    }
    struct sigaction now { };
    ::sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    ::signal(SIGHUP, SIG_DFL);
}

} // namespace
} // namespace kestrin
