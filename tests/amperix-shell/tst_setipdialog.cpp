// Connection-settings dialog: what it loads from the store, what it hands on,
// what the user may type, and when it writes.

#include "setipdialog.h"

#include "tempsettings.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QValidator>

#include <memory>

namespace
{
QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                     QStringLiteral("Amperix"));
}

struct Fields {
    QLineEdit* ip = nullptr;
    QLineEdit* port = nullptr;
    QSpinBox* refresh = nullptr;
    QSpinBox* timeout = nullptr;
    QPushButton* save = nullptr;
    QDialogButtonBox* buttons = nullptr;
};

Fields fieldsOf(SetIpDialog& d)
{
    Fields f;
    f.ip = d.findChild<QLineEdit*>(QStringLiteral("ip_lineEdit"));
    f.port = d.findChild<QLineEdit*>(QStringLiteral("ip_port_lineEdit"));
    f.refresh = d.findChild<QSpinBox*>(QStringLiteral("spinBox_refresh"));
    f.timeout = d.findChild<QSpinBox*>(QStringLiteral("spinBox_timeout"));
    f.save = d.findChild<QPushButton*>(QStringLiteral("save_pushButton"));
    f.buttons = d.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return f;
}
} // namespace

class SetIpDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyStoreShowsDefaultsAndWritesNothing();
    void storedValuesAreClamped_data();
    void storedValuesAreClamped();
    void storedAddressIsShownUnchecked();
    void addressIsNormalised_data();
    void addressIsNormalised();
    void addressValidator_data();
    void addressValidator();
    void portValidator_data();
    void portValidator();
    void typingIsConstrained_data();
    void typingIsConstrained();
    void saveWritesFieldsAsTyped();
    void okAndCancelNeverWrite_data();
    void okAndCancelNeverWrite();
    void settersSetFields();

private:
    std::unique_ptr<TempSettings> settings;
};

void SetIpDialogTest::init()
{
    settings = std::make_unique<TempSettings>();
}

void SetIpDialogTest::cleanup()
{
    settings.reset();
}

void SetIpDialogTest::emptyStoreShowsDefaultsAndWritesNothing()
{
    SetIpDialog dialog;
    const Fields f = fieldsOf(dialog);
    QCOMPARE(f.ip->text(), QStringLiteral("192.168.0.10"));
    QCOMPARE(f.port->text(), QStringLiteral("10001"));
    QCOMPARE(f.refresh->value(), 50);
    QCOMPARE(f.timeout->value(), 1000);

    QCOMPARE(dialog.get_ip(), QStringLiteral("192.168.0.10"));
    QCOMPARE(dialog.get_port(), QStringLiteral("10001"));
    QCOMPARE(dialog.getRefresh(), QStringLiteral("50"));
    QCOMPARE(dialog.getTimeout(), QStringLiteral("1000"));

    QVERIFY(store().allKeys().isEmpty());
}

void SetIpDialogTest::storedValuesAreClamped_data()
{
    QTest::addColumn<QString>("storedRefresh");
    QTest::addColumn<QString>("storedTimeout");
    QTest::addColumn<QString>("refresh");
    QTest::addColumn<QString>("timeout");

    QTest::newRow("in range") << "200"
                              << "3000"
                              << "200"
                              << "3000";
    QTest::newRow("above maximum") << "5000"
                                   << "20000"
                                   << "1000"
                                   << "10000";
    QTest::newRow("below minimum") << "10"
                                   << "50"
                                   << "50"
                                   << "1000";
    QTest::newRow("not numbers") << "fast"
                                 << "slow"
                                 << "50"
                                 << "1000";
    QTest::newRow("negative") << "-100"
                              << "-1"
                              << "50"
                              << "1000";
    QTest::newRow("bounds") << "1000"
                            << "10000"
                            << "1000"
                            << "10000";
}

void SetIpDialogTest::storedValuesAreClamped()
{
    QFETCH(QString, storedRefresh);
    QFETCH(QString, storedTimeout);
    {
        QSettings s = store();
        s.setValue(QStringLiteral("data_refresh"), storedRefresh);
        s.setValue(QStringLiteral("socket_wait"), storedTimeout);
    }
    SetIpDialog dialog;
    QTEST(dialog.getRefresh(), "refresh");
    QTEST(dialog.getTimeout(), "timeout");
    QTEST(QString::number(fieldsOf(dialog).refresh->value()), "refresh");
    QTEST(QString::number(fieldsOf(dialog).timeout->value()), "timeout");
}

