// The size-rotated log file: names, the size limit, the number of files kept,
// and what happens when the file cannot be opened or rotated.

#include "logerror.h"
#include "loggers.h"
#include "logtestutil.h"
#include "rotatingfilesink.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

#include <spdlog/details/os.h>

namespace
{
// Every test line is exactly this long in the file, layout and line end included.
constexpr int lineSize = 100;
const int prefixSize = int(std::strlen("[2024-01-31 12:34:56.789] [T] [info] "));
const int eolSize = int(std::strlen(spdlog::details::os::default_eol));

std::string numberedText(int n)
{
    std::string text = "line " + std::to_string(n) + " ";
    text.resize(size_t(lineSize - prefixSize - eolSize), 'x');
    return text;
}

int numberOf(const QByteArray& line)
{
    const int at = line.indexOf("] line ");
    return at < 0 ? -1 : line.mid(at + 7).split(' ').value(0).toInt();
}
} // namespace

class RotatingFileSinkTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void rotatedFileNames();
    void theRealLimitIsFourMebibytes();
    void rotationKeepsAtMostFiveFiles_data();
    void rotationKeepsAtMostFiveFiles();
    void sizeCountsFromTheFileFoundAtStart_data();
    void sizeCountsFromTheFileFoundAtStart();
    void oversizedLineIsWrittenWhole();
    void flushPutsLinesOnDisk();
    void unopenableFileIsReportedNotThrown();
    void failedRotationKeepsEveryLine();
    void twoInstancesKeepEachOthersLines_data();
    void twoInstancesKeepEachOthersLines();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString base;
};

void RotatingFileSinkTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    base = dir->filePath(QStringLiteral("Amperix.log"));
}

void RotatingFileSinkTest::rotatedFileNames()
{
    QCOMPARE(RotatingFileSink::rotatedName(QStringLiteral("/x/Amperix.log"), 0),
             QStringLiteral("/x/Amperix.log"));
    QCOMPARE(RotatingFileSink::rotatedName(QStringLiteral("/x/Amperix.log"), 1),
             QStringLiteral("/x/Amperix.log.1"));
    QCOMPARE(RotatingFileSink::rotatedName(QStringLiteral("/x/Amperix.log"), 4),
             QStringLiteral("/x/Amperix.log.4"));
}

void RotatingFileSinkTest::theRealLimitIsFourMebibytes()
{
    QCOMPARE(logMaxFileSize, qint64(4194304));
    QCOMPARE(logRotatedFiles, 4);
    QCOMPARE(logFileName, QStringLiteral("Amperix.log"));
}

void RotatingFileSinkTest::rotationKeepsAtMostFiveFiles_data()
{
    QTest::addColumn<int>("rotations");
    for (int r : {0, 1, 2, 3, 4, 5, 9})
        QTest::addRow("%d rotations", r) << r;
}

void RotatingFileSinkTest::rotationKeepsAtMostFiveFiles()
{
    QFETCH(int, rotations);
    constexpr int linesPerFile = 10;
    auto sink = std::make_shared<RotatingFileSink>(base, linesPerFile * lineSize, logRotatedFiles);
    spdlog::logger logger("T", sink);

    // A file takes lines up to exactly the limit; the next line rotates it.
    const int lines = rotations == 0 ? linesPerFile : rotations * linesPerFile + 1;
    for (int i = 0; i < lines; ++i)
        logger.info("{}", numberedText(i));
    logger.flush();

    const QStringList files = QDir(dir->path()).entryList(QDir::Files, QDir::Name);
    QStringList expected{QStringLiteral("Amperix.log")};
    for (int i = 1; i <= qMin(rotations, logRotatedFiles); ++i)
        expected << QStringLiteral("Amperix.log.%1").arg(i);
    QCOMPARE(files, expected);

    // "Amperix.log.1" is the newest rotated file: each file continues where the
    // next higher number stopped.
    const QList<QByteArray> current = linesOf(base);
    QCOMPARE(numberOf(current.last()), lines - 1);
    int next = numberOf(current.first());
    for (int i = 1; i < expected.size(); ++i) {
        const QList<QByteArray> older = linesOf(RotatingFileSink::rotatedName(base, i));
        QCOMPARE(older.size(), linesPerFile);
        QCOMPARE(numberOf(older.last()), next - 1);
        QCOMPARE(QFileInfo(RotatingFileSink::rotatedName(base, i)).size(), qint64(linesPerFile * lineSize));
        next = numberOf(older.first());
    }
}

void RotatingFileSinkTest::sizeCountsFromTheFileFoundAtStart_data()
{
    QTest::addColumn<qint64>("existing");
    QTest::addColumn<bool>("rotates");
    QTest::newRow("empty file") << qint64(0) << false;
    QTest::newRow("line reaches the limit exactly") << logMaxFileSize - lineSize << false;
    QTest::newRow("line passes the limit by one byte") << logMaxFileSize - lineSize + 1 << true;
    QTest::newRow("file already at the limit") << logMaxFileSize << true;
    QTest::newRow("file already past the limit") << logMaxFileSize + 5000 << true;
}

