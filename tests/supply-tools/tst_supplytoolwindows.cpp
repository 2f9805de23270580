#include "epicsdialog.h"
#include "filesizecap.h"
#include "limitvalidators.h"
#include "modalanswerer.h"
#include "ps_thread.h"
#include "savebytes.h"
#include "setupdialog.h"
#include "signalgenerator.h"
#include "simulatorprocess.h"
#include "typedinput.h"
#include "waveform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMimeData>
#include <QMutexLocker>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <qcustomplot.h>

#include <sys/stat.h>

namespace
{

QList<ps_task> takeTasks(ps_thread& worker)
{
    QMutexLocker lock(&worker.mutex);
    QList<ps_task> tasks = worker.task_queue;
    worker.task_queue.clear();
    return tasks;
}

QList<int> ids(const QList<ps_task>& tasks)
{
    QList<int> out;
    for (const ps_task& t : tasks)
        out << t.id;
    return out;
}

template <typename T>
T* child(QObject* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}

void commit(QLineEdit* edit, const QString& text)
{
    edit->setText(text);
    emit edit->editingFinished();
}

// How a test presses a button; Program leaves the focus where it is, as a
// shortcut does.
enum Click { Mouse, Program, Double };

// Drops reach a window only inside a drag the platform runs; tests hand the
// event to the handler itself.
class DropTarget : public SignalGenerator
{
public:
    explicit DropTarget(ps_thread* worker) : SignalGenerator(nullptr, worker) {}
    void drop(const QList<QUrl>& urls)
    {
        QMimeData mime;
        mime.setUrls(urls);
        QDropEvent event(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        dropEvent(&event);
    }
};

} // namespace

class SupplyToolWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { answerer = new ModalAnswerer; }
    void cleanup()
    {
        delete answerer;
        SignalGenerator::setSaveFileChooser({});
    }

    void generatorStartsWithOneSecondSine();
    void applyPostsTheWaveformTasks();
    void applySendsOnlyWhatTheFieldsShow_data();
    void applySendsOnlyWhatTheFieldsShow();
    void frequencyCommitReplacesOffsetValidator();
    void previewAxisKeepsClampedValuesVisible();
    void exportAndDropRoundTrip();
    void dropAcceptanceAndFileErrors();
    void failedExportIsReported();
    void failedWriteIsReportedAndKeepsTheOldFile_data();
    void failedWriteIsReportedAndKeepsTheOldFile();

    void epicsTasksAndSaveOnlyAfterRead();
    void epicsFileWithCommentsRoundTripsThroughSupply();
    void epicsReopeningForgetsTheEarlierFiles();

    void setupDialogGettersAndSetters();

private:
    ModalAnswerer* answerer = nullptr;
    QTemporaryDir dir;
};

void SupplyToolWindowsTest::generatorStartsWithOneSecondSine()
{
    ps_thread worker(10);
    SignalGenerator generator(nullptr, &worker);
    QCOMPARE(child<QLineEdit>(&generator, "lineEditGeneratorNPoints")->text(), QStringLiteral("100000"));
    QCOMPARE(child<QLabel>(&generator, "labelT")->text(), QStringLiteral("1"));
    QCOMPARE(generator.descriptor().y.size(), 99999);
    QCustomPlot* plot = child<QCustomPlot>(&generator, "widgetPlot");
    QCOMPARE(plot->graph(0)->data()->size(), 99999);
    QVERIFY(qAbs(plot->xAxis->range().lower + 0.1) < 1e-9);
    QVERIFY(!child<QLineEdit>(&generator, "lineEditGeneratorDutyCycle")->isVisibleTo(&generator));
}

