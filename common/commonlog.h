#pragma once

// The shared windows log through Amperix's component loggers. The SENTREL
// Viewer build has no logging at all (it does not link spdlog), so there the
// log statements compile to nothing and their arguments are not evaluated.
//
//   COMMON_LOG(updatesLogger, debug, "m_maintenancetool path = {}", path);

#ifdef COMMON_WITH_LOGGING
#include "loggers.h"
#define COMMON_LOG(handle, level, ...) (handle)->level(__VA_ARGS__)
#else
#define COMMON_LOG(handle, level, ...) static_cast<void>(0)
#endif
