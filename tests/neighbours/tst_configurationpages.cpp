#include "configfile.h"
#include "configprompts.h"
#include "configurationdialog.h"
#include "filesizecap.h"
#include "memoryfile.h"
#include "memorymap.h"
#include "pidconfig.h"
#include "ps_data.h"
#include "ps_thread.h"
#include "strayinput.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMutexLocker>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include <functional>

#include <sys/stat.h>

namespace
{

// Task ids and their parameters, "17:10:v" style, for compact comparisons.
QStringList queuedTasks(ps_thread& worker, bool clear = true)
{
    QMutexLocker lock(&worker.mutex);
    QStringList tasks;
    for (const ps_task& task : worker.task_queue) {
        QStringList parts{QString::number(task.id)};
        for (const QString& p : task.params)
            if (!p.isEmpty() || task.params.size() > 1)
                parts << p;
        tasks << parts.join(QLatin1Char(':'));
    }
    if (clear)
        worker.task_queue.clear();
    return tasks;
}

QStringList idsOf(const QStringList& tasks)
{
    QStringList ids;
    for (const QString& t : tasks)
        ids << t.section(QLatin1Char(':'), 0, 0);
    return ids;
}

// What the combo box does when the user picks an entry.
void choose(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// Collects the warnings Qt reports while it lives.
class WarningLog
{
public:
    WarningLog()
    {
        texts().clear();
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                texts() << text;
        });
    }
    ~WarningLog() { qInstallMessageHandler(previous); }
    static QStringList& texts()
    {
        static QStringList list;
        return list;
    }

private:
    QtMessageHandler previous;
};

} // namespace

class ConfigurationPagesTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formRowsAreTheMemoryMap();
    void eachCellFillsItsField_data();
    void eachCellFillsItsField();
    void refreshRefusedWhileFamilyUnknown();
    void nothingIsSavedBeforeTheNewConnectionIsRead_data();
    void nothingIsSavedBeforeTheNewConnectionIsRead();
    void fileActionsUseTheShownTable_data();
    void fileActionsUseTheShownTable();
    void aNewRefreshNeverCountsAnEarlierOnesReplies_data();
    void aNewRefreshNeverCountsAnEarlierOnesReplies();
    void writeBackPostsWritesSaveSyncAndReportsRefusals();
    void pageSaveDuringWriteBackKeepsBusy();
    void writeBackRefusesUnsafeText();
    void privilegesMarkRowsAndInterlockTab();
    void localModeLocksEverySaveAndSaysSo();
    void passwordSetAndCancel();
    void idAndPidSavesPostWritesSaveReads();
    void strayReturnOrWheelDoesNothing();
    void pageSavesRefuseUnsafeText_data();
    void pageSavesRefuseUnsafeText();
    void pidSaveRefusesNonNumbers();
    void interlockSaveKeepsHiddenBitsAndUnchangedDelays();
    void unreadableMaskIsWrittenOnlyWhenChanged_data();
    void unreadableMaskIsWrittenOnlyWhenChanged();
    void cellsNotReadAreNotWritten_data();
    void cellsNotReadAreNotWritten();
    void interlockSaveRefusedAfterFamilyChange();
    void defaultLimits();
    void jsonModeWritesOnlyOnChoice();
    void choosingTheCurrentEntryAppliesIt();
    void pidExportRoundTripAndRefusal();
    void memoryFileRoundTripAndBadRows();
    void unavailableEntriesStayListedAndMarked();
    void pidPictureWindowLifecycle();

private:
    template <class T> T* child(ConfigurationDialog& d, const char* name)
    {
        T* w = d.findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    void setData(const std::function<void(ps_data&)>& change)
    {
        QMutexLocker lock(&worker->mutex);
        change(worker->ps_response);
    }
    // Opens the window on `family` and answers every read, the status, the
    // privileges and the sync as the worker would.
    void openOn(ConfigurationDialog& dialog, const QString& family, const QString& privileges = "SUPERADMIN");
    QString writePidFile(const QString& name, double base);

    ps_thread* worker = nullptr;
    QTemporaryDir dir;
    QStringList boxes;
    QStringList fileAnswers;
};

void ConfigurationPagesTest::init()
{
    worker = new ps_thread(10);
    boxes.clear();
    fileAnswers.clear();
    ConfigFile::setFolder(dir.path());
    QFile::remove(dir.filePath(QStringLiteral("Amperix.config")));
    ConfigPrompts::setBoxHook([this](QWidget*, ConfigPrompts::BoxKind, const QString& title, const QString& text) {
        boxes << title + QLatin1Char('|') + text;
    });
    ConfigPrompts::setFileHook([this](QWidget*, bool, const QString&, const QString&, const QString&) {
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    });
}

void ConfigurationPagesTest::cleanup()
{
    ConfigPrompts::setBoxHook({});
    ConfigPrompts::setFileHook({});
    ConfigPrompts::setTextHook({});
    ConfigFile::setFolder(QString());
    delete worker;
}

void ConfigurationPagesTest::openOn(ConfigurationDialog& dialog, const QString& family, const QString& privileges)
{
    setData([&](ps_data& d) {
        d.family = family;
        d.model_text = family + QStringLiteral(" 10-20");
        d.privileges = privileges;
        d.status = QStringLiteral("0");
        d.status_flags = 0;
        d.status_read = true;
        for (int cell = 0; cell < 131; ++cell) {
            d.memory[cell] = QString::number(cell);
            d.memory_read[cell] = true;
        }
    });
    queuedTasks(*worker);
    dialog.refresh_visualization();
    for (const QString& task : queuedTasks(*worker)) {
        if (task.startsWith(QLatin1String("16:")))
            emit worker->memory_data_read(task.mid(3).toInt());
    }
    ps_data data;
    worker->get_ps_data(data);
    emit worker->status_read(data);
    emit worker->privileges_read();
    emit worker->void_sync_signal();
}

QString ConfigurationPagesTest::writePidFile(const QString& name, double base)
{
    QJsonObject json;
    for (int i = 0; i < PIDConfig::KeyCount; ++i)
        json[PIDConfig::keys().at(i)] = base + i;
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QJsonDocument(json).toJson());
    return path;
}

void ConfigurationPagesTest::formRowsAreTheMemoryMap()
{
    ConfigurationDialog dialog(worker);
    const std::pair<const char*, MemoryMap::Table> tables[] = {
        {"table_koraPS_series", MemoryMap::Table::KoraPs},
        {"table_ORTX_series", MemoryMap::Table::Ortx},
        {"table_KORAPS_1K5_series", MemoryMap::Table::KoraPs1K5}};
    for (const auto& t : tables) {
        QTableWidget* table = child<QTableWidget>(dialog, t.first);
        for (int row = 0; row < MemoryMap::RowCount; ++row)
            QCOMPARE(table->item(row, 0)->text(), MemoryMap::fieldText(t.second, row));
    }
}

