// The set-up dialog against box-sim over TCP: the refresh shows the
// simulator's values, applies change its state and the read-back shows
// them, SD files are listed, fetched and saved byte for byte, and the main
// window opens the dialog from a row's button.

#include "dcct_thread.h"
#include "mainwindow.h"
#include "programinfo.h"
#include "prompts.h"
#include "setup_dialog.h"
#include "simulatorprocess.h"
#include "tempsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace
{

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 15000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// A box worker connected to a fresh simulator, and a set-up dialog wired to
// it as the main window wires it (queued status and file reports).
class SimRig
{
public:
    SimRig() : sim(QStringLiteral("box-sim")) {}

    ~SimRig()
    {
        dialog.reset();
        if (thread) {
            thread->quit();
            thread->wait(5000);
        }
        thread.reset();
        Setup_dialog::setWarningHook({});
        Setup_dialog::setQuestionHook({});
        Prompts::setSaveFileHook({});
        Prompts::setDialogHook({});
        sim.stop();
    }

    bool start(const QStringList& simArgs = {})
    {
        registerDcctDataMetaType();
        if (!sim.start(simArgs))
            return false;
        thread = std::make_unique<Dcct_thread>(true, QStringLiteral("127.0.0.1"), 80, QString());
        thread->tcp_port = QString::number(sim.port());
        thread->reply_timeout_ms = replyWaitMs;
        QObject::connect(thread.get(), &Dcct_thread::status_updated, &counter, [this] { ++reports; });
        QObject::connect(thread.get(), &Dcct_thread::file_read, &counter, [this] { ++fileReads; });
        thread->start();
        // The greeting's own queries run first; the dialog opens on an idle box.
        if (!waitUntil([this] { return thread->connected && thread->queue_length() == 0 && reports > 0; }))
            return false;

        Setup_dialog::setWarningHook(
            [this](QWidget*, const QString&, const QString& text) { warnings << text; });
        Setup_dialog::setQuestionHook(
            [](QWidget*, const QString&, const QString&) { return QMessageBox::Yes; });
        Prompts::setSaveFileHook([this](QWidget*, const QString&, const QString& proposed, const QString&) {
            proposals << proposed;
            return saveAnswer;
        });
        Prompts::setDialogHook([this](QDialog* d) {
            if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("lineEdit_password")))
                edit->setText(password);
            return int(QDialog::Accepted);
        });

        const int before = reports;
        dialog = std::make_unique<Setup_dialog>(thread.get());
        QObject::connect(thread.get(), &Dcct_thread::status_updated, dialog.get(),
                         &Setup_dialog::update_status_conf_dialog, Qt::QueuedConnection);
        QObject::connect(thread.get(), &Dcct_thread::file_read, dialog.get(),
                         &Setup_dialog::update_file_read_dialog, Qt::QueuedConnection);
        return settleAfter(before);
    }

    // Waits for the status report that follows everything queued so far.
    bool settle() { return settleAfter(reports); }

    bool settleAfter(int before)
    {
        return waitUntil([this, before] { return reports > before && thread->queue_length() == 0; }) &&
               waitUntil([this] { return w<QWidget>("progressBar_refresh")->isHidden(); });
    }

    bool click(const char* button)
    {
        const int before = reports;
        w<QPushButton>(button)->click();
        return settleAfter(before);
    }

    QString simValue(const QString& field)
    {
        if (!sim.control(QStringLiteral("get ") + field))
            return QStringLiteral("<no answer>");
        return sim.lastReply().mid(3);
    }

    template <class T> T* w(const char* name) const { return dialog->findChild<T*>(QLatin1String(name)); }

    SimulatorProcess sim;
    std::unique_ptr<Dcct_thread> thread;
    std::unique_ptr<Setup_dialog> dialog;
    QObject counter;
    int reports = 0;
    int fileReads = 0;
    QStringList warnings;
    QStringList proposals;
    QString saveAnswer;
    QString password = QStringLiteral("sentrel");
    int replyWaitMs = 3000;
};

