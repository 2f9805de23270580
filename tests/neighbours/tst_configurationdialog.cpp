#include "configurationdialog.h"
#include "ps_data.h"
#include "ps_thread.h"

#include <QLabel>
#include <QLineEdit>
#include <QMutexLocker>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace
{

// Tasks waiting in the worker's queue (the worker is never started here).
QList<ps_task> queued(ps_thread& worker)
{
    QMutexLocker lock(&worker.mutex);
    return worker.task_queue;
}

void setFamily(ps_thread& worker, const QString& family)
{
    QMutexLocker lock(&worker.mutex);
    worker.ps_response.family = family;
    worker.task_queue.clear();
}

} // namespace

class ConfigurationDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void formStartsOnFirstPages();
    void tablesHoldEveryCell();

    void refreshPostsReadsThenModuleTasks_data();
    void refreshPostsReadsThenModuleTasks();

    void repliesFillTableAndEndBusyState();
    void finishedSignalOnClose();
    void clearEmptiesValuesOnly();
};

void ConfigurationDialogTest::formStartsOnFirstPages()
{
    ps_thread worker(10);
    ConfigurationDialog dialog(&worker);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Configuration Window"));
    QCOMPARE(dialog.size(), QSize(869, 798));
    QCOMPARE(dialog.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->currentIndex(), 0);
    QCOMPARE(dialog.findChild<QStackedWidget*>(QStringLiteral("stackedWidget_table"))->currentIndex(), 0);
    QVERIFY(!dialog.currentTable());
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("lineEdit_privileges"))->text(),
             QStringLiteral("User"));
    auto* delay = dialog.findChild<QSpinBox*>(QStringLiteral("spinBox_Delay_Int3"));
    QVERIFY(delay);
    QCOMPARE(delay->minimum(), 1);
    QCOMPARE(delay->maximum(), 10000);
    QCOMPARE(delay->singleStep(), 10);
    QVERIFY(queued(worker).isEmpty()); // construction reads nothing from the supply
}

void ConfigurationDialogTest::tablesHoldEveryCell()
{
    ConfigurationDialog dialog(nullptr);
    const char* names[] = {"table_koraPS_series", "table_ORTX_series", "table_KORAPS_1K5_series"};
    for (const char* name : names) {
        auto* table = dialog.findChild<QTableWidget*>(QLatin1String(name));
        QVERIFY2(table, name);
        QCOMPARE(table->rowCount(), 131);
        QCOMPARE(table->columnCount(), 2);
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Field"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Value"));
        for (int row = 0; row < 131; ++row) {
            QVERIFY(table->item(row, 0));
            QVERIFY(table->item(row, 1));
            QCOMPARE(table->verticalHeaderItem(row)->text(), QString::number(row));
            QCOMPARE(table->item(row, 0)->flags(), Qt::ItemIsEnabled);
            QVERIFY(table->item(row, 1)->flags() & Qt::ItemIsEditable);
            QVERIFY(table->item(row, 1)->text().isEmpty());
        }
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Firwmare ID (**)"));
        QCOMPARE(table->item(113, 0)->text(), QStringLiteral("reserved"));
    }
    auto* k1k5 = dialog.findChild<QTableWidget*>(QStringLiteral("table_KORAPS_1K5_series"));
    QCOMPARE(k1k5->item(100, 0)->text(), QString::fromUtf8("Maximum Magnet Resistance [\u2126] (*)"));
    QCOMPARE(k1k5->item(70, 0)->text(),
             QStringLiteral("Constant Current (CV) PID: Mode (0 = signle, 1 = double) (**)"));
}

void ConfigurationDialogTest::refreshPostsReadsThenModuleTasks_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("reads");
    QTest::addColumn<QList<int>>("includes");
    QTest::addColumn<QList<int>>("excludes");

    QTest::newRow("KORA-PS") << "KORA-PS" << 0 << 64 << QList<int>{0, 30, 50, 70, 130}
                             << QList<int>{20, 75, 89, 96, 113};
    QTest::newRow("KORA-PS-M") << "KORA-PS-M" << 0 << 64 << QList<int>{} << QList<int>{20};
    QTest::newRow("ORTX") << "ORTX" << 1 << 78 << QList<int>{20, 75, 76, 77, 89, 96, 99}
                          << QList<int>{100, 103, 113};
    QTest::newRow("KORA-PS-1K5") << "KORA-PS-1K5" << 2 << 78 << QList<int>{26, 96, 100, 103}
                                 << QList<int>{75, 77, 89, 113};
    QTest::newRow("UNDEFINED") << "UNDEFINED" << 0 << 64 << QList<int>{} << QList<int>{};
    QTest::newRow("trailing blank is another family") << "ORTX " << 0 << 64 << QList<int>{} << QList<int>{75};
}

