#include "stdinreader.h"

#include <QMetaObject>

#include <iostream>
#include <mutex>
#include <string>
#include <thread>

namespace
{
// The reader thread may outlive the object; it only posts while this is set.
std::mutex receiverMutex;
StdinReader* receiver = nullptr;
} // namespace

StdinReader::StdinReader(QObject* parent) : QObject(parent) {}

StdinReader::~StdinReader()
{
    std::lock_guard<std::mutex> lock(receiverMutex);
    if (receiver == this)
        receiver = nullptr;
}

void StdinReader::start()
{
    {
        std::lock_guard<std::mutex> lock(receiverMutex);
        receiver = this;
    }
    std::thread([] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const QString text = QString::fromUtf8(line.data(), int(line.size()));
            std::lock_guard<std::mutex> lock(receiverMutex);
            if (!receiver)
                return;
            StdinReader* target = receiver;
            QMetaObject::invokeMethod(
                target, [target, text] { emit target->lineReceived(text); }, Qt::QueuedConnection);
        }
        std::lock_guard<std::mutex> lock(receiverMutex);
        if (StdinReader* target = receiver)
            QMetaObject::invokeMethod(
                target, [target] { emit target->inputEnded(); }, Qt::QueuedConnection);
    }).detach();
}
