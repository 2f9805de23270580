#include "commandlog.h"

bool CommandLog::open(const QString& path, QString* error)
{
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void CommandLog::append(const QByteArray& command)
{
    if (!file.isOpen())
        return;
    file.write(escape(command) + '\n');
    // A test reads the log while the simulator runs: every line must be on disk now.
    file.flush();
}

QByteArray CommandLog::escape(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 8);
    for (const char c : bytes) {
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

static int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
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
        const char e = text.at(++i);
        switch (e) {
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
        case 's':
            out += ' ';
            break;
        case 'x':
            if (i + 2 < text.size() && hexDigit(text.at(i + 1)) >= 0 && hexDigit(text.at(i + 2)) >= 0) {
                out += char(hexDigit(text.at(i + 1)) * 16 + hexDigit(text.at(i + 2)));
                i += 2;
            } else {
                out += "\\x";
            }
            break;
        default:
            // "\\" and any unknown escape stand for the character itself.
            out += e;
        }
    }
    return out;
}
