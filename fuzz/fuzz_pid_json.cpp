// PID parameter files: the bytes of a file parsed as JSON and checked and
// read by PIDConfig, then written back and read again.

#include "configprompts.h"
#include "pidconfig.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        ConfigPrompts::setBoxHook([](QWidget*, ConfigPrompts::BoxKind, const QString&, const QString&) {});
        return true;
    }();
    (void)quiet;
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (document.isNull())
        return 0;
    PIDConfig config;
    if (!config.read(document.object(), true))
        return 0;
    QJsonObject written;
    // Every value read is a number text, so the set can be written back.
    if (!config.write(written))
        std::abort();
    PIDConfig again;
    if (!again.read(written, true) || again.texts().size() != PIDConfig::KeyCount)
        std::abort();
    return 0;
}