// Each page field that shows a cell, a row "cell|field|text|shown|written|told":
// what it shows ("=" the text; a check box 1 partly, 2 checked), what an unchanged
// Save writes there, what the fill's one box says ("" no box). Text "-": no read.
void ConfigurationPagesTest::eachCellFillsItsField_data()
{
    QTest::addColumn<QStringList>("row");
    const auto row = [](const QString& row) { QTest::newRow(qPrintable(row.left(40))) << row.split('|'); };
    // Line edits ("lineEdit_" and the name) go back as they show the cell; 2, 9
    // and 130 are shown only; an unchanged delay is never written.
    const QStringList texts =
        QStringLiteral(
            "30 id_lineEdit 93 Name_Int1 95 Name_Int2 97 Name_Int3 99 Name_Int4 82 max_temperature "
            "83 min_dc_link 84 max_earth_current 86 regulation_current_limit 87 regulation_voltage_limit "
            "88 regulation_int_time 100 quench_Rmax 101 quench_Rmin 102 quench_current_thr "
            "103 quench_int_time 40 PIDI_Kp_v 41 PIDI_Ki_v 42 PIDI_Kd_v 43 PIDI_Kp_i 44 PIDI_Ki_i "
            "45 PIDI_Kd_i 46 PIDI_V_max 47 PIDI_V_min 48 PIDI_I_max 49 PIDI_I_min 60 PIDV_Kp_i "
            "61 PIDV_Ki_i 62 PIDV_Kd_i 63 PIDV_Kp_v 64 PIDV_Ki_v 65 PIDV_Kd_v 66 PIDV_I_max 67 PIDV_I_min "
            "68 PIDV_V_max 69 PIDV_V_min 2 serial_lineEdit 9 cal_date_lineEdit 130 capabilities_lineEdit "
            "92 spinBox_Delay_Int1 94 spinBox_Delay_Int2 96 spinBox_Delay_Int3 98 spinBox_Delay_Int4")
            .split(' ');
    for (int i = 0; i < texts.size(); i += 2) {
        const QString& c = texts[i];
        const QString field =
            texts[i + 1].contains(QRegularExpression("Edit|Box")) ? texts[i + 1] : "lineEdit_" + texts[i + 1];
        row(c + '|' + field + '|' + c + "|=|" +
            (field.startsWith("lineEdit_") || c == "30" ? "17:" + c + ':' + c : "") + '|');
    }
    row("30|id_lineEdit|" + QString(40000, 'n') + '|' + QString(32767, 'n') + "||cannot show: cell 30");
    // A delay cell is a base-10 integer, blanks around it allowed.
    for (const char* five : {" 5", "05", "+5"})
        row(QString("92|spinBox_Delay_Int1|%1|5||").arg(five));
    // A mask shows bit n-1 in interlock n's box, and goes back as the supply holds it.
    for (int i = 0; i < 8; ++i)
        row(QString("%1|checkBox_%2_Int%3|%4|2|17:%1:%4|")
                .arg(90 + i / 4)
                .arg(i < 4 ? "Enable" : "Active_Level")
                .arg(i % 4 + 1)
                .arg(1 << i % 4));
    row("50|checkBoxFastCCLoop|1|2||");
    row("70|checkBoxFastCVLoop|1|2||");
    row("50|checkBoxFastCCLoop|-|1||memory rows 50");
}

void ConfigurationPagesTest::eachCellFillsItsField()
{
    QFETCH(QStringList, row);
    const int cell = row[0].toInt();
    const QString text = row[2] == "-" ? QString() : row[2];
    const char* family = cell >= 100 && cell < 104 ? "KORA-PS-1K5" : cell / 10 == 9 ? "ORTX" : "KORA-PS";
    ConfigurationDialog dialog(worker);
    openOn(dialog, family);
    for (int c = text.isNull() ? 40 : cell; c <= (text.isNull() ? 70 : cell); ++c) // "-": the PID page
        setData([&](ps_data& d) { d.memory[c] = text, d.memory_read[c] = !text.isNull(); }),
            emit worker->memory_data_read(c);
    emit worker->void_sync_signal();
    const auto* box = dialog.findChild<QCheckBox*>(row[1]);
    QCOMPARE(box ? QString::number(box->checkState())
                 : child<QWidget>(dialog, qPrintable(row[1]))->property("text").toString(),
             row[3] == "=" ? text : row[3]);
    if (cell >= 30 && cell <= 103) {
        const QString page = cell == 30 ? "ID" : cell < 80 ? "PID" : "interlocks_limits";
        child<QPushButton>(dialog, qPrintable("save_" + page + "_button"))->click();
        const QStringList tasks = queuedTasks(*worker);
        QCOMPARE(tasks.filter(QRegularExpression(QStringLiteral("^17:%1:").arg(cell))),
                 row[4].isEmpty() ? QStringList() : QStringList{row[4]});
        // A Save with nothing to write sends nothing: no MSAVE, no read-back.
        QCOMPARE(tasks.isEmpty(), cell == 30 ? row[4].isEmpty() : text.isNull());
    }
    // Said once: a refresh that reads every cell says nothing.
    QCoreApplication::processEvents();
    for (int refresh = 0; refresh < 2; ++refresh, openOn(dialog, family), QCoreApplication::processEvents())
        QVERIFY2(boxes.size() == !row[5].isEmpty() && boxes.join('\n').contains(row[5]),
                 qPrintable(boxes.join('\n')));
}

void ConfigurationPagesTest::refreshRefusedWhileFamilyUnknown()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("ORTX"));
    QVERIFY(dialog.currentTable());

    // A new connection whose model is not read yet.
    setData([](ps_data& d) { d.family.clear(); });
    dialog.refresh_visualization();
    QVERIFY(queuedTasks(*worker).isEmpty());
    QVERIFY(!dialog.currentTable());
    QCOMPARE(child<QLabel>(dialog, "label_information")->text(),
             QStringLiteral("The supply's model is not known yet: refresh again"));
    child<QTableWidget>(dialog, "table_ORTX_series")->item(30, 1)->setText(QStringLiteral("edited"));
    child<QPushButton>(dialog, "save_in_ps_memory_button")->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
}

void ConfigurationPagesTest::nothingIsSavedBeforeTheNewConnectionIsRead_data()
{
    QTest::addColumn<bool>("midRefresh");
    QTest::addColumn<QString>("says");
    QTest::newRow("after a refresh")
        << false << "The supply's settings are not read yet: refresh first -> Save is NOT permitted";
    QTest::newRow("during a refresh")
        << true
        << "The refresh stopped because the connection changed: refresh again -> Save is NOT permitted";
}

