#pragma once

#include <QHash>
#include <QString>

#include <functional>

class SupplyState;

// Refusal codes the supply answers with ("NAK:" and two digits).
namespace Nak
{
enum : int {
    UnknownCommand = 1,
    UnknownParameter = 2,
    IndexOutOfRange = 3,
    NotEnoughArguments = 4,
    PrivilegeLevel = 5,
    SaveError = 6,
    InvalidPassword = 7,
    UnitInFault = 8,
    UnitAlreadyOn = 9,
    OutOfHardwareLimits = 10,
    NotANumber = 12,
    UnitIsOff = 13,
    SlewRateOutOfLimits = 14,
    LocalMode = 15,
    NotGeneratingWaveform = 16,
    GeneratingWaveform = 17,
    LoopModeAlreadySet = 19,
    ModuleIsOn = 21,
    FloatModeAlreadySet = 23,
    FeatureNotAvailable = 25,
    WaveformError = 27,
};
}

// One command as received, split for matching. The text keeps its case; the
// command word and sub-words are matched case-insensitively.
struct SupplyCommand {
    explicit SupplyCommand(const QString& received);

    QString text;     // as received, without its CR
    QString upper;    // text in upper case, for matching
    QString word;     // upper-case text before the first ':'
    QString argument; // original text after the first ':' (empty when none)
    bool hasArgument = false;

    bool isQuery() const { return !hasArgument || argument == QLatin1String("?"); }
    // The echo a query reply starts with: the command without any ":?".
    QString echo() const;
};

// A reply body, before the "#" and the CR LF the server adds.
struct SupplyReply {
    enum Kind { Ack, Refusal, Value, Silent };
    Kind kind = Ack;
    int code = 0;
    QString text; // the whole body for values: echo, separator and value

    static SupplyReply ack() { return {Ack, 0, {}}; }
    static SupplyReply refuse(int code) { return {Refusal, code, {}}; }
    static SupplyReply value(const SupplyCommand& cmd, const QString& value)
    {
        return {Value, 0, cmd.echo() + QLatin1Char(':') + value};
    }
    static SupplyReply silent() { return {Silent, 0, {}}; }
    static QString refusalBody(int code);
    QString body() const;
};

// The supply's command vocabulary. Each command word maps to one handler;
// further features register their own words with addCommand().
class SupplyCommands
{
public:
    using Handler = std::function<SupplyReply(const SupplyCommand&)>;

    explicit SupplyCommands(SupplyState& state);

    SupplyReply execute(const QString& received);
    // The same for one client of the command port, which holds the privilege
    // level its own PASSWORD granted for as long as it is connected (no
    // expiry). A new client starts at the unit's level ("set privileges"),
    // and a change of that level reaches every client. (clientprivileges.cpp)
    SupplyReply executeFor(const void* client, const QString& received);
    void forgetClient(const void* client);
    void addCommand(const QString& word, Handler handler);
    QStringList words() const;

private:
    void addQueries();
    void addOutputCommands();
    void addSetpointCommands();
    void addModeCommands();
    void addMemoryCommands();
    void addWaveformCommands();
    void addEpicsCommands();
    void addConsoleCommands();

    // Shared checks of set commands that change what the unit does.
    bool refusedInLocal(SupplyReply* reply) const;
    SupplyReply setpoint(const SupplyCommand& cmd, bool current, bool ramped);
    SupplyReply slewRate(const SupplyCommand& cmd, bool current);
    SupplyReply readOnly(const SupplyCommand& cmd, const std::function<QString()>& value);

    SupplyState& state;
    QHash<QString, Handler> handlers;
    QHash<const void*, QString> clientPrivileges;
    QString unitPrivileges; // the unit's level when the clients' levels were last valid
};
