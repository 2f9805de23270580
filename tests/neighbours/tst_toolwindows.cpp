#include "epicsdialog.h"
#include "ps_data.h"
#include "ps_thread.h"
#include "signalgenerator.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

// The main window owns its worker as a direct child; the tool windows that
// are handed only their parent must find it there.
class ToolWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void signalGeneratorTakesWorkerFromParent();
    void epicsDialogFillsFieldsFromWorker();
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

QTEST_MAIN(ToolWindowsTest)
#include "tst_toolwindows.moc"
