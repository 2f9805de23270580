// Memory files (.psm) and the Amperix.config list: the bytes of a file read
// for a table whose row count the first byte picks.

#include "configfile.h"
#include "memoryfile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int rowCount = data[0] % 132;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));

    // Every byte is read: a NUL ends neither a line nor the file.
    if (!bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF") &&
        MemoryFile::decode(bytes).count(QLatin1Char('\n')) != bytes.count('\n'))
        std::abort();

    const MemoryFile::Parsed parsed = MemoryFile::parse(bytes, rowCount);
    if (parsed.ignored < 0 || parsed.ignored > bytes.count('\n') + 1)
        std::abort();
    QStringList values;
    for (int row = 0; row < rowCount; ++row)
        values << QString();
    for (auto it = parsed.values.cbegin(); it != parsed.values.cend(); ++it) {
        // Only rows of the table, never an empty value or a line end.
        if (it.key() < 0 || it.key() >= rowCount || it.value().isEmpty() || it.value().contains(QLatin1Char('\n')))
            std::abort();
        values[it.key()] = it.value();
    }
    // What was read is written back and read again unchanged, but for one
    // trailing CR that the reader takes for part of a CR LF line end.
    const MemoryFile::Parsed again = MemoryFile::parse(MemoryFile::format(values), rowCount);
    for (auto it = parsed.values.cbegin(); it != parsed.values.cend(); ++it) {
        bool plain = true;
        for (const QChar ch : it.value())
            plain = plain && !ch.isSurrogate();
        if (!plain)
            continue;
        QString expected = it.value();
        if (expected.endsWith(QLatin1Char('\r')))
            expected.chop(1);
        if (again.values.value(it.key()) != expected)
            std::abort();
    }
    if (again.ignored != 0)
        std::abort();

    for (const QString& path : ConfigFile::parse(bytes)) {
        if (path.isEmpty() || path.contains(QLatin1Char('\n')) || path.contains(QChar(0)))
            std::abort();
    }
    return 0;
}
