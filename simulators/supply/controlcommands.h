#pragma once

#include <QMap>
#include <QString>

#include <functional>

class CommandServer;
class SupplyState;
struct FaultSwitches;

// The simulator's control language: one line in, one answer out ("OK ..." or
// "ERR ..."). Tests use it to switch faults and to read or change the supply
// state while the program under test is connected; the command line uses the
// same lines for its options.
class ControlCommands
{
public:
    ControlCommands(SupplyState& state, FaultSwitches& faults);

    // The server is attached once it exists (options are applied before).
    void setServer(CommandServer* s) { server = s; }

    // A further verb, handled by another part of the simulator; it gets the
    // rest of the line and answers "OK ..." or "ERR ...".
    using Verb = std::function<QString(const QString& rest)>;
    void addVerb(const QString& verb, Verb handler) { extraVerbs.insert(verb, std::move(handler)); }

    QString execute(const QString& line);
    bool quitRequested() const { return quit; }

private:
    QString setSwitch(bool& flag, const QString& value);

    SupplyState& state;
    FaultSwitches& faults;
    CommandServer* server = nullptr;
    bool quit = false;
    QMap<QString, Verb> extraVerbs;
};