void SupplyToolWindowsTest::applyPostsTheWaveformTasks()
{
    ps_thread worker(10);
    SignalGenerator generator(nullptr, &worker);
    commit(child<QLineEdit>(&generator, "lineEditConfigF"), QStringLiteral("1000"));
    commit(child<QLineEdit>(&generator, "lineEditConfigGain"), QStringLiteral("2"));
    child<QComboBox>(&generator, "comboBoxGeneratorSignal")->setCurrentIndex(1); // square
    child<QCheckBox>(&generator, "checkBoxRuntimeLoop")->click();
    commit(child<QLineEdit>(&generator, "lineEditRuntimeRepeat"), QStringLiteral("3"));
    takeTasks(worker);

    child<QPushButton>(&generator, "pushButtonRuntimeApply")->click();
    const QList<ps_task> tasks = takeTasks(worker);
    QCOMPARE(ids(tasks), (QList<int>{1793, 1794, 1795, 1792}));
    QCOMPARE(tasks.at(1).params.value(0), QStringLiteral("3"));
    const QStringList points = tasks.at(2).params.value(0).split(QLatin1Char(':'));
    QCOMPARE(points.size(), 99);
    QCOMPARE(points.first(), QStringLiteral("1")); // 2 clamped to maxY
    QCOMPARE(points.last(), QStringLiteral("0"));

    // An integer field refuses "1e3": fixup brings back its default.
    auto* repeat = child<QLineEdit>(&generator, "lineEditRuntimeRepeat");
    QString text = QStringLiteral("1e3");
    repeat->validator()->fixup(text);
    QCOMPARE(text, QStringLiteral("1"));

    // Custom without a file: no points at all.
    child<QComboBox>(&generator, "comboBoxGeneratorSignal")->setCurrentIndex(3);
    child<QPushButton>(&generator, "pushButtonRuntimeApply")->click();
    QCOMPARE(takeTasks(worker).at(2).params.value(0), QString());
}

void SupplyToolWindowsTest::applySendsOnlyWhatTheFieldsShow_data()
{
    QTest::addColumn<bool>("german");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");   // the field once Apply was clicked
    QTest::addColumn<bool>("sentAtOnce"); // else only a second click sends
    QTest::addColumn<QString>("levels");  // the values of the points sent, sorted
    QTest::addColumn<int>("click");
    const QString gain = QStringLiteral("lineEditConfigGain");
    QTest::newRow("decimal comma") << true << gain << "0,5" << "0,5" << true << "0 0.5" << int(Mouse);
    QTest::newRow("comma is no separator") << true << gain << "1,000" << "1,000" << true << "0 1" << int(Mouse);
    QTest::newRow("separator refused") << false << gain << "1,000" << "1" << false << "0 1" << int(Mouse);
    QTest::newRow("not a number") << true << gain << "abc" << "1" << false << "0 1" << int(Mouse);
    QTest::newRow("not a number, focus kept") << true << gain << "abc" << "1" << false << "0 1" << int(Program);
    QTest::newRow("not a number, double click") << true << gain << "abc" << "1" << false << "0 1" << int(Double);
    QTest::newRow("offset, decimal comma")
        << true << "lineEditConfigOffsetY" << "0,5" << "0,5" << true << "0.5 1.5" << int(Mouse);
    QTest::newRow("over the limit, decimal comma")
        << true << "lineEditGeneratorDutyCycle" << "1,5" << "1" << false << "1" << int(Mouse);
    // The corrected frequency sets the point count as a typed one would.
    QTest::newRow("frequency not a number, focus kept")
        << true << "lineEditConfigF" << "abc" << "1" << false << "0 1" << int(Program);
}

