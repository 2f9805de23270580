#pragma once

#include <QString>

// The box command codes that the windows queue in Dcct_thread, and the
// command text each stands for.
enum class BoxCommandKind {
    Query,  // fixed text, sent as is
    Set,    // fixed prefix followed by the queued argument
    Action, // fixed text without argument
};

struct BoxCommandInfo {
    int code;
    const char* text; // the whole command (query, action) or its prefix (set)
    BoxCommandKind kind;
};

// The entry of `code`, or nullptr for a code the box vocabulary does not have.
const BoxCommandInfo* findBoxCommand(int code);

// Every defined code, in ascending order.
const BoxCommandInfo* boxCommands(int* count);

// The text sent for `code` with `arg` (used only by set codes).
QString boxCommandText(const BoxCommandInfo& info, const QString& arg);
