#include "replyframer.h"

#include <QTextCodec>
#include <QTextDecoder>

ReplyFramer::ReplyFramer(int maxLength)
    : cap(maxLength), decoder(QTextCodec::codecForName("UTF-8")->makeDecoder())
{
}

ReplyFramer::~ReplyFramer() = default;

QString ReplyFramer::feed(const QByteArray& read, bool* complete)
{
    const int nul = read.indexOf('\0');
    const QString chunk = decoder->toUnicode(read.constData(), nul >= 0 ? nul : read.size());
    gathered += chunk;
    // Only the new text can hold a carriage return: every earlier one ended
    // a reply and emptied the buffer.
    *complete = chunk.contains(QLatin1Char('\r')) || gathered.size() >= cap;
    return chunk;
}

QString ReplyFramer::takeReply()
{
    QString reply;
    reply.swap(gathered);
    return reply;
}

void ReplyFramer::clear()
{
    gathered.clear();
    decoder.reset(QTextCodec::codecForName("UTF-8")->makeDecoder());
}
