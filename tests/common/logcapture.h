#pragma once

// Amperix builds only: swaps one component logger for an in-memory one at
// trace level, so a test can read the lines a class writes ("level|text").

#include "loggers.h"

#include <QStringList>

#include <spdlog/sinks/ostream_sink.h>

#include <memory>
#include <sstream>

class LogCapture
{
public:
    explicit LogCapture(LoggerHandle& handle) : slot(handle), saved(handle)
    {
        auto sink = std::make_shared<spdlog::sinks::ostream_sink_mt>(stream, true);
        auto logger = std::make_shared<spdlog::logger>("capture", sink);
        logger->set_pattern("%l|%v");
        logger->set_level(spdlog::level::trace);
        handle = logger;
        capture = logger;
    }
    ~LogCapture() { slot = saved; }

    QStringList lines() const
    {
        capture->flush();
        QStringList out = QString::fromStdString(stream.str()).split(QLatin1Char('\n'));
        out.removeAll(QString());
        return out;
    }

private:
    LoggerHandle& slot;
    LoggerHandle saved;
    LoggerHandle capture;
    std::ostringstream stream;
};
