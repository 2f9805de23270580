#include "firmwarereply.h"

#include <QRegularExpression>

namespace
{

const QString ack = QStringLiteral("ACK");
const QString nak = QStringLiteral("NAK:");

const QRegularExpression& progressLine()
{
    static const QRegularExpression pattern(QStringLiteral("\\$\\:([^\\n]+)\\n"));
    return pattern;
}

// The text after a "#" is not yet enough to tell which marker it is.
bool incomplete(const QString& tail)
{
    if (tail.size() < ack.size() && ack.startsWith(tail))
        return true;
    if (tail.size() < nak.size() && nak.startsWith(tail))
        return true;
    // A refusal's detail runs to its line end.
    return tail.startsWith(nak) && !tail.contains(QLatin1Char('\n')) && !tail.contains(QLatin1Char('\r'));
}

} // namespace

FirmwareReplyParser::Step FirmwareReplyParser::feed(const QByteArray& bytes)
{
    const int nul = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(nul >= 0 ? bytes.left(nul) : bytes);
    const QString reply = held + text;
    held.clear();
    return judge(reply, false);
}

FirmwareReplyParser::Step FirmwareReplyParser::finish()
{
    const QString reply = held;
    held.clear();
    if (reply.isEmpty())
        return {};
    return judge(reply, true);
}

FirmwareReplyParser::Step FirmwareReplyParser::judge(const QString& reply, bool final)
{
    // Text before a marker is ordinary output (progress lines included), even
    // when it arrived in the same read as the marker.
    Step step;
    const int hash = reply.indexOf(QLatin1Char('#'));
    const QString before = hash >= 0 ? reply.left(hash) : reply;
    QRegularExpressionMatchIterator it = progressLine().globalMatch(before);
    while (it.hasNext())
        step.progress.append(it.next().captured(1).toInt(nullptr, 10));
    step.shown = before;
    step.shown.remove(progressLine());
    if (hash < 0)
        return step;

    const QString marker = reply.mid(hash);
    if (marker.contains(QStringLiteral("#ACK"))) {
        step.outcome = Outcome::Success;
        return step;
    }
    if (!final && incomplete(marker.mid(1))) {
        held = marker;
        return step;
    }
    step.outcome = Outcome::Failure;
    // The detail is what follows the last "#NAK:"; removing every "#NAK:"
    // instead could join the pieces around one into a new "#NAK:".
    const int nakAt = marker.lastIndexOf(QStringLiteral("#NAK:"));
    step.detail = (nakAt >= 0 ? marker.mid(nakAt + 5) : marker).trimmed();
    return step;
}
