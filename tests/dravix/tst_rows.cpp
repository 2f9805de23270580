// The box table: adding and removing rows, the lists staying aligned with
// the table, late signals of removed rows, the "Acquire All" button, the
// messages of the connection codes and the start-up settings.

#include "dialog_status.h"
#include "modalanswerer.h"
#include "monitor.h"
#include "new_connection_dialog.h"
#include "postedevents.h"
#include "viewertestsupport.h"

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <qcustomplot.h>

#include <memory>

class RowsTest : public ViewerTest
{
    Q_OBJECT

private:

    QTableWidget* table() const { return window->findChild<QTableWidget*>("tableWidget_dcct"); }

    // "Add New" with the dialog answered by presetting an address.
    int addRow(const QString& ip, bool accept = true)
    {
        prompts->dialogAnswer = [ip, accept](QDialog* d) {
            qobject_cast<New_connection_dialog*>(d)->preset(true, ip, QString());
            return int(accept ? QDialog::Accepted : QDialog::Rejected);
        };
        window->addNewButton()->click();
        return window->boxCount() - 1;
    }

    void checkRowAligned(int row)
    {
        const struct {
            MainWindow::RowButton which;
            int column;
        } cells[] = {{MainWindow::AddressButton, 0}, {MainWindow::ConnectButton, 1},
                     {MainWindow::SetupButton, 2},   {MainWindow::StatusButton, 5},
                     {MainWindow::AcquireButton, 6}, {MainWindow::MonitorButton, 7},
                     {MainWindow::CancelButton, 8}};
        for (const auto& c : cells)
            QCOMPARE(table()->cellWidget(row, c.column),
                     static_cast<QWidget*>(window->rowButton(row, c.which)));
    }

private slots:
    void init()
    {
        openViewer();
    }
    void cleanup()
    {
        closeViewer();
    }

    void firstRowMovesAddNewDown()
    {
        QCOMPARE(table()->rowCount(), 1);
        QCOMPARE(table()->cellWidget(0, 0), static_cast<QWidget*>(window->addNewButton()));
        const int row = addRow(QStringLiteral("10.0.0.1"));
        QCOMPARE(row, 0);
        QCOMPARE(table()->rowCount(), 2);
        QCOMPARE(table()->cellWidget(1, 0), static_cast<QWidget*>(window->addNewButton()));
        QCOMPARE(window->rowButton(0, MainWindow::AddressButton)->text(), QStringLiteral("10.0.0.1"));
        QCOMPARE(window->rowButton(0, MainWindow::AcquireButton)->text(), QStringLiteral("Acquire"));
        QCOMPARE(window->rowButton(0, MainWindow::CancelButton)->text(), QStringLiteral("Cancel"));
        QVERIFY(!window->acquireAllButton());
        Dcct_thread* t = window->boxThread(0);
        QVERIFY(t->is_tcp);
        QCOMPARE(t->ip, QStringLiteral("10.0.0.1"));
        QCOMPARE(t->interval_ms, 80);
        QVERIFY(!t->isRunning());
        QCOMPARE(window->plot()->graphCount(), 4);
        checkRowAligned(0);
    }

    void cancelledDialogStillAddsRow()
    {
        addRow(QStringLiteral("10.0.0.9"), false);
        QCOMPARE(window->boxCount(), 1);
        QCOMPARE(window->rowButton(0, MainWindow::AddressButton)->text(), QStringLiteral("Address"));
        QCOMPARE(window->boxThread(0)->ip, QStringLiteral("10.0.0.9"));
    }

    void acquireAllComesAndGoes()
    {
        addRow(QStringLiteral("10.0.0.1"));
        QVERIFY(!window->acquireAllButton());
        addRow(QStringLiteral("10.0.0.2"));
        QPointer<QPushButton> all = window->acquireAllButton();
        QVERIFY(all);
        QCOMPARE(all->text(), QStringLiteral("Acquire All"));
        QCOMPARE(table()->cellWidget(2, 6), static_cast<QWidget*>(all.data()));

        window->rowButton(0, MainWindow::CancelButton)->click();
        flushDeletes();
        QVERIFY(!window->acquireAllButton());
        QVERIFY(!all);
        QCOMPARE(table()->rowCount(), 2);
        QVERIFY(!table()->cellWidget(1, 6));
        QCOMPARE(table()->cellWidget(1, 0), static_cast<QWidget*>(window->addNewButton()));
    }

