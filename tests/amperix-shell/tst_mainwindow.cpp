// Main window right after construction: title, disabled state, the update
// switch and its stored key, the warnings shown while not connected, the
// firmware-update question, and what is posted to the worker.

#include "mainwindow.h"

#include "configurationdialog.h"
#include "faultdialog.h"
#include "firmwareupdatedialog.h"
#include "ps_thread.h"
#include "signalgenerator.h"
#include "updates.h"

#include "modalanswerer.h"
#include "postedevents.h"
#include "tempsettings.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QMutexLocker>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTest>

#include <memory>

namespace
{
QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                     QStringLiteral("Amperix"));
}

QList<int> queuedTaskIds(ps_thread* worker)
{
    QMutexLocker lock(&worker->mutex);
    QList<int> ids;
    for (const ps_task& t : worker->task_queue)
        ids << t.id;
    return ids;
}

void clearQueue(ps_thread* worker)
{
    QMutexLocker lock(&worker->mutex);
    worker->task_queue.clear();
}

const char* const controlGroups[] = {"groupBox_Controls", "groupBox_RegulationMode", "stackedWidget_Set",
                                     "groupBox_Infos",    "groupBox_Status",         "groupBox_Output"};

void reportState(MainWindow& w, QAbstractSocket::SocketState state)
{
    QVERIFY(QMetaObject::invokeMethod(&w, "slotStateChanged", Q_ARG(QTcpSocket::SocketState, state)));
}
} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void titleAndDisabledState();
    void childWindowsExistOnce();
    void automaticUpdatesFromStore_data();
    void automaticUpdatesFromStore();
    void uncheckingAutomaticUpdatesStoresIt();
    void notConnectedWarnings_data();
    void notConnectedWarnings();
    void faultButtonDoesNothingWhileNotConnected();
    void firmwareUpdateAbortOrContinue_data();
    void firmwareUpdateAbortOrContinue();
    void closingConfigurationPostsTask23Once();
    void setPointsSeededFromSpinBoxes();
    void setPointFollowsSpinBox();
    void connectedStateEnablesWindow();
    void configurationOpensAsToolWhenConnected();
    void signalGeneratorNeedsOutputOn();
    void replyErrorShowsStatusMessage();
    void startUpUpdateCheckRunsOnce();

private:
    std::unique_ptr<TempSettings> settings;
};

void MainWindowTest::init()
{
    settings = std::make_unique<TempSettings>();
}

void MainWindowTest::cleanup()
{
    settings.reset();
}

void MainWindowTest::titleAndDisabledState()
{
    MainWindow w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Amperix v.1.3.6"));
    for (const char* name : controlGroups) {
        auto* group = w.findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(group, name);
        QVERIFY2(!group->isEnabled(), name);
    }
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("actionConfiguration"))->isEnabled());
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("actionConsole"))->isEnabled());
    QVERIFY(w.findChild<QAction*>(QStringLiteral("actionSetIP"))->isEnabled());
    QVERIFY(w.findChild<QAction*>(QStringLiteral("actionActionFirmwareUpdate"))->isEnabled());
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("actionConnection"))->isChecked());
    QVERIFY(w.findChild<QWidget*>(QStringLiteral("checkBoxDirectPolarity"))->isHidden());
    QCOMPARE(w.findChild<QStackedWidget*>(QStringLiteral("stackedWidget_Set"))->currentIndex(), 0);
    const QString neutral = QStringLiteral("background-color:rgba(235, 235, 255, 255)");
    for (const char* name : {"loc_rem_label", "on_off_label", "fault_pushButton"})
        QCOMPARE(w.findChild<QWidget*>(QLatin1String(name))->styleSheet(), neutral);
    QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("pushButtonWaveformGenerator"))->iconSize(),
             QSize(100, 100));
    // Nothing is stored by building the window.
    QVERIFY(store().allKeys().isEmpty());
}

void MainWindowTest::childWindowsExistOnce()
{
    MainWindow w;
    QCOMPARE(w.findChildren<ps_thread*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    QCOMPARE(w.getThread(), w.findChild<ps_thread*>());
    QVERIFY(!w.getThread()->isRunning());
    for (const char* cls : {"SetIpDialog", "ConfigurationDialog", "FirmwareUpdateDialog", "FaultDialog",
                            "AboutDialog", "ChangeLog", "RealTimePlot", "SignalGenerator", "EPICSDialog",
                            "ConsoleDialog", "ErrorCodes", "Updates"}) {
        int n = 0;
        for (QObject* child : w.children())
            if (child->inherits(cls))
                ++n;
        QVERIFY2(n == 1, cls);
    }
}

void MainWindowTest::automaticUpdatesFromStore_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("checked");
    QTest::newRow("absent") << QVariant() << true;
    QTest::newRow("true") << QVariant(true) << true;
    QTest::newRow("false") << QVariant(false) << false;
}

