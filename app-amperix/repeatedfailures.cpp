#include "repeatedfailures.h"

QString RepeatedFailures::countLine(const Run& run)
{
    if (run.repeats == 0)
        return QString();
    return run.line + QStringLiteral(": repeated %1 more times").arg(run.repeats);
}

bool RepeatedFailures::failed(const QString& command, int error, const QString& line, QStringList* ended)
{
    auto found = runs.find(command);
    if (found != runs.end() && found->error == error) {
        ++found->repeats;
        return false;
    }
    if (found != runs.end() && found->repeats > 0)
        ended->append(countLine(*found));
    Run& run = runs[command];
    run.error = error;
    run.line = line;
    run.repeats = 0;
    return true;
}

QString RepeatedFailures::answered(const QString& command)
{
    const QString line = countLine(runs.value(command));
    runs.remove(command);
    return line;
}

QStringList RepeatedFailures::endAll()
{
    QStringList lines;
    for (const Run& run : qAsConst(runs))
        if (run.repeats > 0)
            lines.append(countLine(run));
    runs.clear();
    lines.sort(); // a fixed order, whatever the hash's
    return lines;
}
