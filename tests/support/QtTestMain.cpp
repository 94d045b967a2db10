// The main of the window tests: Qt's offscreen platform, one application object per process.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
#ifdef KESTRIN_TEST_SCREENS
    // A test of several screens: the offscreen platform's, as the file lays them out.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KESTRIN_TEST_SCREENS);
#else
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // Tests never read the machine's Bluetooth: a test that wants a bus starts its own.
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS"))
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/kestrin-test-bus");
    // Nor the desktop's session bus (its notifications): a test that wants one starts its own.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kestrin-test-session-bus");
    // Tests must not find or disturb a running copy of the program.
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
