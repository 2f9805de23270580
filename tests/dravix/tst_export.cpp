// Graph export: the exact file layout, refusals, and files that cannot be
// written.

#include "filesizecap.h"
#include "graphexport.h"
#include "viewertestsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <qcustomplot.h>

#include <memory>

#include <sys/stat.h>

class ExportTest : public ViewerTest
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    // A whole second in local time, so the expected texts are easy to build.
    static double second0()
    {
        return double(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)).toSecsSinceEpoch());
    }

    QCPGraph* addGraph(const QString& name, const QVector<double>& keys, const QVector<double>& values)
    {
        QCPGraph* g = window->plot()->addGraph();
        g->setName(name);
        g->setData(keys, values, true);
        return g;
    }
    // Graph "A" holding 0, 1, 2, ... one a second from second0().
    QCPGraph* addRamp(int points)
    {
        QVector<double> keys, values;
        for (int i = 0; i < points; ++i) {
            keys.append(second0() + i);
            values.append(i);
        }
        return addGraph(QStringLiteral("A"), keys, values);
    }
    static void select(QCPGraph* g) { g->setSelection(QCPDataSelection(g->data()->dataRange())); }
    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    void save() { QMetaObject::invokeMethod(window.get(), "save_to_file"); }

private slots:
    void init() { openViewer(); }
    void cleanup() { closeViewer(); }

    void timeTextDropsFraction()
    {
        const double s = second0();
        QCOMPARE(GraphExport::timeText(s), QStringLiteral("Tue Mar 5 14:07:09 2024"));
        QCOMPARE(GraphExport::timeText(s + 0.999), QStringLiteral("Tue Mar 5 14:07:09 2024"));
        QCOMPARE(GraphExport::timeText(s + 1), QStringLiteral("Tue Mar 5 14:07:10 2024"));
    }

    void oneGraphFileIsExact_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("locale"); // the system's encoding
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("plain") << "SENTREL-01" << QByteArray("UTF-8") << QByteArray("SENTREL-01\t\n\r")
                               << "SENTREL-01.txt";
        QTest::newRow("written in the system's encoding")
            << "Boîte µ" << QByteArray("ISO-8859-1") << QByteArray("Bo\xEEte \xB5\t\n\r") << "Boîte µ.txt";
        QTest::newRow("proposed as a plain file name")
            << "Rack/3\\\tA" << QByteArray("UTF-8") << QByteArray("Rack/3\\\tA\t\n\r") << "Rack_3__A.txt";
    }
    void oneGraphFileIsExact()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, locale);
        QTextCodec* const system = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName(locale));
        const double s = second0();
        select(addGraph(name, {s + 0.1, s + 0.6, s + 1.1}, {350, 0.000012345678, -2.5}));
        prompts->saveAnswer = dir.filePath("one.txt");
        save();
        QTextCodec::setCodecForLocale(system);
        QCOMPARE(prompts->saveCaptions, QStringList{QStringLiteral("Save Graph")});
        QTEST(prompts->saveProposals.value(0), "proposed");
        QFETCH(QByteArray, header);
        QCOMPARE(readAll(prompts->saveAnswer), header + "Tue Mar 5 14:07:09 2024\t350\n\r"
                                                        "Tue Mar 5 14:07:09 2024\t1.23457e-05\n\r"
                                                        "Tue Mar 5 14:07:10 2024\t-2.5\n\r");
        QVERIFY(prompts->boxes.isEmpty());
    }

    void currentAndHeadSideBySide()
    {
        const double s = second0();
        QCPGraph* c = addGraph(QStringLiteral("BOX"), {s, s + 1}, {150.123456, 149.5});
        QCPGraph* other = addGraph(QStringLiteral("OTHER"), {s}, {1});
        QCPGraph* h = addGraph(QStringLiteral("BOX Head.T"), {s, s + 1}, {30.25, 30.5});
        Q_UNUSED(other);
        select(h); // plot order decides, not the order of selection
        select(c);
        prompts->saveAnswer = dir.filePath("two.txt");
        save();
        QCOMPARE(readAll(prompts->saveAnswer), QByteArray("BOX\tBOX Head.T\t\n\r"
                                                          "Tue Mar 5 14:07:09 2024\t150.123\t30.25\n\r"
                                                          "Tue Mar 5 14:07:10 2024\t149.5\t30.5\n\r"));
    }

    void unequalLengthsRefused()
    {
        const double s = second0();
        select(addGraph(QStringLiteral("A"), {s, s + 1}, {1, 2}));
        select(addGraph(QStringLiteral("A Ext.T"), {s}, {20}));
        prompts->saveAnswer = dir.filePath("never.txt");
        save();
        QCOMPARE(prompts->lastTitle(), QStringLiteral("Error"));
        QCOMPARE(prompts->lastText(), QStringLiteral("Graphs must be of the same length"));
        QVERIFY(prompts->saveCaptions.isEmpty());
        QVERIFY(!QFile::exists(prompts->saveAnswer));
    }

    void nothingSelectedDoesNothing()
    {
        addGraph(QStringLiteral("A"), {1}, {1});
        prompts->saveAnswer = dir.filePath("never.txt");
        save();
        QVERIFY(prompts->saveCaptions.isEmpty());
        QVERIFY(prompts->boxes.isEmpty());
    }

    void cancelledDialogWritesNothing()
    {
        select(addGraph(QStringLiteral("A"), {1}, {1}));
        prompts->saveAnswer.clear();
        save();
        QCOMPARE(prompts->saveCaptions.size(), 1);
        QVERIFY(prompts->boxes.isEmpty());
    }

    void unwritableFileIsReported_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder")
            << dir.filePath("no/such/folder/x.txt") << "No such file or directory";
        // A new file would take the pipe's place rather than write to it.
        const QString pipe = dir.filePath("pipe.txt");
        QVERIFY(QFile::exists(pipe) || ::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        QTest::newRow("pipe") << pipe << "Not a regular file";
    }
    void unwritableFileIsReported()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        select(addRamp(2000));
        prompts->saveAnswer = path;
        save();
        QCOMPARE(prompts->boxes.size(), 1);
        QCOMPARE(prompts->lastTitle(), QStringLiteral("Error"));
        QVERIFY2(prompts->lastText().contains(path), qPrintable(prompts->lastText()));
        QVERIFY2(prompts->lastText().contains(reason), qPrintable(prompts->lastText()));
    }

    // A write cut short, as on a full disk, keeps the old file and names why.
    void failedWriteKeepsTheOldFile()
    {
        const QString path = dir.filePath("export.txt");
        const QByteArray old = "A\t\n\rthe earlier export\n\r";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(old), qint64(old.size()));
        }
        select(addRamp(20000));
        prompts->saveAnswer = path;
        {
            FileSizeCap cap(4096);
            if (!cap.isActive())
                QSKIP("the file size limit cannot be set here");
            save();
        }
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList({"export*"}, QDir::Files), QStringList{"export.txt"});
        QCOMPARE(prompts->boxes.size(), 1);
        QCOMPARE(prompts->lastText(),
                 QStringLiteral("The graphs could not be saved to %1: File too large").arg(path));
    }

    void existingFileIsReplaced()
    {
        const QString path = dir.filePath("old.txt");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(5000, 'x'));
        }
        select(addGraph(QStringLiteral("A"), {second0()}, {7}));
        prompts->saveAnswer = path;
        save();
        QCOMPARE(readAll(path), QByteArray("A\t\n\rTue Mar 5 14:07:09 2024\t7\n\r"));
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
