#pragma once

#include <QString>

// The text of a typed command as it may go into the log: a password given
// with "PASSWORD:" (any case, leading blanks allowed) is written as
// "PASSWORD:***", as the supply link does. Queries ("PASSWORD:?") and every
// other command pass unchanged.
QString maskPassword(const QString& command);

// True when `command` gives a password, so that the keys typed after it
// must not be logged either.
bool givesPassword(const QString& command);