// Typed, then Apply clicked, no Return: leaving the field (or the click)
// corrects it, and a correction goes out only on a later click.
void SupplyToolWindowsTest::applySendsOnlyWhatTheFieldsShow()
{
    QFETCH(bool, german);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(bool, sentAtOnce);
    QFETCH(QString, levels);
    QFETCH(int, click);
    const auto restore = qScopeGuard([before = QLocale()] { QLocale::setDefault(before); });
    QLocale::setDefault(german ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c());
    ps_thread worker(10);
    SignalGenerator generator(nullptr, &worker);
    commit(child<QLineEdit>(&generator, "lineEditConfigF"), QStringLiteral("50"));
    commit(child<QLineEdit>(&generator, "lineEditConfigMaxY"), QStringLiteral("5000"));
    child<QComboBox>(&generator, "comboBoxGeneratorSignal")->setCurrentIndex(1); // square
    generator.show();
    QApplication::setActiveWindow(&generator);
    QVERIFY(QTest::qWaitForWindowActive(&generator));
    auto* edit = child<QLineEdit>(&generator, qPrintable(field));
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, typed);
    takeTasks(worker);

    auto* apply = child<QPushButton>(&generator, "pushButtonRuntimeApply");
    if (click == Program) {
        apply->click();
    } else {
        QTest::mouseClick(apply, Qt::LeftButton);
        if (click == Double) {
            QTest::mouseDClick(apply, Qt::LeftButton);
            QTest::mouseRelease(apply, Qt::LeftButton);
        }
    }
    QTEST(edit->text(), "shown");
    if (!sentAtOnce) {
        QCOMPARE(takeTasks(worker).size(), 0);
        if (click == Program)
            apply->click(); // the focus still in the field
        else
            QTest::mouseClick(apply, Qt::LeftButton);
    }
    const QList<ps_task> tasks = takeTasks(worker);
    QCOMPARE(ids(tasks), (QList<int>{1793, 1794, 1795, 1792}));
    const QStringList points = tasks.at(2).params.value(0).split(QLatin1Char(':'));
    QStringList values = QSet<QString>(points.begin(), points.end()).values();
    values.sort();
    QCOMPARE(values.join(QLatin1Char(' ')), levels);
    // One period at the frequency shown.
    const double f = typedNumber(child<QLineEdit>(&generator, "lineEditConfigF")->text());
    QCOMPARE(points.size(), int(waveform::pointCount(f) - 1));
}

void SupplyToolWindowsTest::frequencyCommitReplacesOffsetValidator()
{
    ps_thread worker(10);
    SignalGenerator generator(nullptr, &worker);
    const int before = generator.findChildren<ValidatorDoubleLimit*>().size();
    for (const char* f : {"3", "1.4", "3"})
        commit(child<QLineEdit>(&generator, "lineEditConfigF"), QLatin1String(f));
    QCOMPARE(generator.findChildren<ValidatorDoubleLimit*>().size(), before);
    QCOMPARE(child<QLineEdit>(&generator, "lineEditGeneratorNPoints")->text(), QStringLiteral("33333"));
    QCOMPARE(child<QLabel>(&generator, "labelFApprox")->text(), QStringLiteral("3.00003"));
    QString offset = QStringLiteral("1");
    child<QLineEdit>(&generator, "lineEditGeneratorOffsetX")->validator()->fixup(offset);
    QCOMPARE(offset, QStringLiteral("0.33333"));

    // The period follows the frequency as it is typed with a decimal comma.
    const auto restore = qScopeGuard([before = QLocale()] { QLocale::setDefault(before); });
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    child<QLineEdit>(&generator, "lineEditConfigF")->setText(QStringLiteral("2,5"));
    QCOMPARE(child<QLabel>(&generator, "labelT")->text(), QStringLiteral("0.4"));
}

void SupplyToolWindowsTest::previewAxisKeepsClampedValuesVisible()
{
    ps_thread worker(10);
    SignalGenerator generator(nullptr, &worker);
    commit(child<QLineEdit>(&generator, "lineEditConfigMinY"), QStringLiteral("-5"));
    commit(child<QLineEdit>(&generator, "lineEditConfigMaxY"), QStringLiteral("-2"));
    QCustomPlot* plot = child<QCustomPlot>(&generator, "widgetPlot");
    QVERIFY(plot->yAxis->range().lower < -5.0);
    QVERIFY(plot->yAxis->range().upper > -2.0);
    for (double v : generator.outputValues())
        QCOMPARE(v, -2.0);
}