// A control-line value that the simulator turns back into exactly `bytes`.
QString escapedForSim(const QByteArray& bytes)
{
    QString out;
    for (const char c : bytes) {
        const uchar u = uchar(c);
        if (c == '\r')
            out += QStringLiteral("\\r");
        else if (c == '\n')
            out += QStringLiteral("\\n");
        else if (c == ' ')
            out += QStringLiteral("\\s");
        else if (u < 0x20 || u >= 0x7f || c == '\\' || c == '|')
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class SetupSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void refreshShowsTheBox();
    void appliesReachTheBox();
    void passwordAndCalibration();
    void sdFileFetchedByteForByte_data();
    void sdFileFetchedByteForByte();
    void sdNameWithBlanksIsKeptWhole();
    void sdDeleteAndMount();
    void mainWindowOpensTheDialog();
    void fieldsShowTheirOwnReply_data();
    void fieldsShowTheirOwnReply();
};

// Nothing a field shows is another query's reply and nothing reaches the
// box that the user did not choose, when a reply comes 0.3 s after its wait
// (1 s) ran out or a stale line comes with it; names are kept whole, and
// one the box refuses or answers late is reported.
void SetupSimulatorTest::fieldsShowTheirOwnReply_data()
{
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QStringList>("shown"); // "widget=text" after the refresh
    QTest::addColumn<QString>("typed");     // as the name, before the button
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("held"); // "field=value" in the box afterwards
    QTest::addColumn<QString>("told");
    const QStringList limits{"set alarm_ulim 500", "set alarm_llim -500"},
        kept{"alarm_ulim=500", "alarm_llim=-500"};
    const QString alarm = "pushButton_apply_alarm", name = "pushButton_save_name", longName(64, 'L');
    QTest::newRow("upper limit late")
        << limits + QStringList{"late alarm:ulim:? 1300"}
        << QStringList{"doubleSpinBox_alaMax=not read", "doubleSpinBox_alaMin=-500.000",
                       "doubleSpinBox_gain_pos=1000.000000"}
        << "" << alarm << kept << "";
    QTest::newRow("frequency late") << limits + QStringList{"late freq:? 1300"}
                                    << QStringList{"spinBox_freq=not read", "doubleSpinBox_alaMax=500.000",
                                                   "doubleSpinBox_alaMin=-500.000"}
                                    << "" << alarm << kept << "";
    QTest::newRow("stale line and the upper limit")
        << limits + QStringList{"stale alarm:ulim:? 42"}
        << QStringList{"doubleSpinBox_alaMax=not read", "doubleSpinBox_alaMin=-500.000"} << "" << alarm
        << kept << "";
    QTest::newRow("64-character name") << QStringList{"set name_max 0", "set name " + longName}
                                       << QStringList{"lineEdit_sentrel_name=" + longName} << "" << name
                                       << QStringList{"name=" + longName} << "";
    QTest::newRow("name the box refuses")
        << QStringList() << QStringList() << QString(33, 'R') << name << QStringList{"name=SENTREL-01"}
        << "SENTREL refused the name \"" + QString(33, 'R') + "\".";
    QTest::newRow("name answered late") << QStringList{"late sentrel:name 1300 2"} << QStringList() << "NEW"
                                        << name << QStringList{"name=NEW"}
                                        << "SENTREL did not answer when its name was set to \"NEW\": whether "
                                           "it took it is not known.";
}

void SetupSimulatorTest::fieldsShowTheirOwnReply()
{
    QFETCH(QStringList, controls);
    SimRig rig;
    rig.replyWaitMs = 1000;
    QVERIFY2(rig.start({"--hold-clock"}), qPrintable(rig.sim.output()));
    for (const QString& line : qAsConst(controls))
        QVERIFY(rig.sim.control(line));
    QVERIFY(rig.click("pushButton_refresh"));
    QFETCH(QStringList, shown);
    for (const QString& s : qAsConst(shown)) {
        QWidget* field = rig.dialog->findChild<QWidget*>(s.section(QLatin1Char('='), 0, 0));
        auto* edit = qobject_cast<QLineEdit*>(field);
        QCOMPARE(edit ? edit->text() : static_cast<QAbstractSpinBox*>(field)->text(),
                 s.section(QLatin1Char('='), 1));
    }
    QFETCH(QString, typed);
    QFETCH(QString, button);
    if (!typed.isEmpty())
        rig.w<QLineEdit>("lineEdit_sentrel_name")->setText(typed);
    rig.w<QCheckBox>("checkBox_alarm")->setChecked(true); // the one change made on the alarm page
    const int before = rig.reports, warned = rig.warnings.size();
    rig.w<QPushButton>(qPrintable(button))->click();
    QVERIFY(rig.thread->queue_length() == 0 || rig.settleAfter(before)); // a refused Apply queues nothing
    QFETCH(QStringList, held);
    for (const QString& h : qAsConst(held))
        QCOMPARE(rig.simValue(h.section(QLatin1Char('='), 0, 0)), h.section(QLatin1Char('='), 1));
    QFETCH(QString, told);
    QCOMPARE(rig.warnings.mid(warned).filter(QRegularExpression("^SENTREL (refused|did not)")).join(""),
             told);
}

void SetupSimulatorTest::refreshShowsTheBox()
{
    SimRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.sim.output()));

    QCOMPARE(rig.w<QLineEdit>("lineEdit_sentrel_name")->text(), QStringLiteral("SENTREL-01"));
    QCOMPARE(rig.w<QLabel>("label_sentrel_f_ver")->text(), QStringLiteral("2.3.1"));
    QCOMPARE(rig.w<QLabel>("label_sentrel_sn")->text(), QStringLiteral("SN-2018-0042"));
    QCOMPARE(rig.w<QLabel>("label_sentrel_des")->text(), QStringLiteral("Beam line 3 DCCT readout"));
    QCOMPARE(rig.w<QLabel>("label_dcct_des")->text(), QStringLiteral("Ring DCCT, 200 mm aperture"));
    QCOMPARE(rig.w<QLabel>("label_dcct_sn")->text(), QStringLiteral("A1234"));
    QCOMPARE(rig.w<QLabel>("label_dcct_model")->text(), QStringLiteral("VANTO-300 A1234"));
    QCOMPARE(rig.w<QComboBox>("comboBox_dcct_model")->currentIndex(), 3);
    QCOMPARE(rig.w<QLabel>("label_ip_address")->text(), QStringLiteral("192.168.0.20"));
    QCOMPARE(rig.w<QLabel>("label_sub_net")->text(), QStringLiteral("255.255.255.0"));
    QCOMPARE(rig.w<QLabel>("label_gateway")->text(), QStringLiteral("192.168.0.1"));
    QCOMPARE(rig.w<QLabel>("label_mac_address")->text(), QStringLiteral("00:1A:2B:3C:4D:5E"));
    QCOMPARE(rig.w<QLineEdit>("lineEdit_new_ipAddress")->text(), QStringLiteral("192.168.0.20"));
    QCOMPARE(rig.w<QDoubleSpinBox>("spinBox_freq")->value(), 10.0);
    QCOMPARE(rig.w<QSpinBox>("spinBox_ts")->value(), 100);
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_alaMax")->value(), 200.0);
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_alaMin")->value(), -200.0);
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_gain_pos")->text(), QStringLiteral("1000.000000"));
    QCOMPARE(rig.w<QSpinBox>("spinBox_pturns")->value(), 1);
    QVERIFY(rig.w<QRadioButton>("radioButton_datalogger")->isChecked());
    QVERIFY(rig.w<QCheckBox>("checkBox_ACQ_headT")->isChecked());
    QVERIFY(rig.w<QCheckBox>("checkBox_ACQ_extT")->isChecked());
    QVERIFY(rig.w<QCheckBox>("checkBox_enable_cal")->isChecked());
    QCOMPARE(rig.w<QLabel>("label_SD_status")->text(), QStringLiteral("Mounted"));
    QCOMPARE(rig.w<QLabel>("label_matched")->text(), QStringLiteral("Yes"));
    QCOMPARE(rig.w<QPushButton>("pushButton_password")->text(), QStringLiteral("Set Password"));
    QVERIFY(!rig.w<QTabWidget>("tabWidget")->isTabEnabled(4));
    QCOMPARE(rig.w<QDateEdit>("dateEdit_date")->date().toString(QStringLiteral("dd.MM.yyyy")),
             rig.simValue("date"));
    // A reading came with the refresh.
    QVERIFY(rig.w<QDoubleSpinBox>("doubleSpinBox_current_2")->value() > 100.0);

    // Exactly the refresh went over the wire after the greeting.
    const QStringList log = rig.sim.commandLog();
    const int first = log.lastIndexOf(QStringLiteral("sentrel:name:?")) - 1;
    QVERIFY(first > 0);
    QCOMPARE(log.at(first), QStringLiteral("status:?"));
    QVERIFY(log.contains(QStringLiteral("SD:?")));
    QVERIFY(log.contains(QStringLiteral("mac:new:?")));
}

