#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QTcpSocket;

namespace Ui
{
class FirmwareUpdateDialog;
}

// Uploads a firmware file ("*.updt") to the supply over a connection of its
// own and follows the installation. The main window prepares it with the
// supply's address before each opening.
class FirmwareUpdateDialog : public QDialog
{
    Q_OBJECT

public:
    // Asks the user for a file to open; returns an empty text when cancelled.
    // Same arguments as QFileDialog::getOpenFileName.
    using FileChooser = std::function<QString(QWidget* parent, const QString& caption, const QString& dir,
                                              const QString& filter)>;

    explicit FirmwareUpdateDialog(QWidget* parent = nullptr);
    ~FirmwareUpdateDialog() override;

    void prepare_dialog(QString ip, QString port);

    // The supply's firmware port; tests point the dialog at a simulator's.
    void setUploadPort(quint16 port) { uploadPort = port; }
    // How long an installation may stay silent before it is given up.
    void setInstallSilenceLimit(int ms) { installSilenceLimitMs = ms; }
    bool isUploading() const { return uploading; }

    // While an upload runs the dialog stays open.
    void setVisible(bool visible) override;
    void done(int result) override;

    // Replaces the file chooser of every dialog (tests answer it this way);
    // an empty function restores QFileDialog.
    static void setFileChooser(FileChooser chooser);

    // The folder "Firmware_PS" beside the program's folder. The file chooser
    // opens there and the main window scans it for newer firmware.
    QString default_firmware_path;

public slots:
    void on_browse_Button_clicked();
    void on_update_firwmare_button_clicked();

signals:
    void updateText(const QString str);
    void clearText();

private slots:
    void update_text_browser(const QString str);
    void clear_text_browser();
    void error_popup(QString name, QString details);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setControlsEnabled(bool enabled);
    void upload();
    void endWithMarker(QTcpSocket& socket, bool success, const QString& detail);
    void socketError(QTcpSocket& socket);
    void keepWindowAlive();

    Ui::FirmwareUpdateDialog* ui;
    QString ip_add;
    QString ip_port;
    quint16 uploadPort = 13192;
    int installSilenceLimitMs = 10 * 60 * 1000;
    bool uploading = false;
};