void SupplyToolWindowsTest::exportAndDropRoundTrip()
{
    ps_thread worker(10);
    DropTarget source(&worker);
    // A custom waveform comes from a file: write one, drop it, export it again.
    const QString custom = dir.filePath(QStringLiteral("custom.json"));
    {
        SignalDescriptor d;
        d.signalType = 3;
        for (int i = 0; i < 10; ++i) {
            d.x << i * 0.1;
            d.y << i * 0.25;
        }
        d.gain = 0.5;
        d.isLoopSet = false;
        d.nRepetitions = 4;
        QJsonObject o;
        SignalGenerator::writeSignalDescriptorJson(d, o);
        QFile f(custom);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(o).toJson());
    }
    source.drop({QUrl::fromLocalFile(custom)});
    QCOMPARE(answerer->seen().size(), 0);
    QCOMPARE(child<QComboBox>(&source, "comboBoxGeneratorSignal")->currentIndex(), 3);
    QVERIFY(!child<QLineEdit>(&source, "lineEditConfigF")->isEnabled());
    QCOMPARE(source.outputValues().size(), 10);
    QCOMPARE(source.outputValues().at(9), 1.0); // 2.25 * 0.5 clamped to 1

    const QString exported = dir.filePath(QStringLiteral("exported.json"));
    SignalGenerator::setSaveFileChooser([&](QWidget*, const QString&, const QString&, const QString&) {
        return exported;
    });
    // A field not yet corrected shows its correction first; the file waits.
    auto* repeat = child<QLineEdit>(&source, "lineEditRuntimeRepeat");
    repeat->setText(QStringLiteral("0"));
    child<QPushButton>(&source, "pushButtonGeneratorExport")->click();
    QCOMPARE(repeat->text(), QStringLiteral("1"));
    QVERIFY(!QFileInfo::exists(exported));
    commit(repeat, QStringLiteral("4"));
    child<QPushButton>(&source, "pushButtonGeneratorExport")->click();

    DropTarget target(&worker);
    target.drop({QUrl::fromLocalFile(exported)});
    QCOMPARE(target.descriptor().x, source.descriptor().x);
    QCOMPARE(target.descriptor().y, source.descriptor().y);
    QCOMPARE(target.descriptor().nRepetitions, qint64(4));
    QCOMPARE(target.outputValues(), source.outputValues());
    QVERIFY(child<QLineEdit>(&target, "lineEditRuntimeRepeat")->isEnabled());
}