void SetupSimulatorTest::appliesReachTheBox()
{
    SimRig rig;
    QVERIFY2(rig.start({"--hold-clock"}), qPrintable(rig.sim.output()));

    rig.w<QLineEdit>("lineEdit_sentrel_name")->setText(QStringLiteral("SIM-BOX-2"));
    QVERIFY(rig.click("pushButton_save_name"));
    QCOMPARE(rig.simValue("name"), QStringLiteral("SIM-BOX-2"));
    QCOMPARE(rig.w<QLineEdit>("lineEdit_sentrel_name")->text(), QStringLiteral("SIM-BOX-2"));

    rig.w<QRadioButton>("radioButton_scope")->setChecked(true);
    rig.w<QSpinBox>("spinBox_ts")->setValue(200);
    rig.w<QCheckBox>("checkBox_ACQ_extT")->setChecked(false);
    QVERIFY(rig.click("pushButton_apply_mode"));
    QCOMPARE(rig.simValue("mode"), QStringLiteral("OSC"));
    QCOMPARE(rig.simValue("ts"), QStringLiteral("200"));
    QCOMPARE(rig.simValue("acqt"), QStringLiteral("4"));
    QVERIFY(rig.w<QRadioButton>("radioButton_scope")->isChecked());
    QCOMPARE(rig.w<QSpinBox>("spinBox_ts")->value(), 200);
    QVERIFY(!rig.w<QCheckBox>("checkBox_ACQ_extT")->isChecked());
    QVERIFY(rig.w<QCheckBox>("checkBox_ACQ_headT")->isChecked());

    rig.w<QCheckBox>("checkBox_alarm")->setChecked(true);
    rig.w<QDoubleSpinBox>("doubleSpinBox_alaMax")->setValue(50);
    rig.w<QDoubleSpinBox>("doubleSpinBox_alaMin")->setValue(-50.5);
    QVERIFY(rig.click("pushButton_apply_alarm"));
    QCOMPARE(rig.simValue("alarm_ulim"), QStringLiteral("50"));
    QCOMPARE(rig.simValue("alarm_llim"), QStringLiteral("-50.5"));
    QVERIFY(rig.w<QCheckBox>("checkBox_alarm")->isChecked());
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_alaMin")->value(), -50.5);

    rig.w<QCheckBox>("checkBox_trig_enable")->setChecked(true);
    rig.w<QRadioButton>("radioButton_trg_external")->setChecked(true);
    QVERIFY(rig.click("pushButton_apply_triger"));
    QCOMPARE(rig.simValue("trigger"), QStringLiteral("OUT"));
    rig.w<QRadioButton>("radioButton_trg_internal")->setChecked(true);
    QVERIFY(rig.click("pushButton_apply_triger"));
    QCOMPARE(rig.simValue("trigger"), QStringLiteral("IN"));
    QVERIFY(rig.w<QRadioButton>("radioButton_trg_internal")->isChecked());
    rig.w<QCheckBox>("checkBox_trig_enable")->setChecked(false);
    QVERIFY(rig.click("pushButton_apply_triger"));
    QCOMPARE(rig.simValue("trigger"), QStringLiteral("OFF"));
    QVERIFY(!rig.w<QCheckBox>("checkBox_trig_enable")->isChecked());

    rig.w<QSpinBox>("spinBox_pturns")->setValue(5);
    QVERIFY(rig.click("pushButton_apply_pturns"));
    QCOMPARE(rig.simValue("pturns"), QStringLiteral("5"));

    rig.w<QDateEdit>("dateEdit_date")->setDate(QDate(2018, 3, 7));
    QVERIFY(rig.click("pushButton_apply_date"));
    QCOMPARE(rig.simValue("date"), QStringLiteral("07.03.2018"));
    QCOMPARE(rig.w<QDateEdit>("dateEdit_date")->date(), QDate(2018, 3, 7));

    rig.w<QLineEdit>("lineEdit_new_ipAddress")->setText(QStringLiteral("10.1.2.3"));
    rig.w<QLineEdit>("lineEdit_new_subNet")->setText(QStringLiteral("255.255"));
    rig.w<QPushButton>("pushButton_apply_ip")->click(); // refused: nothing queued
    QCOMPARE(rig.thread->queue_length(), 0);
    QCOMPARE(rig.warnings.size(), 1);
    rig.w<QLineEdit>("lineEdit_new_subNet")->clear();
    QVERIFY(rig.click("pushButton_apply_ip"));
    QCOMPARE(rig.simValue("ip_new"), QStringLiteral("10.1.2.3"));
    QCOMPARE(rig.w<QLineEdit>("lineEdit_new_ipAddress")->text(), QStringLiteral("10.1.2.3"));
    // The empty fields went nowhere: the box keeps its settings.
    QCOMPARE(rig.simValue("mask_new"), QStringLiteral("255.255.255.0"));
    QVERIFY(!rig.sim.commandLog().contains(QStringLiteral("mask:")));
    QCOMPARE(rig.w<QLabel>("label_ip_address")->text(), QStringLiteral("192.168.0.20"));
}

