#pragma once

#include <QDialog>
#include <QString>

namespace Ui
{
class SetIpDialog;
}

// Small modal dialog holding how Amperix reaches the supply: address, port,
// polling period and socket reply time-out. The widgets are the only state;
// the values are loaded from the settings store once and written back only
// by "Save Configuration".
class SetIpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetIpDialog(QWidget* parent = nullptr);
    ~SetIpDialog() override;

    // The address with each part's single leading zero removed and empty
    // parts read as 0, e.g. "192.168.001.010" -> "192.168.01.10".
    QString get_ip();
    QString get_port();
    QString getRefresh();
    QString getTimeout();

    void set_ip(QString address);
    void set_port(QString port);
    void setRefresh(QString value);
    void setTimeout(QString value);

    // The address normalisation of get_ip(), without the dialog.
    static QString normaliseAddress(const QString& typed);

private slots:
    void on_save_pushButton_clicked();

private:
    Ui::SetIpDialog* ui;
};