void RotatingFileSinkTest::sizeCountsFromTheFileFoundAtStart()
{
    QFETCH(qint64, existing);
    QFETCH(bool, rotates);
    {
        QFile old(base);
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.resize(existing));
    }
    auto sink = std::make_shared<RotatingFileSink>(base, logMaxFileSize, logRotatedFiles);
    spdlog::logger logger("T", sink);
    logger.info("{}", numberedText(1));
    logger.flush();

    QCOMPARE(QFileInfo::exists(base + QStringLiteral(".1")), rotates);
    if (rotates) {
        QCOMPARE(QFileInfo(base + QStringLiteral(".1")).size(), existing);
        QCOMPARE(QFileInfo(base).size(), qint64(lineSize));
    } else {
        QCOMPARE(QFileInfo(base).size(), existing + lineSize);
    }
}

void RotatingFileSinkTest::oversizedLineIsWrittenWhole()
{
    auto sink = std::make_shared<RotatingFileSink>(base, 50, logRotatedFiles);
    spdlog::logger logger("T", sink);
    logger.info("{}", std::string(300, 'a'));
    logger.flush();
    // An empty file is never rotated away, however long its first line.
    QVERIFY(!QFileInfo::exists(base + QStringLiteral(".1")));
    QCOMPARE(linesOf(base).size(), 1);
    QVERIFY(linesOf(base).first().endsWith(QByteArray(300, 'a')));

    logger.info("{}", "next");
    logger.flush();
    QCOMPARE(linesOf(base + QStringLiteral(".1")).size(), 1);
    QVERIFY(linesOf(base).first().endsWith("next"));
}

void RotatingFileSinkTest::flushPutsLinesOnDisk()
{
    auto sink = std::make_shared<RotatingFileSink>(base, logMaxFileSize, logRotatedFiles);
    spdlog::logger logger("T", sink);
    logger.info("{}", numberedText(7));
    logger.flush();
    QCOMPARE(QFileInfo(base).size(), qint64(lineSize));
    QCOMPARE(sink->fileName(), base);
}

void RotatingFileSinkTest::unopenableFileIsReportedNotThrown()
{
    QVERIFY(QDir().mkpath(base)); // a folder stands where the file should be
    const unsigned long errorsBefore = logErrorCount();
    auto sink = std::make_shared<RotatingFileSink>(base, logMaxFileSize, logRotatedFiles);
    QVERIFY(!sink->isOpen());
    QVERIFY(logErrorCount() > errorsBefore);

    spdlog::logger logger("T", sink);
    logger.set_error_handler([](const std::string& e) { QFAIL(e.c_str()); });
    logger.info("{}", "goes nowhere");
    logger.flush();
    QVERIFY(QFileInfo(base).isDir());
}

void RotatingFileSinkTest::failedRotationKeepsEveryLine()
{
    // A non-empty folder named like the newest rotated file cannot be replaced,
    // so rotation fails; the lines stay in the current file.
    QVERIFY(QDir().mkpath(base + QStringLiteral(".1/blocker")));
    const unsigned long errorsBefore = logErrorCount();
    auto sink = std::make_shared<RotatingFileSink>(base, 3 * lineSize, logRotatedFiles);
    spdlog::logger logger("T", sink);
    logger.set_error_handler([](const std::string& e) { QFAIL(e.c_str()); });
    for (int i = 0; i < 10; ++i)
        logger.info("{}", numberedText(i));
    logger.flush();

    QVERIFY(logErrorCount() > errorsBefore);
    const QList<QByteArray> lines = linesOf(base);
    QCOMPARE(lines.size(), 10);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(numberOf(lines.at(i)), i);
    QVERIFY(QFileInfo(base + QStringLiteral(".1")).isDir());
}

void RotatingFileSinkTest::twoInstancesKeepEachOthersLines_data()
{
    // Lines written by two programs to one file of three lines, in order ("B"
    // starts at its first line); the files they leave, oldest first.
    QTest::addColumn<QString>("writes");
    QTest::addColumn<QString>("files");
    QTest::newRow("second starts on a rotated file") << "A0 A1 A2 A3 B10 B11 A4"
                                                     << "0 1 2|3 10 11|4";
    QTest::newRow("second rotates first") << "A0 A1 A2 B10 A3"
                                          << "0 1 2|10 3";
    QTest::newRow("each writes in turn") << "A0 B10 A1 B11 A2 B12"
                                         << "0 10 1|11 2 12";
}

void RotatingFileSinkTest::twoInstancesKeepEachOthersLines()
{
    QFETCH(QString, writes);
    std::unique_ptr<spdlog::logger> programs[2];
    for (const QString& write : writes.split(QLatin1Char(' '))) {
        std::unique_ptr<spdlog::logger>& logger = programs[write.startsWith(QLatin1Char('B'))];
        if (!logger)
            logger = std::make_unique<spdlog::logger>(
                "T", std::make_shared<RotatingFileSink>(base, 3 * lineSize, logRotatedFiles));
        logger->info("{}", numberedText(write.mid(1).toInt()));
        logger->flush();
    }
    QStringList files;
    for (int i = logRotatedFiles; i >= 0; --i) {
        QStringList numbers;
        for (const QByteArray& line : linesOf(RotatingFileSink::rotatedName(base, i)))
            numbers << QString::number(numberOf(line));
        if (!numbers.isEmpty())
            files << numbers.join(QLatin1Char(' '));
    }
    QTEST(files.join(QLatin1Char('|')), "files");
}

QTEST_GUILESS_MAIN(RotatingFileSinkTest)
#include "tst_rotatingfilesink.moc"
