#include "firmwareupdatedialog.h"
#include "ui_firmwareupdatedialog.h"

#include "loggers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QScrollBar>

namespace
{

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