void ConfigurationDialogTest::refreshPostsReadsThenModuleTasks()
{
    QFETCH(QString, family);
    QFETCH(int, page);
    QFETCH(int, reads);
    QFETCH(QList<int>, includes);
    QFETCH(QList<int>, excludes);

    ps_thread worker(10);
    ConfigurationDialog dialog(&worker);
    setFamily(worker, family);
    dialog.refresh_visualization();

    const QList<ps_task> tasks = queued(worker);
    QCOMPARE(tasks.size(), reads + 3);
    QList<int> cells;
    int previous = -1;
    for (int i = 0; i < reads; ++i) {
        QCOMPARE(tasks.at(i).id, 16);
        QCOMPARE(tasks.at(i).params.size(), 1);
        bool ok = false;
        const int cell = tasks.at(i).params.at(0).toInt(&ok);
        QVERIFY(ok);
        QCOMPARE(tasks.at(i).params.at(0), QString::number(cell)); // plain decimal
        QVERIFY(cell > previous);                                  // ascending
        previous = cell;
        cells << cell;
    }
    QCOMPARE(tasks.at(reads).id, 6);
    QCOMPARE(tasks.at(reads + 1).id, 21);
    QCOMPARE(tasks.at(reads + 2).id, 257);

    for (int cell : includes)
        QVERIFY2(cells.contains(cell), qPrintable(QString::number(cell)));
    for (int cell : excludes)
        QVERIFY2(!cells.contains(cell), qPrintable(QString::number(cell)));

    auto* stack = dialog.findChild<QStackedWidget*>(QStringLiteral("stackedWidget_table"));
    QCOMPARE(stack->currentIndex(), page);
    QCOMPARE(dialog.currentTable()->parentWidget(), stack->currentWidget());
    auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    QCOMPARE(bar->maximum(), reads);
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("label_information"))->text(),
             QStringLiteral("Reading the supply's settings -> Save is NOT permitted until they are in"));
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("refresh_button"))->isEnabled());
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("save_in_ps_memory_button"))->isEnabled());
}

void ConfigurationDialogTest::repliesFillTableAndEndBusyState()
{
    ps_thread worker(10);
    ConfigurationDialog dialog(&worker);
    setFamily(worker, QStringLiteral("KORA-PS"));
    dialog.refresh_visualization();
    const QList<ps_task> tasks = queued(worker);

    {
        QMutexLocker lock(&worker.mutex);
        for (int cell = 0; cell < 131; ++cell)
            worker.ps_response.memory[cell] = QStringLiteral("v%1").arg(cell);
    }

    auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    auto* refresh = dialog.findChild<QPushButton*>(QStringLiteral("refresh_button"));
    // Replies arrive for every posted read, failed ones included.
    for (int i = 0; i < 64; ++i) {
        const int cell = tasks.at(i).params.at(0).toInt();
        emit worker.memory_data_read(cell);
        QCOMPARE(dialog.currentTable()->item(cell, 1)->text(), QStringLiteral("v%1").arg(cell));
        if (i < 63) {
            QCOMPARE(bar->value(), i + 1);
            QVERIFY(!refresh->isEnabled());
        }
    }
    QVERIFY(refresh->isEnabled());
    QCOMPARE(bar->value(), 0);
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("save_PID_button"))->isEnabled());
    emit worker.void_sync_signal(); // the pages follow the cells
    QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("save_in_ps_memory_button"))->isEnabled());

    // A later read-back updates its row and leaves the idle state alone.
    {
        QMutexLocker lock(&worker.mutex);
        worker.ps_response.memory[30] = QStringLiteral("renamed");
    }
    emit worker.memory_data_read(30);
    QCOMPARE(dialog.currentTable()->item(30, 1)->text(), QStringLiteral("renamed"));
    QVERIFY(refresh->isEnabled());
}

void ConfigurationDialogTest::finishedSignalOnClose()
{
    ConfigurationDialog dialog(nullptr);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    dialog.findChild<QPushButton*>(QStringLiteral("close_button"))->click();
    QCOMPARE(finished.count(), 1);
    QVERIFY(dialog.isHidden());

    dialog.show();
    dialog.reject(); // Escape or the title bar
    QCOMPARE(finished.count(), 2);
}

void ConfigurationDialogTest::clearEmptiesValuesOnly()
{
    ps_thread worker(10);
    ConfigurationDialog dialog(&worker);
    // Before any refresh the shown table is cleared (nothing to crash on).
    dialog.findChild<QPushButton*>(QStringLiteral("clear_table_button"))->click();

    setFamily(worker, QStringLiteral("ORTX"));
    dialog.refresh_visualization();
    {
        QMutexLocker lock(&worker.mutex);
        worker.ps_response.memory[2] = QStringLiteral("SN-1");
    }
    for (const ps_task& task : queued(worker)) {
        if (task.id == ps_thread::TaskReadMemory)
            emit worker.memory_data_read(task.params.at(0).toInt());
    }
    emit worker.void_sync_signal();
    setFamily(worker, QStringLiteral("ORTX"));
    QTableWidget* table = dialog.currentTable();
    QCOMPARE(table->item(2, 1)->text(), QStringLiteral("SN-1"));

    dialog.findChild<QPushButton*>(QStringLiteral("clear_table_button"))->click();
    QVERIFY(table->item(2, 1)->text().isEmpty());
    QCOMPARE(table->item(2, 0)->text(), QStringLiteral("Serial Number (**)"));
    QVERIFY(queued(worker).isEmpty()); // nothing posted
    QMutexLocker lock(&worker.mutex);
    QCOMPARE(worker.ps_response.memory.at(2), QStringLiteral("SN-1"));
}

QTEST_MAIN(ConfigurationDialogTest)
#include "tst_configurationdialog.moc"
