#pragma once

// A PS_Comm on a socket connected to a scripted peer, for the tests of
// single exchanges, and one PS_Comm call as a column of a _data() table.

#include "ps_comm.h"
#include "scriptedpeer.h"

#include <QHostAddress>
#include <QMetaType>
#include <QTcpSocket>

#include <functional>

struct CommLink {
    explicit CommLink(int waitTime) : comm(&socket, waitTime)
    {
        socket.connectToHost(QHostAddress::LocalHost, peer.port());
        connected = socket.waitForConnected(20000);
    }
    ScriptedPeer peer;
    QTcpSocket socket;
    PS_Comm comm;
    bool connected = false;
};

// Returns the call's result code.
using Call = std::function<int(PS_Comm&)>;

Q_DECLARE_METATYPE(Call)