    // A third row during a run must not turn "STOP ALL" back.
    void thirdRowKeepsAcquireAllButton()
    {
        addRow(QStringLiteral("10.0.0.1"));
        addRow(QStringLiteral("10.0.0.2"));
        QPushButton* all = window->acquireAllButton();
        all->setText(QStringLiteral("STOP ALL"));
        addRow(QStringLiteral("10.0.0.3"));
        QCOMPARE(window->acquireAllButton(), all);
        QCOMPARE(all->text(), QStringLiteral("STOP ALL"));
        QCOMPARE(table()->cellWidget(3, 6), static_cast<QWidget*>(all));
    }

    void removingMiddleRowKeepsOthersWorking()
    {
        for (int i = 1; i <= 3; ++i)
            addRow(QStringLiteral("10.0.0.%1").arg(i));
        Dcct_thread* first = window->boxThread(0);
        QPointer<Dcct_thread> middle = window->boxThread(1);
        Dcct_thread* last = window->boxThread(2);
        QCPGraph* lastGraph = window->rowGraph(2, MainWindow::CurrentGraph);
        QPointer<Monitor> middleMonitor = window->rowMonitor(1);
        QPointer<Dialog_status> middleStatus = window->rowStatusWindow(1);
        middleStatus->show();

        // A status of the middle box is already on its way when the row goes.
        Dcct_data late;
        late.name = QStringLiteral("LATE");
        emit middle->status_updated(late);
        window->rowButton(1, MainWindow::CancelButton)->click();

        QCOMPARE(window->boxCount(), 2);
        QCOMPARE(window->boxThread(0), first);
        QCOMPARE(window->boxThread(1), last);
        QCOMPARE(window->rowGraph(1, MainWindow::CurrentGraph), lastGraph);
        QCOMPARE(window->plot()->graphCount(), 8);
        QCOMPARE(table()->rowCount(), 3);
        checkRowAligned(0);
        checkRowAligned(1);
        QCOMPARE(window->rowButton(1, MainWindow::AddressButton)->text(), QStringLiteral("10.0.0.3"));

        // Each remaining box reaches its own row.
        Dcct_data a, c;
        a.name = QStringLiteral("FIRST");
        a.mode_dlog = true;
        c.name = QStringLiteral("THIRD");
        c.error = true;
        a.read_codes = c.read_codes = {80};
        emit first->status_updated(a);
        emit last->status_updated(c);
        QCoreApplication::processEvents();
        QCOMPARE(table()->item(0, 4)->text(), QStringLiteral("FIRST"));
        QCOMPARE(table()->item(1, 4)->text(), QStringLiteral("THIRD"));
        QCOMPARE(window->rowButton(0, MainWindow::StatusButton)->text(), QStringLiteral("Data Log"));
        QCOMPARE(window->rowButton(1, MainWindow::StatusButton)->text(), QStringLiteral("Error"));
        QCOMPARE(window->rowStatusWindow(1)->windowTitle(), QStringLiteral("THIRD"));

        // The removed row's windows are deleted, its thread soon after.
        flushDeletes();
        QVERIFY(!middleMonitor);
        QVERIFY(!middleStatus);
        QVERIFY(waitUntil([&] { return middle.isNull(); }, 3000));
    }

