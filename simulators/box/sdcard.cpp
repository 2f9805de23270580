#include "sdcard.h"

#include <QRandomGenerator>
#include <cmath>

void SdCard::loadDefaults()
{
    files.clear();
    present = true;
    mounted = true;
    put("LOG0001.TXT", generateLog(600, 1));
    put("SETTINGS.TXT", "SENTREL settings\r\n"
                        "BACKUP 11.04.2018 14.05.09\r\n"
                        "freq=10\r\n"
                        "TS=100\r\n"
                        "pturns=1\r\n"
                        "alarm=OFF -200 200\r\n"
                        "trg=OFF\r\n");
    put("MY DATA.TXT", "first line of my data\r\n"
                       "  indented line with  two  blanks\r\n"
                       "\r\n"
                       "last line after an empty one\r\n");
    put("EMPTY.TXT", QByteArray());
    put("LOG0002.TXT", generateLog(300 * 1024, 2));
}

int SdCard::indexOf(const QByteArray& name) const
{
    for (int i = 0; i < files.size(); ++i)
        if (files.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QList<QByteArray> SdCard::names() const
{
    QList<QByteArray> out;
    for (const File& f : files)
        out << f.name;
    return out;
}

const SdCard::File* SdCard::find(const QByteArray& name) const
{
    const int i = indexOf(name);
    return i < 0 ? nullptr : &files.at(i);
}

void SdCard::put(const QByteArray& name, const QByteArray& content)
{
    const int i = indexOf(name);
    if (i >= 0)
        files[i].content = content;
    else
        files.append({name, content});
}

bool SdCard::remove(const QByteArray& name)
{
    const int i = indexOf(name);
    if (i < 0)
        return false;
    files.removeAt(i);
    return true;
}

qint64 SdCard::used() const
{
    qint64 total = 0;
    for (const File& f : files)
        total += f.content.size();
    return total;
}

bool SdCard::append(const QByteArray& name, const QByteArray& bytes)
{
    if (used() + bytes.size() > capacity)
        return false;
    const int i = indexOf(name);
    if (i >= 0)
        files[i].content += bytes;
    else
        files.append({name, bytes});
    return true;
}

QByteArray SdCard::newLogName() const
{
    for (int n = 1; n < 10000; ++n) {
        const QByteArray name = "LOG" + QByteArray::number(n).rightJustified(4, '0') + ".TXT";
        if (indexOf(name) < 0)
            return name;
    }
    return "LOG9999.TXT";
}

QByteArray SdCard::generateLog(qint64 bytes, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray out = "counter flags current headT extT\r\n";
    out.reserve(int(bytes + 64));
    for (int n = 1; out.size() < bytes; ++n) {
        const double t = n / 10.0;
        const double current = 150.0 * (1.0 + 0.02 * std::sin(t / 9.5)) + (rng.generateDouble() - 0.5) * 0.02;
        const double head = 30.0 + 0.4 * std::sin(t / 300.0) + (rng.generateDouble() - 0.5) * 0.05;
        const double ext = 24.0 + (rng.generateDouble() - 0.5) * 0.05;
        out += QByteArray::number(n) + " 0 " + QByteArray::number(current, 'f', 6) + ' ' +
               QByteArray::number(head, 'f', 2) + ' ' + QByteArray::number(ext, 'f', 2) + "\r\n";
    }
    return out;
}
