#pragma once

#include <QDialog>
#include <QString>

namespace Ui
{
class New_connection_dialog;
}
class QRegExpValidator;

// Where a box is reached: over Ethernet by an IP address, or over a serial
// port by its name. The main window keeps one instance and runs it for every
// new row and every address change; the choice lives in the widgets, so each
// run starts from what the previous one left.
//
// OK is offered only for a usable choice: Ethernet with a complete address of
// four decimal parts 0-255 (not 0.0.0.0), or Serial with a port listed.
class New_connection_dialog : public QDialog
{
    Q_OBJECT

public:
    explicit New_connection_dialog(QWidget* parent = nullptr);
    ~New_connection_dialog() override;

    // The address in plain dotted decimal (leading zeros dropped, so nothing
    // can read a part as octal); empty while the field holds no usable address.
    QString ip_address() const;
    // The selected port name, empty when no port is listed.
    QString com_port() const;
    bool is_ethernet() const;
    // Shows a row's present address before the dialog is run again.
    void preset(bool is_tcp, const QString& ip, const QString& com);

    // Whether OK would be accepted now.
    bool choice_is_usable() const;
    // `text` as plain dotted decimal when it is four decimal parts 0-255 and
    // not 0.0.0.0; otherwise an empty text.
    static QString normalized_address(const QString& text);

public slots:
    void accept() override;

private slots:
    void toggle_groupBox_Eth();
    void toggle_groupBox_Serial();
    void showPortInfo(int idx);

private:
    void fill_port_list();
    void update_ok_button();

    Ui::New_connection_dialog* ui;
    QRegExpValidator* ip_validator;
};
