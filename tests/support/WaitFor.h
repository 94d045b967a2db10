#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

namespace kestrin::test {

// Runs the event loop until `condition` holds or `ms` pass; the result is the condition's.
// (QTRY_* report to QTest's log, not to GoogleTest, so tests use this instead.)
template <class Condition> bool WaitFor(Condition condition, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(1);
    }
    return true;
}

} // namespace kestrin::test
