// Privilege levels held per client of the command port.
#include "supplycommands.h"
#include "supplystate.h"

SupplyReply SupplyCommands::executeFor(const void* client, const QString& received)
{
    // A change of the unit's level (control line, option) applies to everyone.
    if (state.privileges != unitPrivileges) {
        clientPrivileges.clear();
        unitPrivileges = state.privileges;
    }
    // While the command runs, the state's level is this client's own.
    state.privileges = clientPrivileges.value(client, unitPrivileges);
    const SupplyReply reply = execute(received);
    clientPrivileges.insert(client, state.privileges);
    state.privileges = unitPrivileges;
    return reply;
}

void SupplyCommands::forgetClient(const void* client)
{
    clientPrivileges.remove(client);
}