void SupplyToolWindowsTest::dropAcceptanceAndFileErrors()
{
    ps_thread worker(10);
    DropTarget generator(&worker);
    QMimeData mime;
    auto accepted = [&](const QString& name) {
        mime.setUrls({QUrl::fromLocalFile(dir.filePath(name))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QCoreApplication::sendEvent(&generator, &enter);
        return enter.isAccepted();
    };
    QVERIFY(!accepted(QStringLiteral("wave.JSON")));
    QVERIFY(accepted(QStringLiteral("missing.json")));

    const QString garbage = dir.filePath(QStringLiteral("garbage.json"));
    QFile f(garbage);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not json");
    f.close();
    generator.drop({QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.json")))});
    QCOMPARE(answerer->lastText(QStringLiteral("JSON error")),
             QStringLiteral("Couldn't open ") + dir.filePath(QStringLiteral("missing.json")) +
                 QStringLiteral(". No such file or directory"));

    // The first file fails: the second is not read.
    answerer->clear();
    generator.drop({QUrl::fromLocalFile(garbage), QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.json")))});
    QCOMPARE(answerer->count(QStringLiteral("JSON error")), 1);
    QCOMPARE(answerer->lastText(QStringLiteral("JSON error")),
             QStringLiteral("Couldn't parse ") + garbage + QLatin1Char('.'));

    // A pipe would hold the window until a writer came.
    const QString pipe = dir.filePath(QStringLiteral("pipe.json"));
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    generator.drop({QUrl::fromLocalFile(pipe)});
    QCOMPARE(answerer->lastText(QStringLiteral("JSON error")),
             QStringLiteral("Couldn't open ") + pipe + QStringLiteral(". Not a regular file"));

    // The longest period the form makes, exported, loads back; one point more
    // than it holds is refused whole and nothing changes.
    commit(child<QLineEdit>(&generator, "lineEditConfigF"), QStringLiteral("0.2"));
    const QString longest = dir.filePath(QStringLiteral("longest.json"));
    SignalGenerator::setSaveFileChooser([&](QWidget*, const QString&, const QString&, const QString&) {
        return longest;
    });
    child<QPushButton>(&generator, "pushButtonGeneratorExport")->click();
    SignalGenerator::setSaveFileChooser(nullptr);
    QVERIFY(QFileInfo(longest).size() > 0);
    QVERIFY(QFileInfo(longest).size() <= waveform::maxFileSize);
    answerer->clear();
    generator.drop({QUrl::fromLocalFile(longest)});
    QCOMPARE(answerer->seen().size(), 0);
    const SignalDescriptor before = generator.descriptor();
    QCOMPARE(before.x.size(), waveform::maxPoints - 1);

    SignalDescriptor tooMany;
    tooMany.signalType = waveform::Custom;
    tooMany.x.fill(0.0, waveform::maxPoints + 1);
    tooMany.y.fill(0.5, waveform::maxPoints + 1);
    const QString crowded = dir.filePath(QStringLiteral("crowded.json"));
    QVERIFY(saveBytes(crowded, QJsonDocument(waveform::toJson(tooMany)).toJson(QJsonDocument::Compact)).ok());
    generator.drop({QUrl::fromLocalFile(crowded)});
    QCOMPARE(answerer->lastText(QStringLiteral("JSON error")),
             QStringLiteral("Couldn't load ") + crowded +
                 QStringLiteral(". x holds 500001 points; a waveform holds at most 500000."));
    QCOMPARE(generator.descriptor().signalType, before.signalType);
    QCOMPARE(generator.descriptor().y, before.y);
}

void SupplyToolWindowsTest::failedExportIsReported()
{
    ps_thread worker(10);
    SignalGenerator generator(nullptr, &worker);
    const QString target = dir.filePath(QStringLiteral("no-such-folder/wave.json"));
    SignalGenerator::setSaveFileChooser([&](QWidget*, const QString&, const QString&, const QString&) {
        return target;
    });
    child<QPushButton>(&generator, "pushButtonGeneratorExport")->click();
    QCOMPARE(answerer->count(QStringLiteral("JSON error")), 1);
    QCOMPARE(answerer->lastText(QStringLiteral("JSON error")),
             QStringLiteral("Couldn't open ") + target + QStringLiteral(". No such file or directory"));
    QVERIFY(!QFileInfo::exists(target));
}

void SupplyToolWindowsTest::failedWriteIsReportedAndKeepsTheOldFile_data()
{
    // A period's points set the export's size: megabytes are cut short while
    // written, a few kilobytes only fail when the buffer is written out.
    QTest::addColumn<QString>("frequency");
    QTest::newRow("megabytes") << QStringLiteral("1");
    QTest::newRow("kilobytes") << QStringLiteral("1000");
}

void SupplyToolWindowsTest::failedWriteIsReportedAndKeepsTheOldFile()
{
    QFETCH(QString, frequency);
    ps_thread worker(10);
    SignalGenerator generator(nullptr, &worker);
    commit(child<QLineEdit>(&generator, "lineEditConfigF"), frequency);
    const QString target = dir.filePath(QStringLiteral("kept.json"));
    const QByteArray old = "{ \"the\": \"earlier waveform\" }\n";
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(old), qint64(old.size()));
    }
    SignalGenerator::setSaveFileChooser(
        [&](QWidget*, const QString&, const QString&, const QString&) { return target; });
    {
        // The file opens, but the waveform cannot be written whole.
        FileSizeCap cap(4096);
        if (!cap.isActive())
            QSKIP("the file size limit cannot be set here");
        child<QPushButton>(&generator, "pushButtonGeneratorExport")->click();
    }
    QCOMPARE(answerer->count(QStringLiteral("JSON error")), 1);
    QCOMPARE(answerer->lastText(QStringLiteral("JSON error")),
             QStringLiteral("Couldn't write ") + target + QStringLiteral(". File too large"));
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), old);
}

void SupplyToolWindowsTest::epicsTasksAndSaveOnlyAfterRead()
{
    ps_thread worker(10);
    EPICSDialog dialog(nullptr, &worker);
    dialog.show();
    QCOMPARE(ids(takeTasks(worker)), (QList<int>{1536, 1537, 1540, 1539}));

    auto* protocolsSave = child<QPushButton>(&dialog, "pushButtonProtocolsSave");
    auto* dbSave = child<QPushButton>(&dialog, "pushButtonDbSave");
    QVERIFY(!protocolsSave->isEnabled());
    QVERIFY(!dbSave->isEnabled());

    ps_data data;
    data.epics_protocols = QStringLiteral("# comment\nTerminator = CR;\n");
    data.epics_protocols_read = true;
    worker.ps_response = data; // as the worker holds it when it tells
    emit worker.EPICS_protocols_ready(data);
    QVERIFY(protocolsSave->isEnabled());
    QVERIFY(!dbSave->isEnabled());

    answerer->answer(QStringLiteral("Save"), QMessageBox::Ok, true);
    answerer->answer(QStringLiteral("Restore"), QMessageBox::Ok, true);
    protocolsSave->click();
    const QList<ps_task> saved = takeTasks(worker);
    QCOMPARE(ids(saved), (QList<int>{1541, 1539}));
    QCOMPARE(saved.first().params.value(0), QStringLiteral("# comment\nTerminator = CR;\n"));
    QCOMPARE(answerer->count(QStringLiteral("Save")), 1);

    child<QPushButton>(&dialog, "pushButtonDbRestore")->click();
    QCOMPARE(ids(takeTasks(worker)), (QList<int>{1543, 1540}));
    child<QPushButton>(&dialog, "pushButtonProtocolsRestore")->click();
    QCOMPARE(ids(takeTasks(worker)), (QList<int>{1544, 1539}));
    child<QPushButton>(&dialog, "pushButtonDbRefresh")->click();
    QCOMPARE(ids(takeTasks(worker)), (QList<int>{1540}));
    child<QPushButton>(&dialog, "pushButtonProtocolsRefresh")->click();
    QCOMPARE(ids(takeTasks(worker)), (QList<int>{1539}));
    QCOMPARE(answerer->count(QStringLiteral("Restore")), 2);
}

void SupplyToolWindowsTest::epicsFileWithCommentsRoundTripsThroughSupply()
{
    if (!QFileInfo::exists(SimulatorProcess::programPath(QStringLiteral("supply-sim"))))
        QSKIP("supply-sim is not built");
    SimulatorProcess sim(QStringLiteral("supply-sim"));
    QVERIFY(sim.start({QStringLiteral("--firmware-port"), QStringLiteral("0")}));
    ps_thread worker(20);
    worker.wait_time = 500;
    worker.ip_address = QStringLiteral("127.0.0.1");
    worker.ip_port = QString::number(sim.port());
    worker.start();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            ps_data data;
            worker.get_ps_data(data);
            return data.family == QLatin1String("KORA-PS");
        }(),
        15000);

    EPICSDialog dialog(nullptr, &worker);
    answerer->answer(QStringLiteral("Save"), QMessageBox::Ok, true);
    auto* editor = child<QPlainTextEdit>(&dialog, "plainTextEditDb");
    auto* save = child<QPushButton>(&dialog, "pushButtonDbSave");
    dialog.show();
    QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled(), 15000);

    const QString text = QStringLiteral("# Amperix supply\nrecord(ai, \"$(P):I\") {\n  # current\n"
                                        "  field(DTYP, \"stream\")\n}\n");
    editor->setPlainText(text);
    save->click();
    editor->clear();
    QTRY_COMPARE_WITH_TIMEOUT(editor->toPlainText(), text, 15000);
    QVERIFY(sim.commandLog().join(QLatin1Char('\n')).contains(QLatin1String("EPICS:DB:# Amperix supply\\n")));

    worker.quit();
    worker.wait(10000);
}