void MainWindowTest::automaticUpdatesFromStore()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, checked);
    if (stored.isValid())
        store().setValue(QStringLiteral("automaticUpdatesEnabled"), stored);

    MainWindow w;
    auto* automatic = w.findChild<QAction*>(QStringLiteral("actionAutomatic_Updates_Enabled"));
    auto* check = w.findChild<QAction*>(QStringLiteral("actionCheck_for_Updates"));
    QCOMPARE(automatic->isChecked(), checked);
    QCOMPARE(check->isEnabled(), checked);
}

void MainWindowTest::uncheckingAutomaticUpdatesStoresIt()
{
    MainWindow w;
    auto* automatic = w.findChild<QAction*>(QStringLiteral("actionAutomatic_Updates_Enabled"));
    auto* check = w.findChild<QAction*>(QStringLiteral("actionCheck_for_Updates"));
    QVERIFY(automatic->isChecked());

    automatic->trigger();
    QVERIFY(!check->isEnabled());
    QCOMPARE(store().value(QStringLiteral("automaticUpdatesEnabled")).toBool(), false);

    automatic->trigger();
    QVERIFY(check->isEnabled());
    QCOMPARE(store().value(QStringLiteral("automaticUpdatesEnabled")).toBool(), true);
}

void MainWindowTest::notConnectedWarnings_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("title");
    QTest::newRow("configuration") << QByteArray("openConfigurationDialog") << "Configuration Dialog";
    QTest::newRow("EPICS") << QByteArray("openEPICSDialog") << "Configuration Dialog";
    QTest::newRow("signal generator") << QByteArray("openSignalGeneratorDialog") << "Signal Generator Dialog";
    QTest::newRow("waveform button") << QByteArray("on_pushButtonWaveformGenerator_clicked")
                                     << "Signal Generator Dialog";
}

void MainWindowTest::notConnectedWarnings()
{
    QFETCH(QByteArray, slot);
    QFETCH(QString, title);
    MainWindow w;
    ModalAnswerer answerer;
    answerer.answer(title, QMessageBox::Ok);
    QVERIFY(QMetaObject::invokeMethod(&w, slot.constData()));

    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.count(title), 1);
    QCOMPARE(answerer.lastText(title), QStringLiteral("Connect to the Power Supply first"));
    QCOMPARE(answerer.seen().first().className, QStringLiteral("QMessageBox"));
    QVERIFY(!w.findChild<ConfigurationDialog*>()->isVisible());
    QVERIFY(!w.findChild<SignalGenerator*>()->isVisible());
    QVERIFY(queuedTaskIds(w.getThread()).isEmpty());
}

void MainWindowTest::faultButtonDoesNothingWhileNotConnected()
{
    MainWindow w;
    ModalAnswerer answerer;
    QVERIFY(QMetaObject::invokeMethod(&w, "on_fault_pushButton_clicked"));
    deliverPostedEvents();
    QVERIFY(answerer.seen().isEmpty());
    QVERIFY(!w.findChild<FaultDialog*>()->isVisible());
}

void MainWindowTest::firmwareUpdateAbortOrContinue_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("opened");
    QTest::newRow("Abort") << "Abort" << false;
    QTest::newRow("Continue") << "Continue" << true;
    QTest::newRow("box closed") << QString() << false;
}

void MainWindowTest::firmwareUpdateAbortOrContinue()
{
    QFETCH(QString, button);
    QFETCH(bool, opened);
    MainWindow w;
    ModalAnswerer answerer;
    if (!button.isEmpty())
        answerer.answerText(QStringLiteral("Warning"), button);
    // Anything else (the upload dialog, or the box itself when no button is
    // named) is closed.
    w.findChild<QAction*>(QStringLiteral("actionActionFirmwareUpdate"))->trigger();

    QVERIFY(answerer.count(QStringLiteral("Warning")) == 1);
    const ModalAnswerer::Seen box = answerer.seen().first();
    QCOMPARE(box.text, QStringLiteral("Warning"));
    QCOMPARE(box.informativeText,
             QStringLiteral("Before continuing with the Firmware Update, please verify that "
                            "your Power Module Output is Disabled (OFF state)"));
    bool uploadSeen = false;
    for (const ModalAnswerer::Seen& s : answerer.seen())
        if (s.className == QLatin1String("FirmwareUpdateDialog"))
            uploadSeen = true;
    QCOMPARE(uploadSeen, opened);
}

