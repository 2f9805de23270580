#pragma once

#include <QObject>
#include <QString>

// Reads control lines from standard input on a thread of its own and hands
// them to the main thread. End of input only ends the reading: the simulator
// keeps running (it is often started in the background without input).
// Blocking reads are the only portable way to wait on a console or pipe, so
// the thread is left to the end of the process instead of being joined.
class StdinReader : public QObject
{
    Q_OBJECT
public:
    explicit StdinReader(QObject* parent = nullptr);
    ~StdinReader() override;

    void start();

signals:
    void lineReceived(const QString& line);
    // Standard input has ended (or failed); no more lines will come.
    void inputEnded();
};