void SupplyToolWindowsTest::epicsReopeningForgetsTheEarlierFiles()
{
    ps_thread worker(10);
    EPICSDialog dialog(nullptr, &worker);
    auto* protocols = child<QPlainTextEdit>(&dialog, "plainTextEditProtocols");
    auto* db = child<QPlainTextEdit>(&dialog, "plainTextEditDb");
    auto* protocolsSave = child<QPushButton>(&dialog, "pushButtonProtocolsSave");
    auto* dbSave = child<QPushButton>(&dialog, "pushButtonDbSave");
    dialog.show();
    ps_data earlier;
    earlier.epics_protocols = QStringLiteral("Terminator = CR;");
    earlier.epics_db = QStringLiteral("record(ai, \"A\") {}");
    emit worker.EPICS_protocols_ready(earlier);
    emit worker.EPICS_db_ready(earlier);
    QVERIFY(protocolsSave->isEnabled() && dbSave->isEnabled());
    dialog.hide();

    // Opened again (perhaps on another supply): until its reads are answered
    // nothing of the earlier files is shown, and nothing can be saved back.
    dialog.show();
    QVERIFY(!protocolsSave->isEnabled());
    QVERIFY(!dbSave->isEnabled());
    QVERIFY(protocols->toPlainText().isEmpty());
    QVERIFY(db->toPlainText().isEmpty());

    // The db read is answered, the protocol read refused (no signal).
    ps_data now;
    now.epics_db = QStringLiteral("record(ai, \"B\") {}");
    emit worker.EPICS_db_ready(now);
    QVERIFY(dbSave->isEnabled());
    QCOMPARE(db->toPlainText(), now.epics_db);
    QVERIFY(!protocolsSave->isEnabled());
}

void SupplyToolWindowsTest::setupDialogGettersAndSetters()
{
    SetupDialog dialog;
    QCOMPARE(dialog.getRefresh(), QStringLiteral("10"));
    QCOMPARE(dialog.getTimeout(), QStringLiteral("50"));
    dialog.setRefresh(QStringLiteral("7"));
    QCOMPARE(dialog.getRefresh(), QStringLiteral("7"));
    dialog.setRefresh(QStringLiteral("500"));
    QCOMPARE(dialog.getRefresh(), QStringLiteral("100"));
    dialog.setRefresh(QStringLiteral("abc"));
    QCOMPARE(dialog.getRefresh(), QStringLiteral("6"));
    dialog.setTimeout(QStringLiteral("120"));
    QCOMPARE(dialog.getTimeout(), QStringLiteral("120"));

    // A Return that corrects a field does not also press OK.
    dialog.show();
    auto* timeout = child<QSpinBox>(&dialog, "spinBox_timeout");
    timeout->selectAll();
    QTest::keyClicks(timeout, QStringLiteral("5"));
    QTest::keyClick(timeout, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.getTimeout(), QStringLiteral("120"));
}

QTEST_MAIN(SupplyToolWindowsTest)
#include "tst_supplytoolwindows.moc"
