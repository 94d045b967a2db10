// Sends one command line to the running program over its instance socket, as scripts do:
//   kestrin_send_command "menu exit"
// Exit status 0 when delivered, 1 when no copy is running.
#include "app/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s COMMAND\n", argv[0]);
        return 2;
    }
    const kestrin::SingleInstance instance(QStringLiteral("VELTRA Kestrin"));
    return instance.SendCommand(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
