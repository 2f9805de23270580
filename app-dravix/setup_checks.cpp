#include "setup_checks.h"

#include <QRegularExpression>

#include <climits>
#include <cmath>

namespace SetupChecks
{

namespace
{

bool exactMatch(const QString& pattern, const QString& text)
{
    const QRegularExpression re(pattern);
    return re.match(text).hasMatch();
}

// Sizes past 2^53 bytes no longer convert exactly; no card comes near it.
constexpr double largestSdSize = 9007199254740992.0;

} // namespace

bool isBoxText(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

QString ipv4Pattern()
{
    const QString octet = QStringLiteral("(?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])");
    return QStringLiteral("^") + octet + QStringLiteral("\\.") + octet + QStringLiteral("\\.") + octet +
           QStringLiteral("\\.") + octet + QStringLiteral("$");
}

bool isCompleteIPv4(const QString& text)
{
    return exactMatch(ipv4Pattern(), text);
}

QString macPattern()
{
    return QStringLiteral("^[0-9A-Fa-f]{2}(?::[0-9A-Fa-f]{2}){5}$");
}

bool isMacAddress(const QString& text)
{
    return exactMatch(macPattern(), text);
}

QString headSerialPattern()
{
    return QStringLiteral("^[\\x21-\\x7e]*$");
}

QString boxTextPattern()
{
    return QStringLiteral("^[\\x20-\\x7e]*$");
}

bool sdSizeKnown(double bytes)
{
    return std::isfinite(bytes) && bytes >= 0 && bytes <= largestSdSize;
}

QString sdEntryText(const QString& name, double bytes)
{
    const QString size = sdSizeKnown(bytes) ? QString::number(bytes / 1024.0, 'f', 1) + QStringLiteral(" kB")
                                            : QStringLiteral("unknown");
    return name + QStringLiteral("   Size: ") + size;
}

int sdFetchFactor(double bytes)
{
    if (!sdSizeKnown(bytes))
        return 0;
    // The estimate works from the size as listed (kB with one decimal).
    const double shownKb = QString::number(bytes / 1024.0, 'f', 1).toDouble();
    const double factor = std::trunc(shownKb * 0.125);
    return factor >= double(INT_MAX) ? INT_MAX : int(factor);
}

QString plainFileName(const QString& name)
{
    QString plain;
    plain.reserve(name.size());
    for (const QChar c : name) {
        const bool control =
            c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control;
        plain.append(control || c == QLatin1Char('/') || c == QLatin1Char('\\') ? QLatin1Char('_') : c);
    }
    if (plain == QLatin1String(".") || plain == QLatin1String(".."))
        return QString();
    return plain;
}

} // namespace SetupChecks