void ConfigurationPagesTest::nothingIsSavedBeforeTheNewConnectionIsRead()
{
    QFETCH(bool, midRefresh);
    QFETCH(QString, says);
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    dialog.appendPIDJsonFileToCombobox(writePidFile(QStringLiteral("earlier.json"), 1));
    if (midRefresh) {
        dialog.refresh_visualization();
        emit worker->void_sync_signal(); // posted before this refresh
        // One reply in; the old connection's queue goes with the rest.
        emit worker->memory_data_read(queuedTasks(*worker).first().mid(3).toInt());
        QCOMPARE(child<QProgressBar>(dialog, "progressBar")->value(), 1);
    }

    // Another unit of the same family; its refresh has not come yet.
    emit worker->signalStateChanged(QAbstractSocket::ConnectedState);
    QCOMPARE(child<QLabel>(dialog, "label_information")->text(), says);
    QCOMPARE(child<QProgressBar>(dialog, "progressBar")->value(), 0);
    QVERIFY(child<QPushButton>(dialog, "refresh_button")->isEnabled());
    for (const char* name : {"save_ID_button", "save_interlocks_limits_button", "save_in_ps_memory_button",
                             "save_PID_button", "save_to_file_button", "load_from_file_button",
                             "clear_table_button", "pushButtonPIDConfigExport"})
        QVERIFY2(!child<QPushButton>(dialog, name)->isEnabled(), name);
    dialog.currentTable()->item(30, 1)->setText(QStringLiteral("x"));
    const QString file = dir.filePath(QStringLiteral("earlier.psm"));
    fileAnswers << file;
    for (const char* slot : {"on_save_ID_button_clicked", "on_save_interlocks_limits_button_clicked",
                             "on_save_in_ps_memory_button_clicked", "on_save_PID_button_clicked",
                             "on_save_to_file_button_clicked"})
        QMetaObject::invokeMethod(&dialog, slot);
    child<QGroupBox>(dialog, "groupBoxJSON")->setChecked(true);
    QMetaObject::invokeMethod(&dialog, "on_groupBoxJSON_clicked");
    QVERIFY(queuedTasks(*worker).isEmpty());
    QVERIFY(!QFile::exists(file));
    QCOMPARE(boxes.size(), 1); // the JSON apply says why nothing was sent

    // The connection's own refresh lets the window write again.
    openOn(dialog, QStringLiteral("KORA-PS"));
    QVERIFY(child<QPushButton>(dialog, "save_in_ps_memory_button")->isEnabled());
    QVERIFY(child<QLabel>(dialog, "label_information")->text().isEmpty());
    choose(child<QComboBox>(dialog, "comboBoxPIDConfig"), 0);
    QCOMPARE(queuedTasks(*worker).first(), QStringLiteral("17:40:1"));
}

void ConfigurationPagesTest::fileActionsUseTheShownTable_data()
{
    QTest::addColumn<QString>("family");
    QTest::newRow("ORTX") << "ORTX";
    QTest::newRow("KORA-PS-1K5") << "KORA-PS-1K5";
}

void ConfigurationPagesTest::fileActionsUseTheShownTable()
{
    QFETCH(QString, family);
    ConfigurationDialog dialog(worker);
    openOn(dialog, family);
    dialog.currentTable()->item(96, 1)->setText(QStringLiteral("196"));
    setData([](ps_data& d) { d.family.clear(); });
    dialog.refresh_visualization(); // refused: the family's table stays shown

    const QString path = dir.filePath(QStringLiteral("shown.psm"));
    fileAnswers << path;
    child<QPushButton>(dialog, "save_to_file_button")->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\n96:196\n"));
}

void ConfigurationPagesTest::aNewRefreshNeverCountsAnEarlierOnesReplies_data()
{
    QTest::addColumn<bool>("closeFirst");
    QTest::newRow("window open") << false;
    QTest::newRow("window closed mid-refresh") << true;
}

void ConfigurationPagesTest::aNewRefreshNeverCountsAnEarlierOnesReplies()
{
    QFETCH(bool, closeFirst);
    ConfigurationDialog dialog(worker);
    setData([](ps_data& d) { d.family = QStringLiteral("KORA-PS"); });
    queuedTasks(*worker);
    dialog.refresh_visualization();
    dialog.show();
    const QStringList first = queuedTasks(*worker).mid(0, 64);
    auto answer = [this](const QStringList& reads) {
        for (const QString& read : reads)
            emit worker->memory_data_read(read.mid(3).toInt());
    };
    answer(first.mid(0, 10));

    if (closeFirst)
        dialog.close();
    dialog.refresh_visualization();
    dialog.show();
    const QStringList second = queuedTasks(*worker).mid(0, 64);
    auto* refresh = child<QPushButton>(dialog, "refresh_button");
    answer(first.mid(10));
    QVERIFY(!refresh->isEnabled());
    answer(second.mid(0, 63));
    QVERIFY(!refresh->isEnabled());
    QCOMPARE(child<QProgressBar>(dialog, "progressBar")->value(), 63);
    answer(second.mid(63));
    QVERIFY(refresh->isEnabled());
}

void ConfigurationPagesTest::writeBackPostsWritesSaveSyncAndReportsRefusals()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    QTableWidget* table = dialog.currentTable();
    table->item(10, 1)->setText(QStringLiteral("1.5"));
    table->item(42, 1)->setText(QStringLiteral("abc"));
    table->item(20, 1)->setText(QStringLiteral("9")); // reserved on this family
    table->item(31, 1)->setText(QStringLiteral("31")); // unchanged

    auto* save = child<QPushButton>(dialog, "save_in_ps_memory_button");
    save->click();
    QCOMPARE(queuedTasks(*worker), (QStringList{"17:10:1.5", "17:42:abc", "18", "257"}));
    QCOMPARE(child<QProgressBar>(dialog, "progressBar")->maximum(), 2);
    QVERIFY(!save->isEnabled());

    // Cell 42 is refused by the supply: the worker keeps its old value.
    setData([](ps_data& d) {
        d.memory[10] = QStringLiteral("1.5");
        d.memory_write_result[10] = 0;
        d.memory_write_result[42] = 5;
    });
    emit worker->memory_data_write(10);
    QVERIFY(!save->isEnabled());
    emit worker->memory_data_write(42);
    QVERIFY(save->isEnabled());
    emit worker->void_sync_signal();
    QCOMPARE(boxes, QStringList{QStringLiteral("Save to PS Memory|1 of 2 cells were not accepted: 42")});

    // Nothing changed: nothing posted, not even the save.
    table->item(42, 1)->setText(QStringLiteral("42"));
    save->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
}

void ConfigurationPagesTest::pageSaveDuringWriteBackKeepsBusy()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    child<QPushButton>(dialog, "save_PID_button")->click(); // 20 writes ahead of the write-back
    dialog.currentTable()->item(10, 1)->setText(QStringLiteral("x"));
    dialog.currentTable()->item(11, 1)->setText(QStringLiteral("y"));
    auto* save = child<QPushButton>(dialog, "save_in_ps_memory_button");
    save->click();
    QVERIFY(!save->isEnabled());

    // The page's two first replies must not end the write-back's batch of two.
    emit worker->memory_data_write(40);
    emit worker->memory_data_write(41);
    QVERIFY(!save->isEnabled());
    for (int cell = 42; cell <= 69; ++cell)
        if (cell <= 49 || cell >= 60)
            emit worker->memory_data_write(cell);
    QVERIFY(!save->isEnabled());
    emit worker->memory_data_write(10);
    emit worker->memory_data_write(11);
    QVERIFY(save->isEnabled());

    // A new refresh replaces a running write-back too: its replies end nothing.
    save->click();
    dialog.refresh_visualization();
    emit worker->memory_data_write(10);
    emit worker->memory_data_write(11);
    QVERIFY(!child<QPushButton>(dialog, "refresh_button")->isEnabled());
}