void SetIpDialogTest::storedAddressIsShownUnchecked()
{
    {
        QSettings s = store();
        s.setValue(QStringLiteral("ip_address"), QStringLiteral("300.1.2.3"));
        s.setValue(QStringLiteral("port"), QStringLiteral("80"));
    }
    SetIpDialog dialog;
    QCOMPARE(fieldsOf(dialog).ip->text(), QStringLiteral("300.1.2.3"));
    QCOMPARE(dialog.get_ip(), QStringLiteral("300.1.2.3"));
    QCOMPARE(dialog.get_port(), QStringLiteral("80"));
}

void SetIpDialogTest::addressIsNormalised_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("handed");

    QTest::newRow("plain") << "192.168.0.10"
                           << "192.168.0.10";
    QTest::newRow("leading zeros lose one") << "192.168.001.010"
                                            << "192.168.01.10";
    QTest::newRow("two zeros") << "00.0.0.1"
                               << "0.0.0.1";
    QTest::newRow("trailing dot") << "192.168.1."
                                  << "192.168.1.0";
    QTest::newRow("empty parts") << "10..1."
                                 << "10.0.1.0";
    QTest::newRow("empty field") << ""
                                 << "0";
    QTest::newRow("single zero kept") << "0.0.0.0"
                                      << "0.0.0.0";
}

void SetIpDialogTest::addressIsNormalised()
{
    QFETCH(QString, typed);
    SetIpDialog dialog;
    fieldsOf(dialog).ip->setText(typed);
    QTEST(dialog.get_ip(), "handed");
    QTEST(SetIpDialog::normaliseAddress(typed), "handed");
}

void SetIpDialogTest::addressValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");

    QTest::newRow("complete") << "192.168.0.10" << int(QValidator::Acceptable);
    QTest::newRow("leading zeros") << "007.010.0.1" << int(QValidator::Acceptable);
    QTest::newRow("highest") << "255.255.255.255" << int(QValidator::Acceptable);
    QTest::newRow("three parts") << "192.168.1" << int(QValidator::Intermediate);
    QTest::newRow("trailing dot") << "192.168.1." << int(QValidator::Intermediate);
    QTest::newRow("part above 255") << "192.256" << int(QValidator::Invalid);
    QTest::newRow("fifth part") << "1.2.3.4.5" << int(QValidator::Invalid);
    QTest::newRow("four digits") << "1000" << int(QValidator::Invalid);
    QTest::newRow("letters") << "192.a" << int(QValidator::Invalid);
}

void SetIpDialogTest::addressValidator()
{
    QFETCH(QString, text);
    SetIpDialog dialog;
    const QValidator* v = fieldsOf(dialog).ip->validator();
    QVERIFY(v);
    int pos = text.size();
    QTEST(int(v->validate(text, pos)), "state");
}

void SetIpDialogTest::portValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");

    QTest::newRow("lowest") << "1000" << int(QValidator::Acceptable);
    QTest::newRow("default") << "10001" << int(QValidator::Acceptable);
    QTest::newRow("highest") << "65535" << int(QValidator::Acceptable);
    QTest::newRow("below 1000 never completes") << "999" << int(QValidator::Intermediate);
    QTest::newRow("leading zero") << "0" << int(QValidator::Invalid);
    QTest::newRow("leading zero, more digits") << "01000" << int(QValidator::Invalid);
    QTest::newRow("65536") << "65536" << int(QValidator::Invalid);
    QTest::newRow("70000") << "70000" << int(QValidator::Invalid);
    QTest::newRow("six digits") << "100000" << int(QValidator::Invalid);
}

void SetIpDialogTest::portValidator()
{
    QFETCH(QString, text);
    SetIpDialog dialog;
    const QValidator* v = fieldsOf(dialog).port->validator();
    QVERIFY(v);
    int pos = text.size();
    QTEST(int(v->validate(text, pos)), "state");
}

