#include "setipdialog.h"
#include "ui_setipdialog.h"

#include "deliberateinput.h"
#include "screenfit.h"
#include "typedinput.h"

#include "amperixsettings.h"
#include "loggers.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace
{
const QString defaultAddress = QStringLiteral("192.168.0.10");
const QString defaultPort = QStringLiteral("10001");
// Both lie below their spin box's minimum on purpose: a missing key shows,
// and is handed on as, the spin box's minimum.
const QString defaultRefresh = QStringLiteral("10");
const QString defaultTimeout = QStringLiteral("50");

const QString octet = QStringLiteral("(?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])");
} // namespace

SetIpDialog::SetIpDialog(QWidget* parent) : QDialog(parent), ui(new Ui::SetIpDialog)
{
    ui->setupUi(this);
    fitToScreen(this);
    showValuesWhole(this);
    guardWheel(this);
    keepSentAsShown(this);

    const QString addressPattern = QStringLiteral("^") + octet + QStringLiteral("\\.") + octet +
                                   QStringLiteral("\\.") + octet + QStringLiteral("\\.") + octet +
                                   QStringLiteral("$");
    ui->ip_lineEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(addressPattern), this));
    const QString portPattern = QStringLiteral(
        "^([1-9]\\d\\d\\d|[1-5]\\d\\d\\d\\d|6[0-4]\\d\\d\\d|65[0-4]\\d\\d|655[0-2]\\d|6553[0-5])$");
    ui->ip_port_lineEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(portPattern), this));

    // Stored texts are shown as they are, even ones the validators would not
    // let the user type; the spin boxes clamp what does not fit their range.
    QSettings settings = AmperixSettings::open();
    ui->ip_lineEdit->setText(settings.value(AmperixSettings::ipAddressKey, defaultAddress).toString());
    ui->ip_port_lineEdit->setText(settings.value(AmperixSettings::portKey, defaultPort).toString());
    ui->spinBox_refresh->setValue(
        settings.value(AmperixSettings::dataRefreshKey, defaultRefresh).toString().toInt(nullptr, 10));
    ui->spinBox_timeout->setValue(
        settings.value(AmperixSettings::socketWaitKey, defaultTimeout).toString().toInt(nullptr, 10));

    setIpDialogLogger->info("SetIpDialog initialized");
}

SetIpDialog::~SetIpDialog()
{
    delete ui;
    setIpDialogLogger->info("SetIpDialog destroyed");
}

QString SetIpDialog::normaliseAddress(const QString& typed)
{
    QString parsed;
    const QStringList parts = typed.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    for (const QString& part : parts) {
        if (part.isEmpty())
            parsed += QLatin1String("0.");
        else if (part.size() > 1 && part.startsWith(QLatin1Char('0')))
            parsed += part.mid(1) + QLatin1Char('.');
        else
            parsed += part + QLatin1Char('.');
    }
    parsed.chop(1);
    return parsed;
}

QString SetIpDialog::get_ip()
{
    setIpDialogLogger->trace("get_ip called");
    const QString typed = ui->ip_lineEdit->text();
    setIpDialogLogger->debug("ip = {}", typed);
    const QString parsed = normaliseAddress(typed);
    setIpDialogLogger->debug("parsedIP = {}", parsed);
    return parsed;
}

QString SetIpDialog::get_port()
{
    setIpDialogLogger->trace("get_port called");
    return ui->ip_port_lineEdit->text();
}

QString SetIpDialog::getRefresh()
{
    setIpDialogLogger->trace("getRefresh called");
    return QString::number(ui->spinBox_refresh->value());
}

QString SetIpDialog::getTimeout()
{
    setIpDialogLogger->trace("getTimeout called");
    return QString::number(ui->spinBox_timeout->value());
}

void SetIpDialog::set_ip(QString address)
{
    setIpDialogLogger->trace("set_ip called, address = {}", address);
    ui->ip_lineEdit->setText(address);
}

void SetIpDialog::set_port(QString port)
{
    setIpDialogLogger->trace("set_port called, port = {}", port);
    ui->ip_port_lineEdit->setText(port);
}

void SetIpDialog::setRefresh(QString value)
{
    setIpDialogLogger->trace("setRefresh called, value = {}", value);
    ui->spinBox_refresh->setValue(value.toInt(nullptr, 10));
}

void SetIpDialog::setTimeout(QString value)
{
    setIpDialogLogger->trace("setTimeout called, value = {}", value);
    ui->spinBox_timeout->setValue(value.toInt(nullptr, 10));
}

void SetIpDialog::on_save_pushButton_clicked()
{
    setIpDialogLogger->trace("on_save_pushButton_clicked called");
    QSettings settings = AmperixSettings::open();
    // The address is stored as typed; only get_ip() normalises it.
    settings.setValue(AmperixSettings::ipAddressKey, ui->ip_lineEdit->text());
    settings.setValue(AmperixSettings::portKey, ui->ip_port_lineEdit->text());
    settings.setValue(AmperixSettings::dataRefreshKey, QString::number(ui->spinBox_refresh->value()));
    settings.setValue(AmperixSettings::socketWaitKey, QString::number(ui->spinBox_timeout->value()));
}