void SetupSimulatorTest::passwordAndCalibration()
{
    SimRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.sim.output()));

    // A wrong password leaves the calibration page closed.
    rig.password = QStringLiteral("guess");
    QVERIFY(rig.click("pushButton_password"));
    QVERIFY(!rig.w<QTabWidget>("tabWidget")->isTabEnabled(4));

    rig.password = QStringLiteral("sentrel");
    QVERIFY(rig.click("pushButton_password"));
    QVERIFY(rig.w<QTabWidget>("tabWidget")->isTabEnabled(4));
    QCOMPARE(rig.w<QPushButton>("pushButton_password")->text(), QStringLiteral("Reset Password"));
    QVERIFY(!rig.w<QCheckBox>("checkBox_ACQ_ADC_T")->isHidden());

    QVERIFY(rig.click("pushButton_calibrate_pos"));
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_gain_pos")->text(), QStringLiteral("1000.250000"));
    rig.w<QDoubleSpinBox>("doubleSpinBox_current_ref_neg")->setValue(-50);
    QVERIFY(rig.click("pushButton_calibrate_neg"));
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_gain_neg")->text(), QStringLiteral("999.870000"));
    QVERIFY(rig.sim.commandLog().contains(QStringLiteral("scale:neg:-50.000000000")));

    rig.w<QDoubleSpinBox>("doubleSpinBox_gain_neg")->setValue(1001.5);
    QVERIFY(rig.click("pushButton_apply_gain_neg"));
    QCOMPARE(rig.simValue("gain_neg"), QStringLiteral("1001.500000"));

    rig.w<QComboBox>("comboBox_dcct_model")->setCurrentIndex(5);
    rig.w<QLineEdit>("lineEdit_dcct_model_sn")->setText(QStringLiteral("B77"));
    QVERIFY(rig.click("pushButton_apply_dcct_model"));
    QCOMPARE(rig.simValue("dcct_model"), QStringLiteral("5 B77"));
    QCOMPARE(rig.w<QLabel>("label_dcct_model")->text(), QStringLiteral("VANTO-600 B77"));

    rig.w<QLineEdit>("lineEdit_sentrel_des")->setText(QStringLiteral("Hall B readout"));
    QVERIFY(rig.click("pushButton_apply_sentrel_des"));
    QCOMPARE(rig.w<QLabel>("label_sentrel_des")->text(), QStringLiteral("Hall B readout"));

    rig.w<QLineEdit>("lineEdit_new_mac_address")->setText(QStringLiteral("02:00:00:00:00:07"));
    QVERIFY(rig.click("pushButton_apply_mac"));
    QCOMPARE(rig.simValue("mac_new"), QStringLiteral("02:00:00:00:00:07"));

    QVERIFY(rig.sim.control(QStringLiteral("set matched 0")));
    QVERIFY(rig.click("pushButton_refresh"));
    QCOMPARE(rig.w<QLabel>("label_matched")->text(), QStringLiteral("No"));
    QVERIFY(rig.click("pushButton_match"));
    QCOMPARE(rig.w<QLabel>("label_matched")->text(), QStringLiteral("Yes"));
    QCOMPARE(rig.w<QLabel>("label_matched_2")->text(), QStringLiteral("Yes"));

    rig.w<QCheckBox>("checkBox_enable_cal")->setChecked(false);
    QVERIFY(rig.click("pushButton_apply_cal"));
    QCOMPARE(rig.simValue("cal"), QStringLiteral("0"));
    QVERIFY(!rig.w<QCheckBox>("checkBox_enable_cal")->isChecked());

    QVERIFY(rig.click("pushButton_init"));
    QVERIFY(rig.click("pushButton_refresh"));
    QCOMPARE(rig.w<QDoubleSpinBox>("doubleSpinBox_gain_pos")->text(), QStringLiteral("1000.000000"));
    QVERIFY(rig.w<QCheckBox>("checkBox_enable_cal")->isChecked());

    QVERIFY(rig.click("pushButton_password"));
    QVERIFY(!rig.w<QTabWidget>("tabWidget")->isTabEnabled(4));
    QCOMPARE(rig.w<QPushButton>("pushButton_password")->text(), QStringLiteral("Set Password"));
}

