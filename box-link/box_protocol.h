#pragma once

// Pure pieces of the SENTREL protocol: reply classification, the status,
// error and stream-flag words, the stream-line parser and the per-command
// reply decoders. No I/O; the wire layer and the worker build on these.

#include <QByteArrayList>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

class Dcct_data;

// Reply class of a one-line reply: 1 "ACK", 2 "NAK", 3 any other text (a
// value, possibly empty). The whole trimmed line is compared, so a value such
// as "SNAKE" or "RACK-1" stays a value.
int classifyReply(const QString& line);

// True when `text` can be framed as one command: no carriage return, line
// feed or NUL (which would end the command early or start a second one).
bool isSendable(const QString& text);

// Parses a whole field as a decimal number (optional sign, digits, optional
// fraction and exponent); false for anything else, including inf/nan.
bool parseBoxNumber(const char* begin, const char* end, double* value);
bool parseBoxNumber(const QString& text, double* value);

// Parses a whole field of hexadecimal digits (an optional "0x" prefix is
// accepted), at most 16 digits.
bool parseHexWord(const char* begin, const char* end, quint64* value);
bool parseHexWord(const QString& text, quint64* value);

// One data line of the acquisition stream.
struct StreamSample {
    double counter;
    int flags; // low byte of the flags field
    double current;
    double head_t;
    double ext_t;
    double adc_t;
};

// Parses one stream line (without its carriage return; leading line feeds
// and NULs and trailing blanks are ignored). Fields are separated by single
// blanks: counter, flags (hex), current, then head, external and ADC
// temperatures as named by `layout` (bit 2, 1, 0). Extra fields are ignored.
// Returns false, leaving `out` undefined, for an empty line, a line with too
// few fields, a field that is not a number, or a layout above 7.
bool parseStreamLine(const char* begin, const char* end, int layout, StreamSample* out);

// What one read of a one-line reply holds. A line ends at its CR; line feeds
// and NULs next to it (CR LF, LF CR) belong to its ending. Several: more than
// one line arrived (for instance a stale line and the answer), so no line of
// it can be told to be the answer.
enum class ReplyRead { Incomplete, One, Several };
// Looks at the bytes read so far for a reply; for One, `line` is its text
// (without the ending, blanks kept) and `rest` what followed it (line feeds
// and NULs only).
ReplyRead takeReplyLine(const QByteArray& bytes, QString* line, QByteArray* rest);

// A line that holds at least the fields every stream line starts with
// (counter, hexadecimal flags, current), whatever the box's layout.
bool looksLikeStreamLine(const char* begin, const char* end);

// Status word ("status:?"): false when the reply is not hexadecimal, and
// then the record keeps its values.
bool decodeStatusWord(const QString& reply, Dcct_data* data);
// Error word ("err:?"), same rule.
bool decodeErrorWord(const QString& reply, Dcct_data* data);
// Low byte of a stream line's flags field.
void decodeStreamFlags(int flags, Dcct_data* data);
// Streamed temperatures from the bits 17-19 of the status word.
int lineLayoutFromStatus(quint64 status);

// "acqt:?": a reply of three binary digits names head, external and ADC
// temperature; otherwise the first of "11", "01", "10", "00" found gives the
// external/ADC pair. Returns `previous` when the reply names none.
int decodeAcqChannels(const QString& reply, int previous);

// "time:?" as hh.mm.ss and "date:?" as dd.mm.yyyy. False (and the output
// untouched) when a part is missing, not a number, or out of range.
bool decodeBoxTime(const QString& reply, QTime* time);
bool decodeBoxDate(const QString& reply, QDate* date);

// "ver:?": the text between the first and second ':' (the rest when there is
// only one); the whole reply when it holds no ':'.
QString decodeFirmwareVersion(const QString& reply);

// Time of a streamed sample: 0 for counter 1, else counter / frequency. A
// frequency that is empty, not a number, zero or negative counts as 1 Hz,
// so the time is always finite.
double sampleTime(double counter, double freq);
double sampleFrequency(const QString& freq);

// SD listing body: one file name per line, exactly as listed (blanks around
// a name are part of it); empty and all-blank lines name no file.
QStringList sdListingEntries(const QString& body);

// Cuts bytes into lines that each keep their own line break (CR LF, CR or
// LF); joining the result gives the bytes back exactly.
QByteArrayList splitKeepingLineBreaks(const QByteArray& bytes);

// Looks for the line "ACK" that ends a multi-line body. `scanFrom` is where
// the search may resume (a position at a line start, updated to the start of
// the last incomplete line). Returns the body length (the offset of the ACK
// line) when found, -1 otherwise. `nak` is set when the first line is "NAK".
qsizetype findAckLine(const QByteArray& buffer, qsizetype* scanFrom, bool* nak);

// For a body after which the box went quiet without a line "ACK": the offset
// of an "ACK" that ends the text, followed by no more than one line break (an
// "ACK" left without its CR, or glued to a last line that had no line break).
// -1 when the text does not end that way.
qsizetype findTrailingAck(const QByteArray& buffer);
