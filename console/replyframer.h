#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QTextDecoder;

// Gathers the console connection's reads into replies. Each read counts up
// to its first NUL byte and is decoded as UTF-8 (a character split between
// reads is joined). A reply is complete as soon as a read brings a carriage
// return: it is everything gathered since the previous reply, whatever
// followed the carriage return in that read included. A reply that never
// ends is handed up in pieces of at least maxLength characters, so the
// buffer stays bounded and nothing is lost.
class ReplyFramer
{
public:
    static constexpr int defaultMaxLength = 1024 * 1024;

    explicit ReplyFramer(int maxLength = defaultMaxLength);
    ~ReplyFramer();

    // Takes one read and returns its text. When this completes a reply,
    // *complete is set and takeReply() hands it over.
    QString feed(const QByteArray& read, bool* complete);
    QString takeReply();
    // Forgets the unfinished reply, a half-received character included.
    void clear();

    const QString& buffer() const { return gathered; }
    int maxLength() const { return cap; }

private:
    int cap;
    QString gathered;
    std::unique_ptr<QTextDecoder> decoder;
};