void SetupSimulatorTest::sdFileFetchedByteForByte_data()
{
    QTest::addColumn<QString>("chunk");
    QTest::newRow("whole replies") << "chunk off";
    QTest::newRow("1-byte pieces") << "chunk 1 0";
    QTest::newRow("7-byte pieces") << "chunk 7 1";
    QTest::newRow("100-byte pieces") << "chunk 100 2";
}

void SetupSimulatorTest::sdFileFetchedByteForByte()
{
    QFETCH(QString, chunk);
    SimRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.sim.output()));

    // A file with a blank in its name, a line holding BACKUP, an indented and
    // an empty line, bytes that are not UTF-8 (a Latin-1 degree sign, and
    // every byte value), and enough text to cross many reads.
    QByteArray content = "time,current\r\nBACKUP of 2018\r\n    indented\r\n\r\nACK-not-the-end\r\n"
                         "T=25 \xb0"
                         "C\r\n";
    for (int b = 0; b < 256; ++b)
        content += char(b);
    content += "\r\n";
    for (int i = 0; i < 120; ++i)
        content += QByteArray::number(i) + "," + QByteArray::number(150.0 + i / 1000.0, 'f', 6) + "\r\n";
    QVERIFY(rig.sim.control(QStringLiteral("sd put MY\\sRUN.TXT|") + escapedForSim(content)));
    QVERIFY(rig.sim.control(chunk));

    QVERIFY(rig.click("pushButton_SD_list_update"));
    auto* files = rig.w<QComboBox>("comboBox_SD_files");
    int index = -1;
    for (int i = 0; i < files->count(); ++i) {
        if (files->itemText(i).startsWith(QStringLiteral("MY RUN.TXT   Size: ")))
            index = i;
    }
    QVERIFY2(index >= 0, qPrintable(files->itemText(0)));
    QCOMPARE(files->itemText(index), QStringLiteral("MY RUN.TXT   Size: ") +
                                         QString::number(content.size() / 1024.0, 'f', 1) +
                                         QStringLiteral(" kB"));
    files->setCurrentIndex(index);

    QTemporaryDir dir;
    rig.saveAnswer = dir.filePath("run copy.txt");
    const int before = rig.fileReads;
    rig.w<QPushButton>("pushButton_SD_save")->click();
    QVERIFY(!rig.w<QPushButton>("pushButton_SD_save")->isEnabled());
    QVERIFY(waitUntil([&] { return rig.fileReads > before && rig.proposals.size() == 1; }, 30000));
    QCOMPARE(rig.proposals.at(0), QStringLiteral("MY RUN.TXT"));
    QCOMPARE(readAll(rig.saveAnswer), content);
    QVERIFY(rig.sim.commandLog().contains(QStringLiteral("SD:READ:MY RUN.TXT")));
    QVERIFY(rig.w<QPushButton>("pushButton_SD_save")->isEnabled());
    QVERIFY(rig.warnings.isEmpty());
}

