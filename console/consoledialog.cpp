#include "consoledialog.h"
#include "ui_consoledialog.h"

#include "commandmask.h"
#include "errorcodes.h"
#include "loggers.h"
#include "ps_data.h"
#include "screenfit.h"
#include "tcpsocketmanager.h"

#include <QMessageBox>
#include <QRegularExpression>

namespace
{

const char* const welcomeText = "##################\n"
                                "Welcome to Orvane console\n\n"
                                "Press TAB key to show commands'popup\n"
                                "Press ARROW UP or DOWN key to navigate through commands'history\n";

// Words every supply understands, "#_LOCAL" last.
const char* const commonWords[] = {
    "VER",           "CLEAR",      "CHANGELOG",   "MON",          "MOFF",          "POL",
    "POL:DIRECT",    "POL:INVERT", "TRGMODE",     "TRGMODE:ON",   "TRGMODE:OFF",   "PMODE",
    "PMODE:MASTER",  "PMODE:OFF",  "PMODE:SLAVE", "PCONNECTIONS", "MSLAVESTATE",   "MLIMITS",
    "LOOP:?",        "LOOP:V",     "LOOP:I",      "UPMODE:?",     "UPMODE:NORMAL", "UPMODE:WAVEFORM",
    "UPMODE:ANALOG", "SETFLOAT:?", "SETFLOAT:F",  "SETFLOAT:N",   "SETDUTYMODE:0", "SETDUTYMODE:1",
    "MST",           "MRESET",     "MRI",         "MRV",          "MRW",           "MRIA",
    "MRVA",          "MRWA",       "MRIO",        "MRVO",         "MRT",           "MRP",
    "MGC",           "MWV:",       "MWVR:",       "MWI:",         "MWIR:",         "MSRI:?",
    "MSRI:MAX:?",    "MSRI:",      "MSRV:?",      "MSRV:MAX:?",   "MSRV:",         "MWD:?",
    "MWD:",          "MPLST",      "MPLSTA",      "MRID",         "HELP",          "EXIT",
    "HWRESET",       "PASSWORD:?", "PASSWORD:",   "MRG:",         "MWG:",          "MSAVE",
    "TFT",           "TFT:ON",     "TFT:OFF",     "#_LOCAL",
};

const char* const fourQuadrantWords[] = {"MGPC", "MRA"};
const char* const sfpWords[] = {"SFP:ADAPTER",  "SFP:INFO",      "SFP:COUNTERS_RESET",
                                "SFP:LAST_CMD", "SFP:CONV_GAIN", "SFP1MDIO"};

template <size_t N> void appendWords(QStringList& list, const char* const (&words)[N])
{
    for (const char* word : words)
        list.append(QString::fromLatin1(word));
}

} // namespace

ConsoleDialog::ConsoleDialog(QWidget* parent) : QDialog(parent), ui(new Ui::ConsoleDialog)
{
    ui->setupUi(this);
    fitToScreen(this);
    ui->textEditConsole->setWelcomeText(QString::fromUtf8(welcomeText));

    ui->textEditConsole->setPromptColor(QColor(0, 0, 0, 255));
    ui->textEditConsole->setErrorColor(QColor(255, 0, 0, 255));
    ui->textEditConsole->setOutputColor(QColor(0, 128, 0, 255));
    ui->textEditConsole->setPrompt(QStringLiteral(">"), true);
    connect(ui->textEditConsole, &QConsole::execCommand, this, &ConsoleDialog::commandReady);

    socket = new TcpSocketManager(this);
    connect(socket, &TcpSocketManager::connected, this, &ConsoleDialog::onConnected);
    connect(socket, &TcpSocketManager::errorReady, this, &ConsoleDialog::onError);
    connect(socket, &TcpSocketManager::messageReady, this, &ConsoleDialog::onMessageReady);

    errorCodes = new ErrorCodes(this);

    consoleDialogLogger->info("ConsoleDialog initialized");
}

ConsoleDialog::~ConsoleDialog()
{
    delete ui;
    consoleDialogLogger->info("ConsoleDialog destroyed");
}

QStringList ConsoleDialog::commandWords(const QString& family)
{
    QStringList words;
    appendWords(words, commonWords);
    if (family == QLatin1String("ORTX") || family == QLatin1String("KORA-PS-1K5"))
        appendWords(words, fourQuadrantWords);
    else if (family == QLatin1String("KORA-PS") || family == QLatin1String("KORA-PS-M"))
        appendWords(words, sfpWords);
    return words;
}

void ConsoleDialog::setModel(const ps_data& data)
{
    if (data.family == lastFamily)
        return;
    lastFamily = data.family;
    ui->textEditConsole->setCommands(commandWords(data.family));
}

void ConsoleDialog::connectToServer(QString IP, QString port, int timeout)
{
    consoleLogger->trace("connectToServer called, ip = {}, port = {}, timeout = {}", IP, port, timeout);
    close();
    on_pushButtonClear_clicked();
    socket->connect(IP, port, timeout);
}

void ConsoleDialog::onConnected()
{
    consoleLogger->trace("onConnected called");
    show();
}

void ConsoleDialog::on_pushButtonClear_clicked()
{
    consoleDialogLogger->trace("on_pushButtonClear_clicked called");
    ui->textEditConsole->clear();
    // A command whose reply never came must not keep the fresh page locked.
    ui->textEditConsole->unlock();
    ui->textEditConsole->displayPrompt();
    ui->textEditConsole->setFocus(Qt::OtherFocusReason);
}

void ConsoleDialog::commandReady(QString command)
{
    consoleDialogLogger->trace("commandReady called, command = {}", maskPassword(command));
    const QString upper = command.toUpper();
    if (upper == QLatin1String("CLEAR") || upper == QLatin1String("CLEAR\r") ||
        upper == QLatin1String("CLEAR\n") || upper == QLatin1String("CLEAR\r\n")) {
        // Handled here: ends the running command, then starts a clean page.
        ui->textEditConsole->printCommandExecutionResults(QString(), QConsole::Complete);
        ui->textEditConsole->clear();
        ui->textEditConsole->displayPrompt();
        return;
    }
    socket->send(command);
}

void ConsoleDialog::onMessageReady(QString message)
{
    consoleLogger->trace("onMessageReady called, message = {}", message);
    if (!message.contains(QLatin1String("#NAK"))) {
        ui->textEditConsole->printCommandExecutionResults(message, QConsole::Complete);
        return;
    }
    // The error number is the one to three digits after "NAK:"; a reply
    // without one reads as code 0, which the table does not explain.
    static const QRegularExpression codePattern(QStringLiteral("NAK:(\\d{1,3})(?!\\d)"));
    const QRegularExpressionMatch match = codePattern.match(message);
    const int code = match.hasMatch() ? match.captured(1).toInt() : 0;
    QString shown = message;
    while (shown.endsWith(QLatin1Char('\n')) || shown.endsWith(QLatin1Char('\r')))
        shown.chop(1);
    ui->textEditConsole->printCommandExecutionResults(
        shown + QStringLiteral(". ") + errorCodes->message(code), QConsole::Error);
}

void ConsoleDialog::onError(QString error)
{
    consoleLogger->error("{}", error);
    ui->textEditConsole->printCommandExecutionResults(error, QConsole::Error);
    QMessageBox::warning(this, QStringLiteral("Socket error"), error, QMessageBox::Ok);
}
