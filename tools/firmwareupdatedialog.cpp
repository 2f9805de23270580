#include "firmwareupdatedialog.h"
#include "ui_firmwareupdatedialog.h"

#include "deliberateinput.h"
#include "loggers.h"
#include "screenfit.h"

#include "firmwarereply.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QTcpSocket>

#include <algorithm>

namespace
{

constexpr qint64 chunkSize = 16384;
constexpr int socketWaitMs = 4000;
constexpr int chunksPerDot = 300;
constexpr int waitSliceMs = 20; // longest the installation keeps the window waiting

FirmwareUpdateDialog::FileChooser& fileChooser()
{
    static FirmwareUpdateDialog::FileChooser chooser;
    return chooser;
}

} // namespace

FirmwareUpdateDialog::FirmwareUpdateDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::FirmwareUpdateDialog)
{
    ui->setupUi(this);
    fitToScreen(this);
    showValuesWhole(this);
    keepReturnLocal(this);

    default_firmware_path =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../Firmware_PS"));
    firmwareUpdateDialogLogger->info("Default firmware path set to {}", default_firmware_path);

    ui->progressBar->setRange(0, 100);

    // Direct, so the progress text is on screen while an upload blocks the loop.
    connect(this, &FirmwareUpdateDialog::clearText, this, &FirmwareUpdateDialog::clear_text_browser,
            Qt::DirectConnection);
    connect(this, &FirmwareUpdateDialog::updateText, this, &FirmwareUpdateDialog::update_text_browser,
            Qt::DirectConnection);

    firmwareUpdateDialogLogger->info("FirmwareUpdateDialog initialized");
}

FirmwareUpdateDialog::~FirmwareUpdateDialog()
{
    delete ui;
    firmwareUpdateDialogLogger->info("FirmwareUpdateDialog destroyed");
}

void FirmwareUpdateDialog::setFileChooser(FileChooser chooser)
{
    fileChooser() = std::move(chooser);
}

void FirmwareUpdateDialog::prepare_dialog(QString ip, QString port)
{
    firmwareUpdateDialogLogger->trace("prepare_dialog called, ip_add = {}, ip_port = {}", ip, port);
    ip_add = ip;
    ip_port = port;
    ui->textBrowser->clear();
    firmwareUpdateDialogLogger->debug("Firmware update dialog, IP = {}", ip_add);
    setControlsEnabled(true);
    ui->progressBar->setValue(0);
}

void FirmwareUpdateDialog::on_browse_Button_clicked()
{
    firmwareUpdateDialogLogger->trace("on_browse_Button_clicked called");
    const QString caption = QStringLiteral("Choose Power Supply firmware to upload");
    const QString filter = QStringLiteral("Power Supply Firmware (*.updt)");
    const QString file = fileChooser()
                             ? fileChooser()(this, caption, default_firmware_path, filter)
                             : QFileDialog::getOpenFileName(this, caption, default_firmware_path, filter);
    if (file.isEmpty())
        return;
    ui->filepath_lineEdit->setText(file);
    firmwareUpdateDialogLogger->debug("firmware_file = {}", file);
}

void FirmwareUpdateDialog::update_text_browser(const QString str)
{
    firmwareUpdateDialogLogger->trace("update_text_browser called, str = {}", str);
    ui->textBrowser->insertPlainText(str);
    QScrollBar* bar = ui->textBrowser->verticalScrollBar();
    bar->setValue(bar->maximum());
    ui->textBrowser->repaint();
}

void FirmwareUpdateDialog::clear_text_browser()
{
    firmwareUpdateDialogLogger->trace("clear_text_browser called");
    ui->textBrowser->setText(QString());
}

void FirmwareUpdateDialog::error_popup(QString name, QString details)
{
    firmwareUpdateDialogLogger->error("error_popup called, error_name = {}, error_details = {}", name,
                                      details);
    QMessageBox::critical(this, name, details, QMessageBox::Ok);
    emit updateText(name);
    emit updateText(QStringLiteral(": "));
    emit updateText(details);
    emit updateText(QStringLiteral("\nUPDATE ABORTED!"));
    ui->progressBar->setValue(0);
    setControlsEnabled(true);
}