void ConfigurationPagesTest::writeBackRefusesUnsafeText()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("ORTX"));
    dialog.currentTable()->item(30, 1)->setText(QStringLiteral("a\rMOFF"));
    dialog.currentTable()->item(93, 1)->setText(QString::fromUtf8("5 \u2126"));
    dialog.currentTable()->item(95, 1)->setText(QStringLiteral("fine"));
    child<QPushButton>(dialog, "save_in_ps_memory_button")->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first().contains(QLatin1String(": 30, 93.")));
}

void ConfigurationPagesTest::privilegesMarkRowsAndInterlockTab()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"), QStringLiteral("ADMIN"));
    QTableWidget* table = dialog.currentTable();
    QVERIFY(table->item(50, 1)->flags() & Qt::ItemIsEditable);  // (*)
    QVERIFY(!(table->item(70, 1)->flags() & Qt::ItemIsEditable)); // (**)
    QVERIFY(!(table->item(113, 1)->flags() & Qt::ItemIsEditable));
    QVERIFY(child<QTabWidget>(dialog, "tabWidget")->isTabEnabled(1));

    openOn(dialog, QStringLiteral("KORA-PS"), QStringLiteral("admin"));
    QVERIFY(!(table->item(50, 1)->flags() & Qt::ItemIsEditable));
    QVERIFY(table->item(30, 1)->flags() & Qt::ItemIsEditable);
    QVERIFY(!child<QTabWidget>(dialog, "tabWidget")->isTabEnabled(1));
    // A changed admin row is not sent at level 0.
    table->item(50, 1)->setText(QStringLiteral("1"));
    child<QPushButton>(dialog, "save_in_ps_memory_button")->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
}

void ConfigurationPagesTest::localModeLocksEverySaveAndSaysSo()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    const QString pid = writePidFile(QStringLiteral("local.json"), 1);
    dialog.appendPIDJsonFileToCombobox(pid);

    ps_data data;
    data.status_flags = 0x4;
    data.status_read = true;
    emit worker->status_read(data);
    for (const char* name : {"save_ID_button", "save_interlocks_limits_button", "save_in_ps_memory_button",
                             "save_PID_button"})
        QVERIFY2(!child<QPushButton>(dialog, name)->isEnabled(), name);
    QCOMPARE(child<QLabel>(dialog, "label_information")->text(),
             QStringLiteral("The Power Unit is in LOCAL mode -> Save is NOT permitted"));

    // Even a direct call posts nothing; the JSON-mode apply neither.
    dialog.currentTable()->item(30, 1)->setText(QStringLiteral("x"));
    QMetaObject::invokeMethod(&dialog, "on_save_in_ps_memory_button_clicked");
    QMetaObject::invokeMethod(&dialog, "on_save_PID_button_clicked");
    QMetaObject::invokeMethod(&dialog, "on_save_ID_button_clicked");
    child<QGroupBox>(dialog, "groupBoxJSON")->setChecked(true);
    QMetaObject::invokeMethod(&dialog, "on_groupBoxJSON_clicked");
    choose(child<QComboBox>(dialog, "comboBoxPIDConfig"), 0);
    QVERIFY(queuedTasks(*worker).isEmpty());
    // Switching the mode on and choosing the entry each tell why.
    QCOMPARE(boxes.count(QStringLiteral("Save|The Power Unit is in LOCAL mode -> Save is NOT permitted")), 2);

    data.status_flags = 0x3;
    emit worker->status_read(data);
    QVERIFY(child<QPushButton>(dialog, "save_in_ps_memory_button")->isEnabled());
    QVERIFY(child<QPushButton>(dialog, "save_ID_button")->isEnabled());
    QVERIFY(!child<QPushButton>(dialog, "save_PID_button")->isEnabled()); // JSON mode
    QVERIFY(child<QLabel>(dialog, "label_information")->text().isEmpty());

    // No status word read on this connection: no state to save under.
    emit worker->status_read(ps_data());
    QVERIFY(!child<QPushButton>(dialog, "save_in_ps_memory_button")->isEnabled());
    QCOMPARE(child<QLabel>(dialog, "label_information")->text(),
             QStringLiteral("The supply's status is not read yet -> Save is NOT permitted"));
}

void ConfigurationPagesTest::passwordSetAndCancel()
{
    ConfigurationDialog dialog(worker);
    QString answer;
    bool confirm = true;
    ConfigPrompts::setTextHook([&](QWidget*, const QString&, const QString&, bool* ok) {
        *ok = confirm;
        return answer;
    });
    auto* button = child<QPushButton>(dialog, "set_password_button");
    answer = QStringLiteral("two words");
    button->click();
    QCOMPARE(queuedTasks(*worker), (QStringList{"20:two words", "21"}));
    confirm = false;
    button->click();
    confirm = true;
    answer.clear();
    button->click();
    answer = QStringLiteral("pw\rMOFF");
    button->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
    QCOMPARE(boxes.size(), 1);
    QVERIFY(!boxes.first().contains(QLatin1String("MOFF"))); // never shown

    emit worker->password_set(7);
    emit worker->password_set(0);
    emit worker->password_set(ps_data::unanswered);
    QCOMPARE(boxes.mid(1), (QStringList{"Password info|Wrong Password", "Password info|Password Accepted",
                                        "Password info|No reply from the supply"}));
}

void ConfigurationPagesTest::idAndPidSavesPostWritesSaveReads()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    child<QLineEdit>(dialog, "id_lineEdit")->setText(QStringLiteral("Magnet 7"));
    child<QPushButton>(dialog, "save_ID_button")->click();
    QCOMPARE(queuedTasks(*worker), (QStringList{"17:30:Magnet 7", "18", "16:30"}));

    child<QPushButton>(dialog, "save_PID_button")->click();
    const QStringList tasks = queuedTasks(*worker);
    QCOMPARE(tasks.size(), 43);
    QCOMPARE(tasks.first(), QStringLiteral("17:40:40"));
    QCOMPARE(tasks.at(10), QStringLiteral("17:60:60"));
    QCOMPARE(tasks.at(20), QStringLiteral("18"));
    QCOMPARE(tasks.at(21), QStringLiteral("16:40"));
    QCOMPARE(tasks.mid(41), (QStringList{"16:50", "16:70"}));
    QVERIFY(!tasks.contains(QStringLiteral("17:50:50")));
}