void MainWindowTest::closingConfigurationPostsTask23Once()
{
    MainWindow w;
    auto* configuration = w.findChild<ConfigurationDialog*>();
    QVERIFY(configuration);
    clearQueue(w.getThread());

    configuration->done(QDialog::Rejected);
    QCOMPARE(queuedTaskIds(w.getThread()), QList<int>{23});

    clearQueue(w.getThread());
    configuration->done(QDialog::Accepted);
    QCOMPARE(queuedTaskIds(w.getThread()), QList<int>{23});
}

void MainWindowTest::setPointsSeededFromSpinBoxes()
{
    MainWindow w;
    ps_thread* worker = w.getThread();
    {
        QMutexLocker lock(&worker->mutex);
        QCOMPARE(worker->current_setpoint, QStringLiteral("0.0000000000"));
        QCOMPARE(worker->voltage_setpoint, QStringLiteral("0.0000000000"));
    }
    clearQueue(worker);
    QVERIFY(QMetaObject::invokeMethod(&w, "on_set_current_button_clicked"));
    QVERIFY(QMetaObject::invokeMethod(&w, "on_set_voltage_button_clicked"));
    QCOMPARE(queuedTaskIds(worker), (QList<int>{512, 514}));
}

void MainWindowTest::setPointFollowsSpinBox()
{
    MainWindow w;
    ps_thread* worker = w.getThread();
    w.findChild<QDoubleSpinBox*>(QStringLiteral("current_spin"))->setValue(1.5);
    w.findChild<QDoubleSpinBox*>(QStringLiteral("voltage_spin"))->setValue(-2.25);
    {
        QMutexLocker lock(&worker->mutex);
        QCOMPARE(worker->current_setpoint, QStringLiteral("1.5000000000"));
        QCOMPARE(worker->voltage_setpoint, QStringLiteral("-2.2500000000"));
    }

    // Typed with the user's decimal comma and set with the mouse, no Return;
    // a text the box corrects on the way out goes only with a second click.
    const auto restore = qScopeGuard([before = QLocale()] { QLocale::setDefault(before); });
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    reportState(w, QAbstractSocket::ConnectedState);
    ps_data limits; // the supply's limits read, the set-points enabled
    limits.limits = QStringList{"-20.0", "20.0", "-10.0", "10.0"};
    QVERIFY(QMetaObject::invokeMethod(&w, "update_model", Q_ARG(ps_data, limits)));
    QVERIFY(QMetaObject::invokeMethod(&w, "enableMainWindow", Q_ARG(bool, true)));
    w.setUpdatesEnabled(false); // unpainted, it leaves the start-up update check to its own test
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* spin = w.findChild<QDoubleSpinBox*>(QStringLiteral("current_spin"));
    auto* set = w.findChild<QPushButton*>(QStringLiteral("set_current_button"));
    for (const QString& typed : {QStringLiteral("0,5"), QStringLiteral("-")}) {
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, typed);
        clearQueue(worker);
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(queuedTaskIds(worker), typed == QLatin1String("-") ? QList<int>{} : QList<int>{512});
    }
    QCOMPARE(spin->text(), QStringLiteral("0.5000"));
    QTest::mouseClick(set, Qt::LeftButton);
    QCOMPARE(queuedTaskIds(worker), QList<int>{512});
    QMutexLocker lock(&worker->mutex);
    QCOMPARE(worker->current_setpoint, QStringLiteral("0.5000000000"));
}

void MainWindowTest::connectedStateEnablesWindow()
{
    MainWindow w;
    auto* connection = w.findChild<QAction*>(QStringLiteral("actionConnection"));

    reportState(w, QAbstractSocket::ConnectedState);
    QVERIFY(connection->isChecked());
    QVERIFY(w.findChild<QAction*>(QStringLiteral("actionConfiguration"))->isEnabled());
    QVERIFY(w.findChild<QAction*>(QStringLiteral("actionConsole"))->isEnabled());
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("actionSetIP"))->isEnabled());
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("actionActionFirmwareUpdate"))->isEnabled());
    // Nothing that sends is enabled until the supply's status is read.
    for (int i = 0; i < 6; ++i)
        QVERIFY2(w.findChild<QWidget*>(QLatin1String(controlGroups[i]))->isEnabled() == (i >= 3),
                 controlGroups[i]);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Socket:Connected"));

    reportState(w, QAbstractSocket::UnconnectedState);
    QVERIFY(!connection->isChecked());
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("actionConfiguration"))->isEnabled());
    QVERIFY(w.findChild<QAction*>(QStringLiteral("actionSetIP"))->isEnabled());
    for (const char* name : controlGroups)
        QVERIFY2(!w.findChild<QWidget*>(QLatin1String(name))->isEnabled(), name);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Socket:Unconnected"));
}