// A listed name with blanks around it is that file's name: its size, its
// contents, the proposed save name and the delete all use it whole, never a
// file of the trimmed name.
void SetupSimulatorTest::sdNameWithBlanksIsKeptWhole()
{
    SimRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.sim.output()));
    const QString padded = QStringLiteral("  PADDED.TXT ");
    QVERIFY(rig.sim.control(QStringLiteral("sd put PADDED.TXT|plain\\r\\n")));
    QVERIFY(rig.sim.control(QStringLiteral("sd put ") + escapedForSim(padded.toLatin1()) +
                            QStringLiteral("|padded file\\r\\n")));

    QVERIFY(rig.click("pushButton_SD_list_update"));
    auto* files = rig.w<QComboBox>("comboBox_SD_files");
    const int index = files->findText(padded + QStringLiteral("   Size: 0.0 kB"));
    QVERIFY2(index >= 0, qPrintable(files->itemText(files->count() - 1)));
    files->setCurrentIndex(index);

    QTemporaryDir dir;
    rig.saveAnswer = dir.filePath("padded.txt");
    const int before = rig.fileReads;
    rig.w<QPushButton>("pushButton_SD_save")->click();
    QVERIFY(waitUntil([&] { return rig.fileReads > before && rig.proposals.size() == 1; }));
    QCOMPARE(rig.proposals.at(0), padded);
    QCOMPARE(readAll(rig.saveAnswer), QByteArray("padded file\r\n"));

    files->setCurrentIndex(index);
    QVERIFY(rig.click("pushButton_SD_delete"));
    QVERIFY(rig.sim.control(QStringLiteral("sd ls")));
    QVERIFY2(!rig.sim.lastReply().contains(QStringLiteral("\\s\\sPADDED.TXT")), qPrintable(rig.sim.lastReply()));
    QVERIFY2(rig.sim.lastReply().contains(QStringLiteral(" PADDED.TXT:")), qPrintable(rig.sim.lastReply()));
    QVERIFY(rig.warnings.isEmpty());
}