void ConfigurationPagesTest::strayReturnOrWheelDoesNothing()
{
    // With the unit read the Saves are enabled: a default one would write.
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    auto effects = [this] {
        QStringList what = queuedTasks(*worker);
        what << boxes;
        boxes.clear();
        return what.join(QLatin1Char(' '));
    };
    QStringList found = returnInEveryControl(&dialog, effects);
    found << wheelOverEveryControl(&dialog, effects);
    QVERIFY(nothingFound(found));
}

void ConfigurationPagesTest::pageSavesRefuseUnsafeText_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cells");
    QTest::newRow("identification") << "id_lineEdit" << "save_ID_button" << "Magnet\n7" << ": 30.";
    QTest::newRow("interlock name") << "lineEdit_Name_Int2" << "save_interlocks_limits_button"
                                    << QStringLiteral("Door") + QChar(0) << ": 95.";
}

void ConfigurationPagesTest::pageSavesRefuseUnsafeText()
{
    QFETCH(QString, field);
    QFETCH(QString, button);
    QFETCH(QString, text);
    QFETCH(QString, cells);
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    child<QLineEdit>(dialog, qPrintable(field))->setText(text);
    child<QPushButton>(dialog, qPrintable(button))->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first().contains(cells));
}

void ConfigurationPagesTest::pidSaveRefusesNonNumbers()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    child<QLineEdit>(dialog, "lineEdit_PIDV_Ki_v")->setText(QString());
    child<QPushButton>(dialog, "save_PID_button")->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first().contains(QLatin1String("Constant Voltage (CV) PID: Ki_v")));
}

void ConfigurationPagesTest::interlockSaveKeepsHiddenBitsAndUnchangedDelays()
{
    ConfigurationDialog dialog(worker);
    setData([](ps_data& d) { d.memory[90] = QStringLiteral("A"); });
    openOn(dialog, QStringLiteral("KORA-PS"));
    setData([](ps_data& d) {
        d.memory[90] = QStringLiteral("A");
        d.memory[92] = QStringLiteral("none");
    });
    emit worker->void_sync_signal();
    QVERIFY(!child<QCheckBox>(dialog, "checkBox_Enable_Int1")->isChecked());
    QVERIFY(child<QCheckBox>(dialog, "checkBox_Enable_Int2")->isChecked());
    QCOMPARE(child<QSpinBox>(dialog, "spinBox_Delay_Int1")->value(), 1);

    auto* save = child<QPushButton>(dialog, "save_interlocks_limits_button");
    save->click();
    QStringList tasks = queuedTasks(*worker);
    QCOMPARE(tasks.mid(0, 4), (QStringList{"17:93:93", "17:95:95", "17:90:a", "17:91:91"}));
    QCOMPARE(idsOf(tasks).count(QStringLiteral("17")), 10); // no delay written
    const int save18 = tasks.indexOf(QStringLiteral("18"));
    QStringList reads;
    for (const QString& t : tasks.mid(save18 + 1))
        reads << t.mid(3);
    QCOMPARE(reads, (QStringList{"93", "95", "92", "94", "90", "91", "78", "79", "80", "81", "82", "83", "84",
                                 "86", "87", "88"}));

    // A typed group separator is refused, not dropped: "1,5" never shows as 15.
    auto* delay = child<QSpinBox>(dialog, "spinBox_Delay_Int2");
    delay->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("1,5"));
    QCOMPARE(delay->text(), QStringLiteral("15"));

    child<QSpinBox>(dialog, "spinBox_Delay_Int2")->setValue(500);
    save->click();
    tasks = queuedTasks(*worker);
    QVERIFY(tasks.contains(QStringLiteral("17:94:500")));
    QVERIFY(!tasks.contains(QStringLiteral("17:92:1")));
    // Once the supply holds 500, the delay set back differs from it again;
    // so it does at either end of the spin box's range.
    for (const char* held : {"500", "1", "10000"}) {
        setData([held](ps_data& d) { d.memory[94] = QLatin1String(held); });
        child<QSpinBox>(dialog, "spinBox_Delay_Int2")->setValue(94);
        save->click();
        QVERIFY2(queuedTasks(*worker).contains(QStringLiteral("17:94:94")), held);
    }

    // Four interlocks and quench: 24 read-backs.
    openOn(dialog, QStringLiteral("KORA-PS-1K5"));
    save->click();
    tasks = queuedTasks(*worker);
    QCOMPARE(idsOf(tasks).count(QStringLiteral("16")), 24);
    QCOMPARE(tasks.last(), QStringLiteral("16:103"));
    QVERIFY(tasks.contains(QStringLiteral("17:100:100")));

    child<QLineEdit>(dialog, "lineEdit_quench_Rmin")->setText(QStringLiteral("low"));
    save->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
    QVERIFY(boxes.last().contains(QLatin1String("Minimum Magnet Resistance")));
}

void ConfigurationPagesTest::unreadableMaskIsWrittenOnlyWhenChanged_data()
{
    QTest::addColumn<QString>("enable");
    QTest::addColumn<QString>("level");
    QTest::addColumn<QStringList>("unchanged"); // mask writes of a Save with nothing touched
    QTest::addColumn<QString>("clicked");       // the enable write once interlock 4 is ticked
    for (const char* text : {"-1", "3.0", "1FFFFFFFF", "nan"})
        QTest::newRow(text) << QString::fromLatin1(text) << QString::fromLatin1(text) << QStringList() << "17:90:8";
    QTest::newRow("enable readable, level not") << "5" << "x" << QStringList{"17:90:5"} << "17:90:d";
    QTest::newRow("level readable, enable not") << "x" << "5" << QStringList{"17:91:5"} << "17:90:8";
    QTest::newRow("enable empty") << "" << "3" << QStringList{"17:91:3"} << "17:90:8";
}

void ConfigurationPagesTest::unreadableMaskIsWrittenOnlyWhenChanged()
{
    QFETCH(QString, enable);
    QFETCH(QString, level);
    QFETCH(QStringList, unchanged);
    QFETCH(QString, clicked);
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("ORTX"));
    setData([&](ps_data& d) {
        d.memory[90] = enable;
        d.memory[91] = level;
        d.memory[92] = QStringLiteral("abc");
    });
    emit worker->void_sync_signal();
    auto* save = child<QPushButton>(dialog, "save_interlocks_limits_button");
    save->click();
    QStringList tasks = queuedTasks(*worker);
    QVERIFY(tasks.contains(QStringLiteral("18")));
    QCOMPARE(tasks.filter(QRegularExpression(QStringLiteral("^17:9[01]:"))), unchanged);

    // Said once, however often the page is filled again.
    QTRY_COMPARE(boxes.size(), 1);
    const QString enableTold = QStringLiteral("cell 90 (interlock enable) \"") + enable + QLatin1Char('"');
    const QString levelTold = QStringLiteral("cell 91 (interlock active level) \"") + level + QLatin1Char('"');
    QVERIFY2(boxes.first().contains(enableTold) == !unchanged.contains(QStringLiteral("17:90:") + enable) &&
                 boxes.first().contains(levelTold) == !unchanged.contains(QStringLiteral("17:91:") + level) &&
                 boxes.first().contains(QLatin1String("cell 92 (delay of interlock 1) \"abc\"")),
             qPrintable(boxes.first()));
    emit worker->void_sync_signal();
    QCoreApplication::processEvents();
    QCOMPARE(boxes.size(), 1);

    // A box the user changed writes its mask. The level boxes are untouched:
    // the level stays as it is once the supply holds one the page never
    // showed, readable or not.
    setData([](ps_data& d) { d.memory[91] = QStringLiteral("3"); });
    child<QCheckBox>(dialog, "checkBox_Enable_Int4")->click();
    save->click();
    tasks = queuedTasks(*worker);
    QVERIFY(tasks.contains(clicked));
    QVERIFY(tasks.filter(QRegularExpression(QStringLiteral("^17:91:"))).isEmpty() || level == QLatin1String("3"));
}