    void statusButtonTextAndColour_data()
    {
        QTest::addColumn<bool>("error");
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<bool>("dlog");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("error wins") << true << true << true << "Error" << QColor(Qt::red);
        QTest::newRow("alarm") << false << true << true << "Alarm" << QColor(Qt::blue);
        QTest::newRow("data log") << false << false << true << "Data Log" << QColor(Qt::black);
        QTest::newRow("scope") << false << false << false << "Scope" << QColor(Qt::black);
        // No status word read on this connection: no state, and failed reads counted.
        QTest::newRow("not read yet") << true << true << true << "Status" << QColor(Qt::black);
        QTest::newRow("unreadable") << true << true << true << "No Status" << QColor(Qt::red);
    }
    void statusButtonTextAndColour()
    {
        QFETCH(bool, error);
        QFETCH(bool, alarm);
        QFETCH(bool, dlog);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        addRow(QStringLiteral("10.0.0.1"));
        Dcct_data d;
        d.error = error;
        d.alarm_active = alarm;
        d.mode_dlog = dlog;
        d.name = QStringLiteral("N");
        d.dcct_des = QStringLiteral("HEAD");
        if (!text.endsWith(QLatin1String("Status")))
            d.read_codes.insert(80);
        d.status_failures = text == QLatin1String("No Status") ? 3 : 0;
        emit window->boxThread(0)->status_updated(d);
        QCoreApplication::processEvents();
        QPushButton* b = window->rowButton(0, MainWindow::StatusButton);
        QCOMPARE(b->text(), text);
        QCOMPARE(b->palette().color(QPalette::Active, QPalette::ButtonText), colour);
        QCOMPARE(b->palette().color(QPalette::Disabled, QPalette::ButtonText), colour);
        QCOMPARE(b->toolTip().contains(QLatin1String("last 3 times")), d.status_failures == 3);
        QCOMPARE(table()->item(0, 3)->text(), QStringLiteral("HEAD"));
        QCOMPARE(table()->item(0, 3)->textAlignment(), int(Qt::AlignHCenter | Qt::AlignVCenter));
    }