void MainWindowTest::configurationOpensAsToolWhenConnected()
{
    MainWindow w;
    ModalAnswerer answerer;
    reportState(w, QAbstractSocket::ConnectedState);
    auto* configuration = w.findChild<ConfigurationDialog*>();
    {
        // The editor reads nothing until the supply's model is known.
        QMutexLocker lock(&w.getThread()->mutex);
        w.getThread()->ps_response.family = QStringLiteral("KORA-PS");
    }

    w.findChild<QAction*>(QStringLiteral("actionConfiguration"))->trigger();
    QVERIFY(configuration->isVisible());
    QVERIFY(!configuration->isModal());
    QVERIFY(configuration->windowFlags().testFlag(Qt::Tool));
    QVERIFY(answerer.seen().isEmpty());
    // The editor re-reads the supply when it is opened.
    QVERIFY(!queuedTaskIds(w.getThread()).isEmpty());

    clearQueue(w.getThread());
    configuration->close();
    QCOMPARE(queuedTaskIds(w.getThread()), QList<int>{23});

    // A lost link closes it: it never shows the next unit with this one's data.
    w.findChild<QAction*>(QStringLiteral("actionConfiguration"))->trigger();
    QVERIFY(configuration->isVisible());
    reportState(w, QAbstractSocket::UnconnectedState);
    QVERIFY(!configuration->isVisible());
}

void MainWindowTest::signalGeneratorNeedsOutputOn()
{
    MainWindow w;
    ModalAnswerer answerer;
    answerer.answer(QStringLiteral("Signal Generator Dialog"), QMessageBox::Ok);
    reportState(w, QAbstractSocket::ConnectedState);
    auto* generator = w.findChild<SignalGenerator*>();

    QVERIFY(QMetaObject::invokeMethod(&w, "openSignalGeneratorDialog"));
    QCOMPARE(answerer.lastText(QStringLiteral("Signal Generator Dialog")),
             QStringLiteral("Switch ON the Power Supply first"));
    QVERIFY(!generator->isVisible());

    {
        QMutexLocker lock(&w.getThread()->mutex);
        w.getThread()->ps_response.status_flags = 0x1;
    }
    answerer.clear();
    QVERIFY(QMetaObject::invokeMethod(&w, "on_pushButtonWaveformGenerator_clicked"));
    QVERIFY(generator->isVisible());
    QVERIFY(!generator->isModal());
    QVERIFY(answerer.seen().isEmpty());
    generator->close();
}

void MainWindowTest::replyErrorShowsStatusMessage()
{
    MainWindow w;
    QVERIFY(QMetaObject::invokeMethod(&w, "replyError", Q_ARG(QString, QStringLiteral("MWI:5.0000000000")),
                                      Q_ARG(int, -12345)));
    // A code missing from the table leaves nothing after the comma.
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Command MWI:5.0000000000, "));
    // A query the supply never answered says so after the comma.
    QVERIFY(QMetaObject::invokeMethod(&w, "replyError", Q_ARG(QString, QStringLiteral("VER\r")), Q_ARG(int, -2)));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Command VER, No reply from the supply"));
    // So does a set command the worker announced unanswered; another -1 is the supply's own.
    emit w.findChild<ps_thread*>()->commandUnanswered(QStringLiteral("MON\r"));
    for (const char* expected : {"Command MON, No reply from the supply", "Command MON, Unknown Error"}) {
        emit w.findChild<ps_thread*>()->replyErrorSignal(QStringLiteral("MON\r"), -1);
        QCOMPARE(w.statusBar()->currentMessage(), QLatin1String(expected));
    }
}

// The only test here that shows the main window: the start-up check runs
// once per process.
void MainWindowTest::startUpUpdateCheckRunsOnce()
{
    if (!Updates::defaultMaintenanceToolPath().isEmpty())
        QSKIP("a maintenance tool lies beside the build; its answer may show nothing");
    ModalAnswerer answerer;
    answerer.answer(QStringLiteral("Updates"), QMessageBox::Ok, true);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.repaint();
    QVERIFY(answerer.waitFor(QStringLiteral("Updates")));
    QVERIFY(answerer.lastText(QStringLiteral("Updates"))
                .startsWith(QStringLiteral("Cannot start maintancetool ,")));

    for (int i = 0; i < 5; ++i) {
        w.repaint();
        deliverPostedEvents();
    }
    MainWindow second;
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    second.repaint();
    second.repaint();
    deliverPostedEvents();
    QCOMPARE(answerer.count(QStringLiteral("Updates")), 1);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