void ConfigurationPagesTest::cellsNotReadAreNotWritten_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("cell");
    QTest::addColumn<bool>("refilled"); // the pages were filled after the failed read
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("told"); // in the last box
    const QString pid = QStringLiteral("save_PID_button");
    const QString page = QStringLiteral("save_interlocks_limits_button");
    const QString kdi = QStringLiteral("cell 45 (Constant Current (CC) PID: Kd_i) not read");
    QTest::newRow("PID cell refused") << pid << "lineEdit_PIDI_Kd_i" << 45 << true << "" << "" << kdi;
    QTest::newRow("PID cell refused after the fill")
        << pid << "lineEdit_PIDI_Kp_i" << 43 << false << "" << "" << "cell 43 (";
    QTest::newRow("PID cell refused, then typed")
        << pid << "lineEdit_PIDI_Kd_i" << 45 << true << "0.5" << "17:45:0.5" << "";
    QTest::newRow("PID cell refused, typed and emptied")
        << pid << "lineEdit_PIDI_Kd_i" << 45 << true << "5\b" << "" << "Kd_i is not a number";
    QTest::newRow("limit refused") << page << "lineEdit_max_temperature" << 82 << true << "" << "" << "cell 82 (";
    QTest::newRow("limit refused after the fill")
        << page << "lineEdit_min_dc_link" << 83 << false << "" << "" << "cell 83 (";
    QTest::newRow("name refused") << page << "lineEdit_Name_Int1" << 93 << true << "" << "" << "cell 93 (";
    QTest::newRow("quench refused") << page << "lineEdit_quench_Rmin" << 101 << true << "" << "" << "cell 101 (";
    QTest::newRow("delay refused") << page << "spinBox_Delay_Int1" << 92 << true << "" << "" << "cell 92 (";
    QTest::newRow("enable mask refused") << page << "checkBox_Enable_Int1" << 90 << true << "" << "" << "cell 90 (";
    QTest::newRow("module name refused")
        << "save_ID_button" << "id_lineEdit" << 30 << false << "" << "" << "cell 30 (";
    QTest::newRow("memory row refused") << "save_in_ps_memory_button" << "" << 45 << true << "" << "" << kdi;
    QTest::newRow("memory row refused, then typed")
        << "save_in_ps_memory_button" << "" << 45 << true << "7" << "17:45:7" << "";
}

void ConfigurationPagesTest::cellsNotReadAreNotWritten()
{
    QFETCH(QString, button);
    QFETCH(QString, field);
    QFETCH(int, cell);
    QFETCH(bool, refilled);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QString, told);
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS-1K5"));
    // The supply's value changed, and its read is refused.
    setData([cell](ps_data& d) {
        d.memory[cell] = QString();
        d.memory_read[cell] = false;
    });
    emit worker->memory_data_read(cell);
    if (refilled) {
        emit worker->void_sync_signal();
        QTRY_COMPARE(boxes.size(), 1);
        if (auto* edit = dialog.findChild<QLineEdit*>(field))
            QCOMPARE(edit->placeholderText(), QStringLiteral("not read"));
        if (auto* delay = dialog.findChild<QSpinBox*>(field))
            QCOMPARE(delay->text(), QStringLiteral("not read"));
    }
    if (field.isEmpty() && !typed.isEmpty())
        dialog.currentTable()->item(cell, 1)->setText(typed);
    else if (!typed.isEmpty())
        QTest::keyClicks(child<QLineEdit>(dialog, qPrintable(field)), typed);
    child<QPushButton>(dialog, qPrintable(button))->click();
    const QStringList writes =
        queuedTasks(*worker).filter(QRegularExpression(QStringLiteral("^17:%1:").arg(cell)));
    QCOMPARE(writes, written.isEmpty() ? QStringList() : QStringList{written});
    if (!told.isEmpty())
        QVERIFY2(!boxes.isEmpty() && boxes.last().contains(told), qPrintable(boxes.join(QLatin1Char('\n'))));
}

void ConfigurationPagesTest::interlockSaveRefusedAfterFamilyChange()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("ORTX"));
    setData([](ps_data& d) { d.family = QStringLiteral("KORA-PS"); });
    child<QPushButton>(dialog, "save_interlocks_limits_button")->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
    QCOMPARE(boxes.size(), 1);
}

void ConfigurationPagesTest::defaultLimits()
{
    ConfigurationDialog dialog(worker);
    setData([](ps_data& d) {
        d.pconnections = QStringLiteral("2");
        d.limits = QStringList{"0", "100", "-50", "50"};
    });
    child<QPushButton>(dialog, "pushButtonDefaultPIDLimits")->click();
    QCOMPARE(child<QLineEdit>(dialog, "lineEdit_PIDI_I_min")->text(), QStringLiteral("-25"));
    QCOMPARE(child<QLineEdit>(dialog, "lineEdit_PIDV_V_max")->text(), QStringLiteral("100"));
    QVERIFY(queuedTasks(*worker).isEmpty());

    setData([](ps_data& d) { d.pconnections = QStringLiteral("x"); });
    child<QPushButton>(dialog, "pushButtonDefaultPIDLimits")->click();
    QCOMPARE(boxes, QStringList{
                        QStringLiteral("Error default PID's limits|Cannot set limits because PCONNECTIONS is invalid x")});
}