    void connectionCodesGiveTheirMessage_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("statusBar");
        QTest::addColumn<QString>("button");
        QTest::newRow("0") << 0 << false << ""
                           << ""
                           << "Connect";
        QTest::newRow("3") << 3 << true << ""
                           << ""
                           << "Disconnect";
        QTest::newRow("4") << 4 << false << "Open Error"
                           << ""
                           << "Connect";
        QTest::newRow("5 keeps link") << 5 << true << ""
                                      << "Connection Timeout"
                                      << "Disconnect";
        QTest::newRow("6") << 6 << false << "Permission Error"
                           << ""
                           << "Connect";
        QTest::newRow("11") << 11 << false << "SENTREL is not responding. Is it a SENTREL?"
                            << ""
                            << "Connect";
        QTest::newRow("12") << 12 << false << "Host Not Found"
                            << ""
                            << "Connect";
        QTest::newRow("13") << 13 << false << "Connection Refused"
                            << ""
                            << "Connect";
        QTest::newRow("14") << 14 << false << "Network Error"
                            << ""
                            << "Connect";
        QTest::newRow("unknown") << 99 << false << ""
                                 << ""
                                 << "Connect";
    }
    void connectionCodesGiveTheirMessage()
    {
        QFETCH(int, code);
        QFETCH(bool, connected);
        QFETCH(QString, box);
        QFETCH(QString, statusBar);
        QFETCH(QString, button);
        addRow(QStringLiteral("10.0.0.1"));
        emit window->boxThread(0)->connection_changed(code, connected);
        QCoreApplication::processEvents();
        if (box.isEmpty()) {
            QCOMPARE(prompts->boxes.size(), 0);
        } else {
            QCOMPARE(prompts->boxes.size(), 1);
            QCOMPARE(prompts->lastTitle(), QStringLiteral("Critical Error"));
            QCOMPARE(prompts->lastText(), box);
        }
        QCOMPARE(window->statusBar()->currentMessage(), statusBar);
        QPushButton* b = window->rowButton(0, MainWindow::ConnectButton);
        QCOMPARE(b->text(), button);
        QCOMPARE(b->palette().color(QPalette::ButtonText), QColor(connected ? Qt::blue : Qt::black));
    }

    void signalOfRemovedRowFindsNoRow()
    {
        addRow(QStringLiteral("10.0.0.1"));
        addRow(QStringLiteral("10.0.0.2"));
        Dcct_thread* gone = window->boxThread(0);
        emit gone->connection_changed(13, false);
        emit gone->sentrel_is_acquiring(makeBlock({0}, {1}));
        emit gone->sentrel_start_acquire(makeBlock({0}, {1}));
        window->rowButton(0, MainWindow::CancelButton)->click();
        QCoreApplication::processEvents();
        QCOMPARE(prompts->boxes.size(), 0);
        QCOMPARE(window->rowButton(0, MainWindow::ConnectButton)->text(), QStringLiteral("Connect"));
        QCOMPARE(window->rowButton(0, MainWindow::AcquireButton)->text(), QStringLiteral("Acquire"));
    }

    void addressChangeUpdatesThread()
    {
        addRow(QStringLiteral("10.0.0.1"));
        prompts->dialogAnswer = [](QDialog* d) {
            auto* nc = qobject_cast<New_connection_dialog*>(d);
            // The dialog opens on the row's present address.
            if (nc->ip_address() != QLatin1String("10.0.0.1"))
                return int(QDialog::Rejected);
            nc->preset(true, QStringLiteral("192.168.001.050"), QString());
            return int(QDialog::Accepted);
        };
        window->rowButton(0, MainWindow::AddressButton)->click();
        QCOMPARE(window->boxThread(0)->ip, QStringLiteral("192.168.1.50"));
        QCOMPARE(window->rowButton(0, MainWindow::AddressButton)->text(), QStringLiteral("192.168.1.50"));

        prompts->dialogAnswer = [](QDialog*) { return int(QDialog::Rejected); };
        window->rowButton(0, MainWindow::AddressButton)->click();
        QCOMPARE(window->boxThread(0)->ip, QStringLiteral("192.168.1.50"));
    }

    // An address that cannot be a connection is named; nothing is tried.
    void unusableAddressIsNamed_data()
    {
        QTest::addColumn<bool>("tcp");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("text");
        const QString badPort =
            QStringLiteral("The TCP port \"%1\" of this SENTREL is not a number from 1 to 65535.");
        QTest::newRow("no address")
            << true << ""
            << "10001"
            << "No IP address is set for this SENTREL: choose one with its Address button.";
        for (const char* port : {"70000", "abc", "0"})
            QTest::newRow(port) << true << "127.0.0.1" << port << badPort.arg(QLatin1String(port));
        QTest::newRow("no serial port")
            << false << ""
            << "10001"
            << "No serial port is set for this SENTREL: choose one with its Address button.";
    }
    void unusableAddressIsNamed()
    {
        QFETCH(bool, tcp);
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, text);
        const int row = window->addBox(tcp, tcp ? address : QString(), tcp ? QString() : address);
        Dcct_thread* t = window->boxThread(row);
        t->tcp_port = port;
        window->rowButton(row, MainWindow::ConnectButton)->click();
        QCOMPARE(prompts->lastTitle(), QStringLiteral("Connection Error"));
        QCOMPARE(prompts->lastText(), text);
        QVERIFY(!t->isRunning() && !t->isFinished());
    }

    void rowButtonsNeedConnection()
    {
        addRow(QStringLiteral("10.0.0.1"));
        for (MainWindow::RowButton b : {MainWindow::AcquireButton, MainWindow::SetupButton,
                                        MainWindow::StatusButton, MainWindow::MonitorButton})
            window->rowButton(0, b)->click();
        QCOMPARE(prompts->count(QStringLiteral("Connection Error")), 4);
        QCOMPARE(prompts->lastText(), QStringLiteral("Connect to SENTREL first"));
        QVERIFY(queued(window->boxThread(0)).isEmpty());
    }

    void setupRefusedWhileAcquiring()
    {
        addRow(QStringLiteral("10.0.0.1"));
        Dcct_thread* t = window->boxThread(0);
        t->connected = true;
        setRecord(t, [](Dcct_data& d) { d.acquiring = true; });
        window->rowButton(0, MainWindow::SetupButton)->click();
        QCOMPARE(prompts->lastTitle(), QStringLiteral("Acquiring"));
        QCOMPARE(prompts->lastText(), QStringLiteral("SENTREL is acquiring data"));
        t->connected = false;
    }

    void statusWindowHidesResetWhileAcquiring()
    {
        addRow(QStringLiteral("10.0.0.1"));
        Dcct_thread* t = window->boxThread(0);
        t->connected = true;
        setRecord(t, [](Dcct_data& d) { d.acquiring = true; });
        window->rowButton(0, MainWindow::StatusButton)->click();
        Dialog_status* s = window->rowStatusWindow(0);
        QVERIFY(s->isVisible());
        QVERIFY(!s->findChild<QPushButton*>("pushButton_reset")->isVisible());
        s->hide();
        setRecord(t, [](Dcct_data& d) { d.acquiring = false; });
        window->rowButton(0, MainWindow::StatusButton)->click();
        QVERIFY(s->findChild<QPushButton*>("pushButton_reset")->isVisible());
        t->connected = false;
    }

    void monitorFollowsDataOnlyWhileOpen()
    {
        addRow(QStringLiteral("10.0.0.1"));
        Dcct_thread* t = window->boxThread(0);
        t->connected = true;
        window->show();
        for (int round = 0; round < 2; ++round) {
            window->rowButton(0, MainWindow::MonitorButton)->click();
            Monitor* m = window->rowMonitor(0);
            QVERIFY(m->isVisible());
            Dcct_data d = makeBlock({0}, {1});
            d.current = 10 + round;
            emit t->data_updated(d);
            QCoreApplication::processEvents();
            QCOMPARE(m->findChild<QLabel*>("label_current")->text(), QString::number(10 + round));
            m->reject();
            d.current = 99;
            emit t->data_updated(d);
            QCoreApplication::processEvents();
            QCOMPARE(m->findChild<QLabel*>("label_current")->text(), QString::number(10 + round));
        }
        t->connected = false;
    }

    void disconnectQueuesPrintOffAndResetsRow()
    {
        addRow(QStringLiteral("10.0.0.1"));
        Dcct_thread* t = window->boxThread(0);
        t->connected = true;
        window->rowButton(0, MainWindow::ConnectButton)->setText(QStringLiteral("Disconnect"));
        window->rowButton(0, MainWindow::AcquireButton)->setText(QStringLiteral("STOP ACQ"));
        window->rowButton(0, MainWindow::ConnectButton)->click();
        const QList<QPair<int, QString>> expected{{16, QStringLiteral("OFF")}};
        QCOMPARE(queued(t), expected);
        QCOMPARE(window->rowButton(0, MainWindow::ConnectButton)->text(), QStringLiteral("Connect"));
        QCOMPARE(window->rowButton(0, MainWindow::AcquireButton)->text(), QStringLiteral("Acquire"));
        QCOMPARE(window->rowButton(0, MainWindow::StatusButton)->text(), QStringLiteral("Status"));
        QCOMPARE(table()->item(0, 4)->text(), QStringLiteral("-"));
        QCOMPARE(table()->item(0, 3)->text(), QStringLiteral("-"));
        t->connected = false;
    }

    void updatesSettingDefaultsOnAndIsStored()
    {
        window.reset();
        settings = std::make_unique<ViewerSettings>();
        QSettings(QString::fromLatin1(ProgramInfo::organisation),
                  QString::fromLatin1(ProgramInfo::settingsApplication))
            .remove(QStringLiteral("automaticUpdatesEnabled"));
        window = std::make_unique<MainWindow>();
        QAction* automatic = window->findChild<QAction*>("actionAutomatic_Updates_Enabled");
        QAction* check = window->findChild<QAction*>("actionCheck_for_Updates");
        QVERIFY(automatic->isChecked());
        QVERIFY(check->isEnabled());
        automatic->trigger(); // unchecks
        QVERIFY(!check->isEnabled());
        QSettings s(QString::fromLatin1(ProgramInfo::organisation),
                    QString::fromLatin1(ProgramInfo::settingsApplication));
        QCOMPARE(s.value(QStringLiteral("automaticUpdatesEnabled")), QVariant(false));
    }

    // With the tool absent the check says so in a box: once, after the
    // window has been painted.
    void startUpCheckRunsOnce()
    {
        window.reset();
        settings = std::make_unique<ViewerSettings>(true);
        ModalAnswerer answerer;
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        deliverPostedEvents();
        QCOMPARE(answerer.count(QStringLiteral("Updates")), 0); // painted once so far
        window->repaint();
        window->repaint();
        QVERIFY(answerer.waitFor(QStringLiteral("Updates"), 20000));
        for (int i = 0; i < 5; ++i) {
            window->repaint();
            deliverPostedEvents();
        }
        QCOMPARE(answerer.count(QStringLiteral("Updates")), 1);
    }
};

QTEST_MAIN(RowsTest)
#include "tst_rows.moc"