void SetupSimulatorTest::sdDeleteAndMount()
{
    SimRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.sim.output()));
    QVERIFY(rig.click("pushButton_SD_list_update"));
    auto* files = rig.w<QComboBox>("comboBox_SD_files");
    const int count = files->count();
    QVERIFY(count >= 2);
    int index = -1;
    for (int i = 0; i < count; ++i) {
        if (files->itemText(i).startsWith(QStringLiteral("MY DATA.TXT   ")))
            index = i;
    }
    QVERIFY(index >= 0);
    files->setCurrentIndex(index);
    QVERIFY(rig.click("pushButton_SD_delete"));
    QCOMPARE(files->count(), count - 1);
    QVERIFY(rig.sim.control(QStringLiteral("sd ls")));
    QVERIFY(!rig.sim.lastReply().contains(QStringLiteral("MY\\sDATA.TXT")));

    // A failed read is reported, not offered for saving.
    QVERIFY(rig.sim.control(QStringLiteral("nak sd:read")));
    files->setCurrentIndex(0);
    const int before = rig.fileReads;
    rig.w<QPushButton>("pushButton_SD_save")->click();
    QVERIFY(waitUntil([&] { return rig.fileReads > before && !rig.warnings.isEmpty(); }));
    QVERIFY(rig.proposals.isEmpty());
    QVERIFY(rig.sim.control(QStringLiteral("nak off")));

    QVERIFY(rig.click("pushButton_SD_mount_unmount"));
    QCOMPARE(rig.w<QLabel>("label_SD_status")->text(), QStringLiteral("Not Mounted"));
    QCOMPARE(rig.w<QLabel>("label_SD_log")->text(), QStringLiteral("Unmounted"));
    QCOMPARE(rig.w<QPushButton>("pushButton_SD_mount_unmount")->text(), QStringLiteral("Mount"));
    QCOMPARE(files->count(), 0);
    QCOMPARE(rig.simValue("sd_mounted"), QStringLiteral("0"));
    QVERIFY(rig.click("pushButton_SD_mount_unmount"));
    QCOMPARE(rig.w<QLabel>("label_SD_status")->text(), QStringLiteral("Mounted"));
    QCOMPARE(rig.w<QLabel>("label_SD_log")->text(), QStringLiteral("Mounted"));
}

