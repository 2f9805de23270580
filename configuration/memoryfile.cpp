#include "memoryfile.h"

#include <QTextCodec>

namespace MemoryFile
{

QByteArray format(const QStringList& values)
{
    QByteArray bytes;
    for (int row = 0; row < values.size(); ++row) {
        bytes += QByteArray::number(row);
        bytes += ':';
        bytes += values.at(row).toUtf8();
        bytes += '\n';
    }
    return bytes;
}

QString decode(const QByteArray& bytes)
{
    // Sizes are passed throughout: Qt's QByteArray overloads stop at a NUL,
    // which would drop the rest of the file without a word.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QString text = QTextCodec::codecForName("UTF-16")->toUnicode(bytes);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return text;
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

Parsed parse(const QByteArray& bytes, int rowCount)
{
    Parsed parsed;
    const QStringList lines = decode(bytes).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const int colon = line.indexOf(QLatin1Char(':'));
        const QString rowText = colon < 0 ? line : line.left(colon);
        bool plain = !rowText.isEmpty() && rowText.size() <= 4;
        for (const QChar ch : rowText)
            plain = plain && ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
        const int row = plain ? rowText.toInt() : -1;
        if (row < 0 || row >= rowCount) {
            ++parsed.ignored;
            continue;
        }
        const QString value = colon < 0 ? QString() : line.mid(colon + 1);
        if (value.isEmpty())
            continue;
        parsed.values.insert(row, value);
    }
    return parsed;
}

} // namespace MemoryFile