void SetIpDialogTest::typingIsConstrained_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("result");

    QTest::newRow("port 65536") << "ip_port_lineEdit"
                                << "65536"
                                << "6553";
    QTest::newRow("port 70000") << "ip_port_lineEdit"
                                << "70000"
                                << "7000";
    QTest::newRow("port leading zero") << "ip_port_lineEdit"
                                       << "01000"
                                       << "1000";
    QTest::newRow("port 65535") << "ip_port_lineEdit"
                                << "65535"
                                << "65535";
    QTest::newRow("address part 256") << "ip_lineEdit"
                                      << "10.256"
                                      << "10.25";
    QTest::newRow("address fifth part") << "ip_lineEdit"
                                        << "1.2.3.4.5"
                                        << "1.2.3.45";
    QTest::newRow("address letters") << "ip_lineEdit"
                                     << "10.x0.0.1"
                                     << "10.0.0.1";
}

void SetIpDialogTest::typingIsConstrained()
{
    QFETCH(QString, field);
    QFETCH(QString, keys);
    SetIpDialog dialog;
    auto* edit = dialog.findChild<QLineEdit*>(field);
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, keys);
    QTEST(edit->text(), "result");
}

void SetIpDialogTest::saveWritesFieldsAsTyped()
{
    SetIpDialog dialog;
    const Fields f = fieldsOf(dialog);
    f.ip->setText(QStringLiteral("192.168.001.010"));
    f.port->setText(QStringLiteral("12345"));
    f.refresh->setValue(200);
    f.timeout->setValue(4000);
    QTest::mouseClick(f.save, Qt::LeftButton);

    QSettings s = store();
    QCOMPARE(s.value(QStringLiteral("ip_address")).toString(), QStringLiteral("192.168.001.010"));
    QCOMPARE(s.value(QStringLiteral("port")).toString(), QStringLiteral("12345"));
    QCOMPARE(s.value(QStringLiteral("data_refresh")).toString(), QStringLiteral("200"));
    QCOMPARE(s.value(QStringLiteral("socket_wait")).toString(), QStringLiteral("4000"));
    QCOMPARE(dialog.get_ip(), QStringLiteral("192.168.01.10"));

    // A fresh dialog loads what was saved.
    SetIpDialog again;
    QCOMPARE(fieldsOf(again).ip->text(), QStringLiteral("192.168.001.010"));
    QCOMPARE(again.getRefresh(), QStringLiteral("200"));
    QCOMPARE(again.getTimeout(), QStringLiteral("4000"));
}

void SetIpDialogTest::okAndCancelNeverWrite_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << int(QDialogButtonBox::Ok) << int(QDialog::Accepted);
    QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << int(QDialog::Rejected);
}

void SetIpDialogTest::okAndCancelNeverWrite()
{
    QFETCH(int, button);
    SetIpDialog dialog;
    const Fields f = fieldsOf(dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    f.ip->setText(QStringLiteral("10.0.0.2"));
    f.refresh->setValue(300);
    // A Return that corrects a field ends there: the user sees the correction.
    f.timeout->selectAll();
    QTest::keyClicks(f.timeout, QStringLiteral("5"));
    QTest::keyClick(f.timeout, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(f.timeout->text(), QStringLiteral("1000"));
    QTest::mouseClick(f.buttons->button(QDialogButtonBox::StandardButton(button)), Qt::LeftButton);

    QTEST(dialog.result(), "result");
    QVERIFY(!dialog.isVisible());
    QVERIFY(store().allKeys().isEmpty());
    // The edits stay for the next opening, also after Cancel.
    QCOMPARE(f.ip->text(), QStringLiteral("10.0.0.2"));
    QCOMPARE(dialog.getRefresh(), QStringLiteral("300"));
}

void SetIpDialogTest::settersSetFields()
{
    SetIpDialog dialog;
    dialog.set_ip(QStringLiteral("10.1.2.3"));
    dialog.set_port(QStringLiteral("2000"));
    dialog.setRefresh(QStringLiteral("5000"));
    dialog.setTimeout(QStringLiteral("1500"));
    QCOMPARE(dialog.get_ip(), QStringLiteral("10.1.2.3"));
    QCOMPARE(dialog.get_port(), QStringLiteral("2000"));
    QCOMPARE(dialog.getRefresh(), QStringLiteral("1000"));
    QCOMPARE(dialog.getTimeout(), QStringLiteral("1500"));
    QVERIFY(store().allKeys().isEmpty());
}

QTEST_MAIN(SetIpDialogTest)
#include "tst_setipdialog.moc"
