// The new-connection dialog: address field, OK only for a usable choice,
// the Ethernet/Serial switch and the port list from the port source.

#include "new_connection_dialog.h"
#include "serialportsource.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class NewConnectionDialogTest : public QObject
{
    Q_OBJECT

private:
    QList<SerialPortEntry> ports;
    int sourceCalls = 0;

    static QLineEdit* ipField(New_connection_dialog& d)
    {
        return d.findChild<QLineEdit*>("lineEdit_IP_address");
    }
    static QGroupBox* group(New_connection_dialog& d, const char* name)
    {
        return d.findChild<QGroupBox*>(name);
    }
    static QComboBox* portList(New_connection_dialog& d)
    {
        return d.findChild<QComboBox*>("serialPortInfoListBox");
    }
    static QPushButton* okButton(New_connection_dialog& d)
    {
        return d.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
    }
    // A user's click on a checkable group box's title (Space toggles it and
    // emits clicked(), as the mouse does).
    static void clickGroup(QGroupBox* box) { QTest::keyClick(box, Qt::Key_Space); }

    static SerialPortEntry entry(const QString& name, const QString& description, quint16 vid = 0,
                                 quint16 pid = 0)
    {
        SerialPortEntry e;
        e.portName = name;
        e.description = description;
        e.systemLocation = QStringLiteral("/dev/") + name;
        e.vendorIdentifier = vid;
        e.productIdentifier = pid;
        return e;
    }

private slots:
    void init()
    {
        ports = {entry("ttyUSB0", "FT232R USB UART", 0x0403, 0x6001), entry("ttyS0", QString())};
        ports[0].manufacturer = QStringLiteral("FTDI");
        ports[0].serialNumber = QStringLiteral("A50285BI");
        sourceCalls = 0;
        SerialPortSource::setProvider([this] {
            ++sourceCalls;
            return ports;
        });
    }
    void cleanup() { SerialPortSource::setProvider({}); }

    void startsOnEthernetWithDefaultAddress()
    {
        New_connection_dialog d;
        QCOMPARE(d.windowTitle(), QStringLiteral("IP / COM"));
        QVERIFY(d.is_ethernet());
        QVERIFY(!group(d, "groupBox_Serial")->isChecked());
        QCOMPARE(ipField(d)->text(), QStringLiteral("192.168.0.10"));
        QCOMPARE(d.ip_address(), QStringLiteral("192.168.0.10"));
        QCOMPARE(d.com_port(), QString());
        QVERIFY(okButton(d)->isEnabled());
        QCOMPARE(sourceCalls, 0); // the list is filled only when Serial is chosen
        QCOMPARE(ipField(d)->maxLength(), 15);
    }

    void typingKeepsToDottedOctets_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "10.0.0.1"
                               << "10.0.0.1";
        QTest::newRow("256 cannot be typed") << "256"
                                             << "25";
        QTest::newRow("leading zeros can") << "001.002.003.004"
                                           << "001.002.003.004";
        QTest::newRow("letters refused") << "1a.2"
                                         << "1.2";
        QTest::newRow("fifth part refused") << "1.2.3.4.5"
                                            << "1.2.3.45";
        QTest::newRow("at most 15 characters") << "100.100.100.1000"
                                               << "100.100.100.100";
    }
    void typingKeepsToDottedOctets()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        New_connection_dialog d;
        ipField(d)->clear();
        QTest::keyClicks(ipField(d), typed);
        QCOMPARE(ipField(d)->text(), shown);
    }

    // OK only for four decimal parts; what is returned never reads as octal.
    void okOnlyForUsableAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("returned");
        QTest::newRow("complete") << "192.168.0.20" << true << "192.168.0.20";
        QTest::newRow("incomplete") << "192.168.0." << false << "";
        QTest::newRow("three parts") << "10.1.2" << false << "";
        QTest::newRow("leading zeros read as decimal") << "010.001.000.009" << true << "10.1.0.9";
        QTest::newRow("any address") << "0.0.0.0" << false << "";
        QTest::newRow("any address with zeros") << "000.00.0.000" << false << "";
        QTest::newRow("broadcast") << "255.255.255.255" << true << "255.255.255.255";
        QTest::newRow("empty") << "" << false << "";
    }
    void okOnlyForUsableAddress()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, returned);
        New_connection_dialog d;
        ipField(d)->setText(text);
        QCOMPARE(okButton(d)->isEnabled(), ok);
        QCOMPARE(d.ip_address(), returned);

        d.show();
        d.accept();
        QCOMPARE(d.result() == QDialog::Accepted, ok);
        QCOMPARE(d.isVisible(), !ok);
    }

    void serialWithoutPortsIsRefused()
    {
        ports.clear();
        New_connection_dialog d;
        clickGroup(group(d, "groupBox_Serial"));
        QVERIFY(!d.is_ethernet());
        QCOMPARE(portList(d)->count(), 0);
        QCOMPARE(d.com_port(), QString());
        QCOMPARE(d.findChild<QLabel*>("label_description")->text(), QString());
        QVERIFY(!okButton(d)->isEnabled());
        d.show();
        d.accept();
        QVERIFY(d.isVisible());
        QVERIFY(d.result() != QDialog::Accepted);
    }

    void portEntriesCarrySevenTexts()
    {
        New_connection_dialog d;
        clickGroup(group(d, "groupBox_Serial"));
        QComboBox* list = portList(d);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), QStringLiteral("ttyUSB0"));
        QCOMPARE(list->itemData(0).toStringList(), QStringList({"ttyUSB0", "FT232R USB UART", "FTDI",
                                                                "A50285BI", "/dev/ttyUSB0", "403", "6001"}));
        QCOMPARE(list->itemData(1).toStringList(),
                 QStringList({"ttyS0", "N/A", "N/A", "N/A", "/dev/ttyS0", "N/A", "N/A"}));
        QCOMPARE(d.com_port(), QStringLiteral("ttyUSB0"));
        QCOMPARE(d.findChild<QLabel*>("label_description")->text(), QStringLiteral("FT232R USB UART"));
        list->setCurrentIndex(1);
        QCOMPARE(d.findChild<QLabel*>("label_description")->text(), QStringLiteral("N/A"));
        QVERIFY(okButton(d)->isEnabled());
    }

    void groupsSwitchEachOther()
    {
        New_connection_dialog d;
        QGroupBox* eth = group(d, "groupBox_Ethernet");
        QGroupBox* serial = group(d, "groupBox_Serial");

        clickGroup(eth); // unchecks Ethernet: Serial takes over and is filled
        QVERIFY(!eth->isChecked());
        QVERIFY(serial->isChecked());
        QCOMPARE(sourceCalls, 1);

        clickGroup(eth); // back to Ethernet, the list is left alone
        QVERIFY(eth->isChecked());
        QVERIFY(!serial->isChecked());
        QCOMPARE(sourceCalls, 1);
        QCOMPARE(portList(d)->count(), 2);

        clickGroup(serial);
        QVERIFY(serial->isChecked());
        QVERIFY(!eth->isChecked());
        QCOMPARE(sourceCalls, 2);
        clickGroup(serial);
        QVERIFY(eth->isChecked());
        QVERIFY(!serial->isChecked());
    }

    void presetShowsRowAddress()
    {
        New_connection_dialog d;
        d.preset(false, QString(), QStringLiteral("ttyS0"));
        QVERIFY(!d.is_ethernet());
        QCOMPARE(d.com_port(), QStringLiteral("ttyS0"));

        d.preset(false, QString(), QStringLiteral("gone"));
        QCOMPARE(d.com_port(), QStringLiteral("ttyUSB0")); // stays on the first port

        d.preset(true, QStringLiteral("10.0.0.7"), QStringLiteral("ttyS0"));
        QVERIFY(d.is_ethernet());
        QCOMPARE(d.ip_address(), QStringLiteral("10.0.0.7"));
        QCOMPARE(portList(d)->count(), 2);

        ports.clear();
        d.preset(false, QString(), QStringLiteral("ttyS0"));
        QCOMPARE(portList(d)->currentIndex(), -1);
        QVERIFY(!okButton(d)->isEnabled());
    }

    void extraPathsJoinTheSystemList()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("ptyA");
        const QString b = dir.filePath("ptyB");
        for (const QString& path : {a, b}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        SerialPortEntry known;
        known.portName = QStringLiteral("ttyS0");
        known.systemLocation = b; // already listed by the system
        const QString value = a + QDir::listSeparator() + dir.filePath("missing") + QDir::listSeparator() +
                              b + QDir::listSeparator() + a;
        const QList<SerialPortEntry> extra = SerialPortSource::extraPorts(value, {known});
        QCOMPARE(extra.size(), 1);
        QCOMPARE(extra.first().portName, a);
        QCOMPARE(extra.first().systemLocation, a);
        QCOMPARE(extra.first().vendorIdentifier, quint16(0));
    }
};

QTEST_MAIN(NewConnectionDialogTest)
#include "tst_new_connection.moc"
