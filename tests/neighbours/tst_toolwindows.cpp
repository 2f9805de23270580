#include "epicsdialog.h"
#include "ps_data.h"
#include "ps_thread.h"
#include "signalgenerator.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMutexLocker>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

// The main window owns its worker as a direct child; the tool windows that
// are handed only their parent must find it there.
class ToolWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void signalGeneratorTakesWorkerFromParent();
    void epicsDialogFillsFieldsFromWorker();
    void epicsSaveSendsOnlyWhatWasRead_data();
    void epicsSaveSendsOnlyWhatWasRead();
};

void ToolWindowsTest::signalGeneratorTakesWorkerFromParent()
{
    QWidget mainWindow;
    auto* worker = new ps_thread(10, &mainWindow);
    auto* generator = new SignalGenerator(&mainWindow);
    QCOMPARE(generator->worker(), worker);
    QCOMPARE(generator->windowTitle(), QStringLiteral("Form"));
    QCOMPARE(generator->minimumSize(), QSize(1200, 870));
    QVERIFY(generator->findChild<QCheckBox*>(QStringLiteral("checkBoxRuntimeLoop"))->isChecked());
    QVERIFY(!generator->findChild<QLineEdit*>(QStringLiteral("lineEditRuntimeRepeat"))->isEnabled());

    ps_thread other(10);
    SignalGenerator explicitWorker(nullptr, &other);
    QCOMPARE(explicitWorker.worker(), &other);
}

void ToolWindowsTest::epicsDialogFillsFieldsFromWorker()
{
    QWidget mainWindow;
    auto* worker = new ps_thread(10, &mainWindow);
    auto* dialog = new EPICSDialog(&mainWindow);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("EPICS"));

    auto* protocols = dialog->findChild<QPlainTextEdit*>(QStringLiteral("plainTextEditProtocols"));
    protocols->setPlainText(QStringLiteral("typed but not saved"));

    ps_data data;
    data.epics_pv_name = QStringLiteral("PS1:CURRENT");
    data.epics_pv_value = QStringLiteral("1.25");
    data.epics_db = QStringLiteral("record(ai, \"x\") {}");
    data.epics_protocols = QStringLiteral("Terminator = CR;");
    emit worker->EPICS_PV_name_ready(data);
    emit worker->EPICS_PV_value_ready(data);
    emit worker->EPICS_db_ready(data);
    emit worker->EPICS_protocols_ready(data);

    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("lineEditPVName"))->text(), data.epics_pv_name);
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("lineEditPVValue"))->text(), data.epics_pv_value);
    QCOMPARE(dialog->findChild<QPlainTextEdit*>(QStringLiteral("plainTextEditDb"))->toPlainText(),
             data.epics_db);
    QCOMPARE(protocols->toPlainText(), data.epics_protocols);
}

void ToolWindowsTest::epicsSaveSendsOnlyWhatWasRead_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("reread"); // the latest read of the file was answered
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("sent");
    const QString db = QStringLiteral("record(ai, \"x\") {}");
    QTest::newRow("as read") << db << true << "" << true;
    QTest::newRow("read again and refused") << db << false << "" << false;
    QTest::newRow("refused, then edited") << db << false << "x" << true;
    QTest::newRow("line ends the editor cannot show") << "a\r\nb\rc" << true << "" << false;
}

void ToolWindowsTest::epicsSaveSendsOnlyWhatWasRead()
{
    QFETCH(QString, file);
    QFETCH(bool, reread);
    QFETCH(QString, typed);
    QFETCH(bool, sent);
    QWidget mainWindow;
    auto* worker = new ps_thread(10, &mainWindow);
    auto* dialog = new EPICSDialog(&mainWindow);
    auto setFile = [worker](const QString& text, bool read) {
        QMutexLocker lock(&worker->mutex);
        worker->ps_response.epics_db = text;
        worker->ps_response.epics_db_read = read;
    };
    setFile(file, true);
    ps_data data;
    worker->get_ps_data(data);
    emit worker->EPICS_db_ready(data);
    if (!reread)
        setFile(QString(), false);
    auto* editor = dialog->findChild<QPlainTextEdit*>(QStringLiteral("plainTextEditDb"));
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, typed);

    // The reminder or the refusal is answered as it opens.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    auto* save = dialog->findChild<QPushButton*>(QStringLiteral("pushButtonDbSave"));
    save->click();
    QList<int> ids;
    for (const ps_task& task : worker->task_queue)
        ids << task.id;
    QCOMPARE(ids.contains(ps_thread::TaskWriteEpicsDb), sent);
    emit worker->signalStateChanged(QAbstractSocket::ConnectedState);
    QVERIFY(!save->isEnabled());
}

QTEST_MAIN(ToolWindowsTest)
#include "tst_toolwindows.moc"
