#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

namespace Ui
{
class ConsoleDialog;
}

class ErrorCodes;
class TcpSocketManager;
class ps_data;

// The raw-command console: sends typed commands to the supply over a
// connection of its own and prints the replies, explaining rejections.
class ConsoleDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConsoleDialog(QWidget* parent = nullptr);
    ~ConsoleDialog() override;

    // Builds the completion words for the supply family of `data`; nothing
    // happens while the family stays the same.
    void setModel(const ps_data& data);

    // The completion words of a family, in the order handed to the console.
    static QStringList commandWords(const QString& family);

    TcpSocketManager* socketManager() const { return socket; }

public slots:
    void connectToServer(QString IP, QString port, int timeout);

private slots:
    void commandReady(QString command);
    void on_pushButtonClear_clicked();
    void onConnected();
    void onError(QString error);
    void onMessageReady(QString message);

private:
    Ui::ConsoleDialog* ui;
    TcpSocketManager* socket;
    ErrorCodes* errorCodes;
    QString lastFamily; // family the completion words were last built for
};
