// The SD card listing: a multi-line body cut into file names.

#include "box_protocol.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString body = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    const QStringList names = sdListingEntries(body);
    for (const QString& name : names) {
        if (name.isEmpty() || name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')))
            std::abort();
        if (!body.contains(name))
            std::abort();
    }
    return 0;
}
