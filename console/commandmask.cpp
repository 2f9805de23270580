#include "commandmask.h"

namespace
{

const QString passwordPrefix = QStringLiteral("PASSWORD:");

// Position just after "PASSWORD:", or -1 when the command does not start with it.
int passwordStart(const QString& command)
{
    int i = 0;
    while (i < command.size() && command.at(i).isSpace())
        ++i;
    if (command.midRef(i, passwordPrefix.size()).compare(passwordPrefix, Qt::CaseInsensitive) != 0)
        return -1;
    return i + passwordPrefix.size();
}

} // namespace

bool givesPassword(const QString& command)
{
    return passwordStart(command) >= 0;
}

QString maskPassword(const QString& command)
{
    const int start = passwordStart(command);
    if (start < 0)
        return command;
    QString rest = command.mid(start);
    while (rest.endsWith(QLatin1Char('\n')) || rest.endsWith(QLatin1Char('\r')))
        rest.chop(1);
    if (rest == QLatin1String("?"))
        return command;
    return passwordPrefix + QStringLiteral("***");
}
