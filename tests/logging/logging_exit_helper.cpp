// logging_exit_helper <folder> <queue capacity> <lines>
// Logs <lines> lines over all loggers and returns from main straight away.

#include "loggers.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    if (!initLoggersIn(args.at(1), args.at(2).toUInt(), std::chrono::milliseconds(10)))
        return 3;
    const int lines = args.at(3).toInt();
    for (int i = 0; i < lines; ++i)
        loggerList.at(i % loggerList.size())->info("exit line {}", i);
    return 0;
}