void ConfigurationPagesTest::jsonModeWritesOnlyOnChoice()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    const QString a = writePidFile(QStringLiteral("a.json"), 100);
    const QString b = writePidFile(QStringLiteral("b.json"), 200);
    dialog.appendPIDJsonFileToCombobox(a);
    dialog.appendPIDJsonFileToCombobox(b);
    QVERIFY(queuedTasks(*worker).isEmpty()); // manual mode: listing sends nothing
    auto* combo = child<QComboBox>(dialog, "comboBoxPIDConfig");
    QCOMPARE(combo->currentText(), QStringLiteral("b"));

    auto* group = child<QGroupBox>(dialog, "groupBoxJSON");
    group->setChecked(true);
    QMetaObject::invokeMethod(&dialog, "on_groupBoxJSON_clicked");
    QStringList tasks = queuedTasks(*worker);
    QCOMPARE(tasks.size(), 43);
    QCOMPARE(tasks.first(), QStringLiteral("17:40:200"));

    choose(combo, 0);
    QCOMPARE(queuedTasks(*worker).first(), QStringLiteral("17:40:100"));

    // Keys that step through the closed list open it instead; a pick there applies.
    dialog.show();
    for (int key : {Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Home, Qt::Key_PageUp,
                    Qt::Key_B}) {
        QTest::keyClick(combo, Qt::Key(key));
        QVERIFY(combo->view()->isVisible());
        QCOMPARE(combo->view()->currentIndex().row(), key == Qt::Key_B ? 1 : 0); // a letter finds its entry
        combo->hidePopup();
    }
    // Nor does the wheel, focused or not.
    QApplication::setActiveWindow(&dialog);
    wheelNotch(combo, -1);
    combo->setFocus();
    wheelNotch(combo, -1);
    QVERIFY(queuedTasks(*worker).isEmpty());
    QCOMPARE(combo->currentIndex(), 0);
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return); // the current entry, picked again
    QCOMPARE(queuedTasks(*worker).first(), QStringLiteral("17:40:100"));

    // Listing and removing never write.
    const QString c = writePidFile(QStringLiteral("c.json"), 300);
    dialog.appendPIDJsonFileToCombobox(c);
    child<QPushButton>(dialog, "pushButtonPIDRemoveConfig")->click();
    QVERIFY(queuedTasks(*worker).isEmpty());

    // A chosen file that fails to load writes nothing.
    QFile::remove(b);
    choose(combo, 1);
    QVERIFY(queuedTasks(*worker).isEmpty());
    QCOMPARE(boxes.last(), QStringLiteral("JSON error|Couldn't open ") + b + QStringLiteral(". No such file or directory"));
    QCOMPARE(combo->currentIndex(), 0); // still the entry last applied
    ps_data local;
    local.status_flags = 0x4;
    local.status_read = true;
    emit worker->status_read(local);
    choose(combo, 1); // refused in local mode
    QCOMPARE(combo->currentIndex(), 0);
    child<QPushButton>(dialog, "pushButtonPIDRemoveAllConfig")->click();
    QVERIFY(queuedTasks(*worker).isEmpty());
    QCOMPARE(combo->count(), 0);
}

void ConfigurationPagesTest::choosingTheCurrentEntryAppliesIt()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    dialog.appendPIDJsonFileToCombobox(writePidFile(QStringLiteral("a.json"), 100));
    child<QGroupBox>(dialog, "groupBoxJSON")->setChecked(true);
    QMetaObject::invokeMethod(&dialog, "on_groupBoxJSON_clicked");
    dialog.appendPIDJsonFileToCombobox(writePidFile(QStringLiteral("b.json"), 200)); // current, not applied
    QCOMPARE(queuedTasks(*worker).first(), QStringLiteral("17:40:100"));

    choose(child<QComboBox>(dialog, "comboBoxPIDConfig"), 1);
    const QStringList tasks = queuedTasks(*worker);
    QCOMPARE(tasks.size(), 43);
    QCOMPARE(tasks.first(), QStringLiteral("17:40:200"));
}

void ConfigurationPagesTest::pidExportRoundTripAndRefusal()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("KORA-PS"));
    QStringList texts;
    for (int i = 0; i < PIDConfig::KeyCount; ++i) {
        texts << QString::number(1.5 * (i + 1));
        child<QLineEdit>(dialog, qPrintable(QStringLiteral("lineEdit_") + PIDConfig::keys().at(i)))
            ->setText(texts.last());
    }
    const QString path = dir.filePath(QStringLiteral("export.json"));
    fileAnswers << path;
    child<QPushButton>(dialog, "pushButtonPIDConfigExport")->click();
    QCOMPARE(dialog.pidJsonFiles(), QStringList{path});
    QVERIFY(queuedTasks(*worker).isEmpty());

    for (const QString& key : PIDConfig::keys())
        child<QLineEdit>(dialog, qPrintable(QStringLiteral("lineEdit_") + key))->clear();
    QVERIFY(dialog.loadPIDConfig(path, true));
    for (int i = 0; i < PIDConfig::KeyCount; ++i)
        QCOMPARE(child<QLineEdit>(dialog, qPrintable(QStringLiteral("lineEdit_") + PIDConfig::keys().at(i)))->text(),
                 texts.at(i));

    // A write that fails once the file is open leaves the old file whole.
    const QString kept = writePidFile(QStringLiteral("kept.json"), 7);
    QFile keptFile(kept);
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    const QByteArray oldBytes = keptFile.readAll();
    keptFile.close();
    fileAnswers << kept;
    {
        FileSizeCap cap(64);
        if (!cap.isActive())
            QSKIP("the file size limit cannot be set here");
        child<QPushButton>(dialog, "pushButtonPIDConfigExport")->click();
    }
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), oldBytes);
    QVERIFY2(boxes.last().startsWith(QStringLiteral("JSON error|Couldn't write ") + kept + QStringLiteral(". ")),
             qPrintable(boxes.last()));
    QCOMPARE(dialog.pidJsonFiles(), QStringList{path});

    child<QLineEdit>(dialog, "lineEdit_PIDV_I_max")->setText(QStringLiteral("abc"));
    const QString refused = dir.filePath(QStringLiteral("refused.json"));
    fileAnswers << refused;
    child<QPushButton>(dialog, "pushButtonPIDConfigExport")->click();
    QVERIFY(!QFile::exists(refused));
    QVERIFY(boxes.last().contains(QLatin1String("PIDV_I_max")));
}

