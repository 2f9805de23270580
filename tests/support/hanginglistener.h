#pragma once

#include <QList>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// A loopback port whose connections hang in the handshake: a listening socket
// that never accepts and whose one-place queue is already taken.
struct HangingListener {
    HangingListener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd, 0) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port = ntohs(addr.sin_port);
        for (int i = 0; i < 2; ++i) {
            const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(c, reinterpret_cast<sockaddr*>(&addr), len);
            fillers.append(c);
        }
        // The first filler takes the queue's one place once its handshake is done.
        pollfd first{fillers.first(), POLLOUT, 0};
        ::poll(&first, 1, 10000);
    }
    ~HangingListener()
    {
        for (int c : fillers)
            ::close(c);
        ::close(fd);
    }
    HangingListener(const HangingListener&) = delete;
    HangingListener& operator=(const HangingListener&) = delete;

    int fd = -1;
    quint16 port = 0;
    QList<int> fillers;
};
#endif
