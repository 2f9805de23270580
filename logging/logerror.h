#pragma once

#include <string>

// Reports a failure of the logging machinery itself (a line that cannot be
// formatted or written, a rotation that fails) on standard error. Logging must
// never stop the program, so failures are only reported, at most a few a
// second, with the number of failures left unreported in between.
void reportLogError(const std::string& what);

// Number of failures reported through reportLogError() since start (tests).
unsigned long logErrorCount();