void FirmwareUpdateDialog::setControlsEnabled(bool enabled)
{
    ui->browse_Button->setEnabled(enabled);
    ui->update_firwmare_button->setEnabled(enabled);
    ui->buttonBox->setEnabled(enabled);
}

void FirmwareUpdateDialog::setVisible(bool visible)
{
    if (!visible && uploading)
        return;
    QDialog::setVisible(visible);
}

void FirmwareUpdateDialog::done(int result)
{
    if (uploading)
        return;
    QDialog::done(result);
}

void FirmwareUpdateDialog::closeEvent(QCloseEvent* event)
{
    if (uploading) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void FirmwareUpdateDialog::keepWindowAlive()
{
    // Repaints and socket notifications, but no clicks or keys: the
    // procedure below must not be entered twice.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FirmwareUpdateDialog::on_update_firwmare_button_clicked()
{
    firmwareUpdateDialogLogger->trace("on_update_firwmare_button_clicked called");
    if (uploading)
        return;
    uploading = true;
    upload();
    uploading = false;
}

void FirmwareUpdateDialog::socketError(QTcpSocket& socket)
{
    const QString error = socket.errorString();
    socket.abort();
    error_popup(QStringLiteral("Socket Error"), error);
    firmwareUpdateDialogLogger->error("Socket Error, {}", error);
}

void FirmwareUpdateDialog::endWithMarker(QTcpSocket& socket, bool success, const QString& detail)
{
    socket.close();
    emit updateText(QStringLiteral("\nSocket closed\n"));
    if (success) {
        emit updateText(QStringLiteral("\nFIRMWARE SUCCESSFULLY UPDATED!!!"));
        keepWindowAlive();
        ui->progressBar->setValue(100);
        QMessageBox::information(this, QStringLiteral("Fimrware Updated"),
                                 QStringLiteral("Firmware Successfully Updated!!!"), QMessageBox::Ok);
        firmwareUpdateDialogLogger->info("FIRMWARE SUCCESSFULLY UPDATED!!!");
    } else {
        error_popup(QStringLiteral("Update Error"), detail);
        firmwareUpdateDialogLogger->error("Update Error, {}", detail);
    }
    setControlsEnabled(true);
}

void FirmwareUpdateDialog::upload()
{
    using Outcome = FirmwareReplyParser::Outcome;

    setControlsEnabled(false);
    emit clearText();
    const QString path = ui->filepath_lineEdit->text();
    emit updateText(QStringLiteral("KORA-PS/KORA-PS-M FIRMWARE UPDATE....\n"));
    emit updateText(QStringLiteral("Selected Firmware File: \""));
    emit updateText(path);
    emit updateText(QStringLiteral("\"\n"));
    ui->progressBar->setValue(0);

    QFile file(path);
    emit updateText(QStringLiteral("Firmware File Opening....\n"));
    auto refuse = [this](const QString& error) {
        error_popup(QStringLiteral("Error in File Opening"), error);
        firmwareUpdateDialogLogger->error("Error in File Opening {}", error);
    };
    // A device or pipe has no end the upload could wait for, and opening a
    // pipe nobody writes to would wait forever: looked at before opening.
    // A missing file is left to the opening, which names the error.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        refuse(QStringLiteral("Not a regular file"));
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        const QString error = file.errorString();
        file.close();
        refuse(error);
        return;
    }
    if (file.isSequential()) {
        file.close();
        refuse(QStringLiteral("Not a regular file"));
        return;
    }
    emit updateText(QStringLiteral("File Opened\n"));
    ui->progressBar->setValue(1);
    firmwareUpdateDialogLogger->debug("File Opened");

    QTcpSocket socket;
    socket.connectToHost(ip_add, uploadPort, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    emit updateText(QStringLiteral("Socket Connection to "));
    emit updateText(ip_add + QStringLiteral("\n"));
    if (!socket.waitForConnected(socketWaitMs)) {
        socketError(socket);
        return;
    }
    emit updateText(QStringLiteral("Socket Opened\n"));
    ui->progressBar->setValue(2);
    firmwareUpdateDialogLogger->debug("Socket Opened");
    emit updateText(QStringLiteral("Firmware Upload\n"));
    socket.readAll();

    FirmwareReplyParser parser;
    // What the supply says while it still receives: progress, or an early verdict.
    auto show = [&](const FirmwareReplyParser::Step& step) {
        for (int n : step.progress) {
            ui->progressBar->setValue(n + 8);
            firmwareUpdateDialogLogger->info("%: {}", n + 8);
        }
        emit updateText(step.shown);
    };
    auto showAny = [&](const FirmwareReplyParser::Step& step) {
        if (!step.shown.isEmpty() || !step.progress.isEmpty())
            show(step);
    };
    auto readDuringUpload = [&](bool final) {
        FirmwareReplyParser::Step step = parser.feed(socket.readAll());
        showAny(step);
        if (step.outcome == Outcome::Pending && final) {
            step = parser.finish();
            showAny(step);
        }
        if (step.outcome != Outcome::Pending) {
            file.close();
            endWithMarker(socket, step.outcome == Outcome::Success, step.detail);
            return true;
        }
        return false;
    };

    for (qint64 chunk = 0;; ++chunk) {
        const QByteArray data = file.read(chunkSize);
        if (data.isEmpty()) {
            if (file.error() != QFileDevice::NoError) {
                const QString error = file.errorString();
                socket.abort();
                error_popup(QStringLiteral("Error in File Reading"), error);
                firmwareUpdateDialogLogger->error("Error in File Reading {}", error);
                return;
            }
            break;
        }
        socket.write(data.constData(), data.size());
        if (chunk % chunksPerDot == 0) {
            emit updateText(QStringLiteral("."));
            if (ui->progressBar->value() < 8)
                ui->progressBar->setValue(ui->progressBar->value() + 1);
        }
        if (!socket.waitForBytesWritten(socketWaitMs)) {
            if (readDuringUpload(true))
                return;
            socketError(socket);
            return;
        }
        if (socket.bytesAvailable() > 0 && readDuringUpload(false))
            return;
        keepWindowAlive();
    }
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(socketWaitMs)) {
            if (readDuringUpload(true))
                return;
            socketError(socket);
            return;
        }
    }

    emit updateText(QStringLiteral("\nFiwmware uploaded"));
    ui->progressBar->setValue(8);
    file.close();
    firmwareUpdateDialogLogger->debug("Firmware uploaded");
    emit updateText(QStringLiteral("\nFiwmware Installation (this procedure may take several minutes)\n"));
    firmwareUpdateDialogLogger->info("Fiwmware Installation (this procedure may take several minutes)");

    // The socket is waited on in short slices with events processed between
    // them, so the window stays live; a silent socket wait still ends with a
    // dot, and a marker held back for its rest is judged then.
    QElapsedTimer silence; // since the supply last said anything
    QElapsedTimer pass;    // since the last text or dot
    silence.start();
    pass.start();
    for (;;) {
        const qint64 left = installSilenceLimitMs - silence.elapsed();
        const int wait = int(std::clamp<qint64>(std::min<qint64>(left, socketWaitMs - pass.elapsed()), 1, waitSliceMs));
        FirmwareReplyParser::Step step;
        // Bytes read in while events were processed, or while the last chunk
        // was written, already sit in the socket's buffer, and waitForReadyRead
        // waits only for more: a verdict there would never be looked at.
        const bool received = socket.bytesAvailable() > 0 || socket.waitForReadyRead(wait);
        if (received) {
            silence.restart();
            pass.restart();
            step = parser.feed(socket.readAll());
            showAny(step);
        }
        const QAbstractSocket::SocketError error = socket.error();
        const bool broken =
            error != QAbstractSocket::SocketTimeoutError && error != QAbstractSocket::UnknownSocketError;
        const bool silentPass = !received && pass.elapsed() >= socketWaitMs;
        if (step.outcome == Outcome::Pending && (broken || silentPass) && parser.holding()) {
            step = parser.feed(socket.readAll());
            showAny(step);
            if (step.outcome == Outcome::Pending) {
                step = parser.finish();
                showAny(step);
            }
        }
        if (step.outcome != Outcome::Pending) {
            endWithMarker(socket, step.outcome == Outcome::Success, step.detail);
            return;
        }
        if (broken || silence.elapsed() >= installSilenceLimitMs) {
            socketError(socket);
            return;
        }
        if (silentPass) {
            emit updateText(QStringLiteral("."));
            pass.restart();
        }
        keepWindowAlive();
    }
}
