#include "commandlog.h"

bool CommandLog::open(const QString& path, QString* error)
{
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void CommandLog::write(const QByteArray& command)
{
    if (!file.isOpen())
        return;
    file.write(escape(command) + '\n');
    file.flush();
}

QByteArray CommandLog::escape(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            out += c;
        }
    }
    return out;
}

QByteArray CommandLog::unescape(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const char n = text.at(++i);
        switch (n) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case '0':
            out += '\0';
            break;
        case 't':
            out += '\t';
            break;
        case 'x':
            if (i + 2 < text.size()) {
                bool ok = false;
                const int v = text.mid(i + 1, 2).toInt(&ok, 16);
                if (ok) {
                    out += char(v);
                    i += 2;
                    break;
                }
            }
            out += "\\x";
            break;
        default:
            out += n; // "\\" and any other escaped character stand for themselves
        }
    }
    return out;
}