void SetupSimulatorTest::mainWindowOpensTheDialog()
{
    TempSettings settings;
    {
        QSettings s(QString::fromLatin1(ProgramInfo::organisation),
                    QString::fromLatin1(ProgramInfo::settingsApplication));
        s.setValue(QStringLiteral("automaticUpdatesEnabled"), false);
    }
    registerDcctDataMetaType();
    SimulatorProcess sim(QStringLiteral("box-sim"));
    QVERIFY2(sim.start(), qPrintable(sim.output()));

    MainWindow window;
    const int row = window.addBox(true, QStringLiteral("127.0.0.1"), QString());
    Dcct_thread* thread = window.boxThread(row);
    thread->tcp_port = QString::number(sim.port());
    window.rowButton(row, MainWindow::ConnectButton)->click();
    QVERIFY(
        waitUntil([&] { return bool(thread->connected) && thread->data_snapshot().name == "SENTREL-01"; }));

    int runs = 0;
    bool pollingWhileOpen = true;
    QString title;
    QString shownFirmware;
    QPointer<QDialog> opened;
    Prompts::setDialogHook([&](QDialog* d) {
        ++runs;
        opened = d;
        title = d->windowTitle();
        pollingWhileOpen = thread->polling;
        auto* dialog = qobject_cast<Setup_dialog*>(d);
        if (!dialog)
            return int(QDialog::Rejected);
        auto* version = dialog->findChild<QLabel*>(QStringLiteral("label_sentrel_f_ver"));
        waitUntil([&] { return version->text() == QLatin1String("2.3.1"); });
        shownFirmware = version->text();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("lineEdit_sentrel_name"));
        name->setText(QStringLiteral("RENAMED"));
        dialog->findChild<QPushButton*>(QStringLiteral("pushButton_save_name"))->click();
        waitUntil([&] { return name->text() == QLatin1String("RENAMED"); });
        dialog->findChild<QPushButton*>(QStringLiteral("pushButton_Close"))->click();
        return int(QDialog::Rejected);
    });
    window.rowButton(row, MainWindow::SetupButton)->click();
    Prompts::setDialogHook({});

    QCOMPARE(runs, 1);
    QCOMPARE(title, QStringLiteral("SENTREL-01"));
    QVERIFY(!pollingWhileOpen);
    QCOMPARE(shownFirmware, QStringLiteral("2.3.1"));
    QVERIFY(sim.control(QStringLiteral("get name")));
    QCOMPARE(sim.lastReply(), QStringLiteral("OK RENAMED"));
    QVERIFY(thread->polling);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(opened.isNull());

    // Disconnect before the window goes.
    window.rowButton(row, MainWindow::ConnectButton)->click();
    QVERIFY(waitUntil([&] { return !thread->isRunning(); }));
}

QTEST_MAIN(SetupSimulatorTest)
#include "tst_setup_sim.moc"
