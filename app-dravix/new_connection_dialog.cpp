#include "new_connection_dialog.h"
#include "ui_new_connection_dialog.h"

#include "deliberateinput.h"
#include "screenfit.h"

#include "serialportsource.h"

#include <QPushButton>
#include <QRegExp>
#include <QRegExpValidator>

namespace
{

const char octet[] = "(?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])";

QString ipPattern()
{
    const QString part = QString::fromLatin1(octet);
    return QStringLiteral("^") + part + QStringLiteral("\\.") + part + QStringLiteral("\\.") + part +
           QStringLiteral("\\.") + part + QStringLiteral("$");
}

} // namespace

New_connection_dialog::New_connection_dialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::New_connection_dialog), ip_validator(nullptr)
{
    ui->setupUi(this);
    fitToScreen(this);
    showValuesWhole(this);
    guardWheel(this);

    ip_validator = new QRegExpValidator(QRegExp(ipPattern(), Qt::CaseSensitive, QRegExp::RegExp), this);
    ui->lineEdit_IP_address->setValidator(ip_validator);
    ui->lineEdit_IP_address->setText(QStringLiteral("192.168.0.10"));

    connect(ui->groupBox_Ethernet, &QGroupBox::clicked, this, &New_connection_dialog::toggle_groupBox_Eth);
    connect(ui->groupBox_Serial, &QGroupBox::clicked, this, &New_connection_dialog::toggle_groupBox_Serial);
    connect(ui->serialPortInfoListBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &New_connection_dialog::showPortInfo);

    // OK follows every change that can make the choice usable or not.
    connect(ui->lineEdit_IP_address, &QLineEdit::textChanged, this, &New_connection_dialog::update_ok_button);
    connect(ui->groupBox_Ethernet, &QGroupBox::toggled, this, &New_connection_dialog::update_ok_button);
    connect(ui->groupBox_Serial, &QGroupBox::toggled, this, &New_connection_dialog::update_ok_button);
    connect(ui->serialPortInfoListBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &New_connection_dialog::update_ok_button);

    setWindowTitle(QStringLiteral("IP / COM"));
    update_ok_button();
}

New_connection_dialog::~New_connection_dialog()
{
    delete ui;
}

QString New_connection_dialog::normalized_address(const QString& text)
{
    static const QRegExp fourParts(QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    QRegExp rx(fourParts);
    if (!rx.exactMatch(text))
        return QString();
    QStringList parts;
    bool allZero = true;
    for (int i = 1; i <= 4; ++i) {
        const int value = rx.cap(i).toInt(); // decimal, whatever the leading zeros
        if (value > 255)
            return QString();
        allZero = allZero && value == 0;
        parts.append(QString::number(value));
    }
    if (allZero)
        return QString();
    return parts.join(QLatin1Char('.'));
}

QString New_connection_dialog::ip_address() const
{
    return normalized_address(ui->lineEdit_IP_address->text());
}

QString New_connection_dialog::com_port() const
{
    return ui->serialPortInfoListBox->currentText();
}

bool New_connection_dialog::is_ethernet() const
{
    return ui->groupBox_Ethernet->isChecked();
}

bool New_connection_dialog::choice_is_usable() const
{
    if (is_ethernet())
        return !ip_address().isEmpty();
    return ui->groupBox_Serial->isChecked() && !com_port().isEmpty();
}

void New_connection_dialog::update_ok_button()
{
    if (QPushButton* ok = ui->buttonBox->button(QDialogButtonBox::Ok))
        ok->setEnabled(choice_is_usable());
}

void New_connection_dialog::accept()
{
    // OK is disabled for an unusable choice; this also holds for any other
    // way of accepting.
    if (!choice_is_usable())
        return;
    QDialog::accept();
}

void New_connection_dialog::preset(bool is_tcp, const QString& ip, const QString& com)
{
    if (is_tcp) {
        ui->groupBox_Ethernet->setChecked(true);
        ui->groupBox_Serial->setChecked(false);
        ui->lineEdit_IP_address->setText(ip);
    } else {
        ui->groupBox_Ethernet->setChecked(false);
        ui->groupBox_Serial->setChecked(true);
        fill_port_list();
        ui->serialPortInfoListBox->setCurrentText(com);
    }
    update_ok_button();
}

void New_connection_dialog::toggle_groupBox_Eth()
{
    if (ui->groupBox_Ethernet->isChecked()) {
        ui->groupBox_Serial->setChecked(false);
    } else {
        ui->groupBox_Serial->setChecked(true);
        fill_port_list();
    }
    update_ok_button();
}

void New_connection_dialog::toggle_groupBox_Serial()
{
    if (ui->groupBox_Serial->isChecked()) {
        ui->groupBox_Ethernet->setChecked(false);
        fill_port_list();
    } else {
        ui->groupBox_Ethernet->setChecked(true);
    }
    update_ok_button();
}

void New_connection_dialog::showPortInfo(int idx)
{
    if (idx == -1)
        return;
    const QStringList list = ui->serialPortInfoListBox->itemData(idx).toStringList();
    ui->label_description->setText(list.value(1));
}

void New_connection_dialog::fill_port_list()
{
    static const QString blankString = tr("N/A");
    auto orBlank = [](const QString& s) { return s.isEmpty() ? blankString : s; };
    auto hexOrBlank = [](quint16 id) { return id ? QString::number(id, 16) : blankString; };

    ui->serialPortInfoListBox->clear();
    const QList<SerialPortEntry> ports = SerialPortSource::availablePorts();
    for (const SerialPortEntry& port : ports) {
        const QStringList list{port.portName,
                               orBlank(port.description),
                               orBlank(port.manufacturer),
                               orBlank(port.serialNumber),
                               port.systemLocation,
                               hexOrBlank(port.vendorIdentifier),
                               hexOrBlank(port.productIdentifier)};
        ui->serialPortInfoListBox->addItem(list.first(), list);
        // The list is narrow; a long device path shows whole on hover.
        ui->serialPortInfoListBox->setItemData(ui->serialPortInfoListBox->count() - 1, port.systemLocation,
                                               Qt::ToolTipRole);
    }
    update_ok_button();
}