void ConfigurationPagesTest::memoryFileRoundTripAndBadRows()
{
    ConfigurationDialog dialog(worker);
    openOn(dialog, QStringLiteral("ORTX"));
    QTableWidget* table = dialog.currentTable();
    table->item(3, 1)->setText(QStringLiteral("00:1A:2B:3C:4D:5E"));
    for (int row = 40; row < table->rowCount(); ++row) // a file of several KiB
        table->item(row, 1)->setText(QString::number(row).repeated(16));
    const QString path = dir.filePath(QStringLiteral("unit.psm"));
    fileAnswers << path;
    child<QPushButton>(dialog, "save_to_file_button")->click();
    child<QPushButton>(dialog, "clear_table_button")->click();
    fileAnswers << path;
    child<QPushButton>(dialog, "load_from_file_button")->click();
    QCOMPARE(table->item(3, 1)->text(), QStringLiteral("00:1A:2B:3C:4D:5E"));
    QCOMPARE(table->item(30, 1)->text(), QStringLiteral("30"));
    QCOMPARE(table->item(130, 1)->text(), QStringLiteral("130").repeated(16));
    QVERIFY(boxes.isEmpty());
    QVERIFY(queuedTasks(*worker).isEmpty()); // loading sends nothing

    // The loaded MAC address reaches the supply whole.
    setData([](ps_data& d) { d.memory[3] = QStringLiteral("0"); });
    child<QPushButton>(dialog, "save_in_ps_memory_button")->click();
    QCOMPARE(queuedTasks(*worker).first(), QStringLiteral("17:3:00:1A:2B:3C:4D:5E"));

    const QString bad = dir.filePath(QStringLiteral("bad.psm"));
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x:5\n200:5\n31:ok\n");
    file.close();
    table->item(0, 1)->setText(QStringLiteral("kept"));
    fileAnswers << bad;
    child<QPushButton>(dialog, "load_from_file_button")->click();
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("kept"));
    QCOMPARE(table->item(31, 1)->text(), QStringLiteral("ok"));
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first().contains(QLatin1String("2 lines were ignored")));

    fileAnswers << dir.filePath(QStringLiteral("missing.psm"));
    child<QPushButton>(dialog, "load_from_file_button")->click();
    QCOMPARE(boxes.size(), 2);

    // A pipe would hold the window until a writer came; a file larger than
    // any table is no memory file. Both are refused, naming why.
    const QString pipe = dir.filePath(QStringLiteral("pipe.psm"));
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    const QString huge = dir.filePath(QStringLiteral("huge.psm"));
    {
        QFile big(huge);
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(MemoryFile::maxFileSize + 1));
    }
    fileAnswers << pipe << huge;
    child<QPushButton>(dialog, "load_from_file_button")->click();
    child<QPushButton>(dialog, "load_from_file_button")->click();
    QCOMPARE(boxes.size(), 4);
    QCOMPARE(boxes.at(2), QStringLiteral("Load form PS Memory File|Cannot open ") + pipe +
                              QStringLiteral(": Not a regular file"));
    QCOMPARE(boxes.at(3),
             QStringLiteral("Load form PS Memory File|Cannot open ") + huge +
                 QStringLiteral(": Too big: 1048577 bytes, where a file of this kind holds at most 1048576"));
    QCOMPARE(table->item(31, 1)->text(), QStringLiteral("ok"));
    boxes.removeLast();
    boxes.removeLast();

    // A write that fails once the file is open leaves the old file whole.
    const QString kept = dir.filePath(QStringLiteral("kept.psm"));
    {
        QFile old(kept);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("0:old\n");
    }
    fileAnswers << kept;
    {
        FileSizeCap cap(64);
        if (!cap.isActive())
            QSKIP("the file size limit cannot be set here");
        child<QPushButton>(dialog, "save_to_file_button")->click();
    }
    QFile old(kept);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("0:old\n"));
    QCOMPARE(boxes.size(), 3);
    QVERIFY2(boxes.last().startsWith(QStringLiteral("Save to PS Memory File|Cannot save ") + kept + QStringLiteral(": ")),
             qPrintable(boxes.last()));
}

void ConfigurationPagesTest::unavailableEntriesStayListedAndMarked()
{
    const QString a = writePidFile(QStringLiteral("cfg_a.json"), 1);
    // Deep in folders: the list is a file of several KiB.
    const QString deep = QStringLiteral("share/") + QStringLiteral("project-folder/").repeated(200);
    const QString gone = dir.filePath(deep + QStringLiteral("gone.json"));
    const QString back = dir.filePath(QStringLiteral("share/back.json"));
    const QString config = dir.filePath(QStringLiteral("Amperix.config"));
    {
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((gone + "\n\n" + a + "\n" + a + "\n" + back + "\n").toUtf8());
    }
    ConfigurationDialog dialog(worker);
    QCOMPARE(dialog.configFilePath(), config);
    QCOMPARE(dialog.pidJsonFiles(), (QStringList{gone, a, back}));
    QCOMPARE(boxes.size(), 3); // the missing files and the repeated line
    auto* combo = child<QComboBox>(dialog, "comboBoxPIDConfig");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("gone (unavailable)"));
    QCOMPARE(combo->currentText(), QStringLiteral("cfg_a"));

    // The list is saved when it changes, and the unavailable entry stays in it.
    const QString b = writePidFile(QStringLiteral("cfg_b.json"), 2);
    dialog.appendPIDJsonFileToCombobox(b);
    QFile file(config);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray savedBytes = file.readAll();
    file.close();
    QCOMPARE(ConfigFile::parse(savedBytes), (QStringList{gone, a, back, b}));

    // Once its file is there, an entry loses its mark when chosen, or when listed again (made current).
    QVERIFY(QDir(dir.path()).mkpath(deep));
    writePidFile(QStringLiteral("share/back.json"), 4);
    writePidFile(deep + QStringLiteral("gone.json"), 5);
    openOn(dialog, QStringLiteral("KORA-PS"));
    child<QGroupBox>(dialog, "groupBoxJSON")->setChecked(true);
    choose(combo, 2);
    QCOMPARE(combo->itemText(2), QStringLiteral("back"));
    dialog.appendPIDJsonFileToCombobox(gone);
    QCOMPARE(combo->currentText(), QStringLiteral("gone"));

    // A list that cannot be written whole leaves the saved one as it was.
    const QString c = writePidFile(QStringLiteral("cfg_c.json"), 3);
    {
        FileSizeCap cap(8);
        if (!cap.isActive())
            QSKIP("the file size limit cannot be set here");
        dialog.appendPIDJsonFileToCombobox(c);
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), savedBytes);
    QVERIFY2(boxes.last().startsWith(QStringLiteral("Config|Cannot save config file, ")),
             qPrintable(boxes.last()));
}

void ConfigurationPagesTest::pidPictureWindowLifecycle()
{
    ConfigurationDialog dialog(worker);
    dialog.show();
    child<QPushButton>(dialog, "pushButtonPIDCC")->click();
    QPointer<PIDdialog> picture = dialog.pidDialog();
    QVERIFY(picture);
    QCOMPARE(picture->windowTitle(), QStringLiteral("PID controller CC "));
    child<QPushButton>(dialog, "pushButtonPIDCV")->click();
    QCOMPARE(dialog.pidDialog(), picture.data());
    QCOMPARE(picture->windowTitle(), QStringLiteral("PID controller CV "));

    // Closing the picture window releases it once, later.
    picture->reject();
    QVERIFY(!dialog.pidDialog());
    QTRY_VERIFY(!picture);

    child<QPushButton>(dialog, "pushButtonPIDCC")->click();
    picture = dialog.pidDialog();
    // Beside the window, where the screen has room for it.
    QCOMPARE(picture->pos().x(), dialog.frameGeometry().right() + 1 + 10);
    {
        // Closing the picture window finishes it again, inside the first call.
        WarningLog warnings;
        dialog.close();
        QVERIFY2(WarningLog::texts().isEmpty(), qPrintable(WarningLog::texts().join(QLatin1Char('\n'))));
    }
    QVERIFY(!dialog.pidDialog());
    QTRY_VERIFY(!picture);
}

QTEST_MAIN(ConfigurationPagesTest)
#include "tst_configurationpages.moc"
