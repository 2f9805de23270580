#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline QList<QByteArray> linesOf(const QString& path)
{
    QList<QByteArray> lines = readAll(path).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

inline int countOf(const QString& path, const QByteArray& text)
{
    return readAll(path).count(text);
}
