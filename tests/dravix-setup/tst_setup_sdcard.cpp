// The SD card page: mount, listing, delete and fetch, saving a fetched file
// on the PC, and the pure checks behind them.

#include "filesizecap.h"
#include "setup_checks.h"
#include "setuprig.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <climits>
#include <cmath>
#include <limits>

#include <dlfcn.h>
#include <unistd.h>

namespace
{

// The card as the box lists it; "MY DATA.TXT" holds a blank.
Dcct_data mountedCard()
{
    Dcct_data d = SetupRig::unlockedRecord();
    d.sd_files = QStringList{"LOG0001.TXT", "MY DATA.TXT", "SMALL.TXT", "BIG.TXT", "ODD.TXT"};
    d.sd_sizes = QList<double>{81920, 40960, 2560, 1e300, Dcct_data::sd_size_unknown};
    return d;
}

class CardRig : public SetupRig
{
public:
    CardRig()
    {
        show(mountedCard());
        clearQueue();
        prompts.clear();
    }
    void select(const QString& name)
    {
        auto* files = w<QComboBox>("comboBox_SD_files");
        for (int i = 0; i < files->count(); ++i) {
            if (files->itemText(i).startsWith(name + QStringLiteral("   ")))
                files->setCurrentIndex(i);
        }
    }
    Dcct_data fileRead(const QByteArrayList& lines, bool ok = true)
    {
        Dcct_data d = mountedCard();
        d.file_lines = lines;
        d.file_read_ok = ok;
        return d;
    }
    bool sdButtonsEnabled() const
    {
        for (const char* n : {"pushButton_SD_mount_unmount", "pushButton_SD_list_update",
                              "pushButton_SD_save", "pushButton_SD_delete"}) {
            if (!w<QPushButton>(n)->isEnabled())
                return false;
        }
        return true;
    }
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

// While not 0, renaming a file fails with this error.
int refusedRenameError = 0;
int refusedRenames = 0;

} // namespace

// Stands in for the C library's rename(), also for the calls from Qt.
extern "C" int rename(const char* from, const char* to)
{
    if (refusedRenameError != 0) {
        ++refusedRenames;
        errno = refusedRenameError;
        return -1;
    }
    using Rename = int (*)(const char*, const char*);
    static const auto next = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    return next(from, to);
}

class SdCardActionsTest : public QObject
{
    Q_OBJECT

private slots:
    void mountButton_data();
    void mountButton();
    void listUpdate();
    void listRefusedWhenNotMounted();
    void deleteUsesTheWholeName();
    void deleteWithoutSelectionDoesNothing();
    void deleteRefusedWhenNotMounted();
    void fetchEstimate_data();
    void fetchEstimate();
    void saveWithoutSelectionDoesNothing();
    void saveRefusedWhenNotMounted();
    void pendingFetchHoldsTheButtons();
    void lostFetchFreesTheButtons();
};

class FileSavingTest : public QObject
{
    Q_OBJECT

private slots:
    void savesUnderTheRequestedName();
    void bytesAsReceived_data();
    void bytesAsReceived();
    void proposedName_data();
    void proposedName();
    void cancelWritesNothing();
    void failedReadIsReported();
    void writeFailureShowsTheReason();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void existingFileIsReplaced();
    void unsolicitedContentsAreIgnored();
};

class SetupChecksTest : public QObject
{
    Q_OBJECT

private slots:
    void boxText_data();
    void boxText();
    void addresses_data();
    void addresses();
    void macAddresses_data();
    void macAddresses();
    void fetchFactor_data();
    void fetchFactor();
    void entryText_data();
    void entryText();
};

// ---- SD card actions -------------------------------------------------------------

void SdCardActionsTest::mountButton_data()
{
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<QStringList>("queued");
    QTest::newRow("mounted: unmount") << true << QStringList{"102", "103"};
    QTest::newRow("not mounted: mount") << false << QStringList{"101", "103"};
}

void SdCardActionsTest::mountButton()
{
    QFETCH(bool, mounted);
    QFETCH(QStringList, queued);
    CardRig rig;
    Dcct_data d = mountedCard();
    d.sd_mounted = mounted;
    rig.show(d);
    rig.click("pushButton_SD_mount_unmount");
    QCOMPARE(rig.take(), queued);
    QCOMPARE(rig.dialog->progressTimer().interval(), 1 * 1 * 80 / 20);
}

void SdCardActionsTest::listUpdate()
{
    CardRig rig;
    rig.click("pushButton_SD_list_update");
    QCOMPARE(rig.take(), QStringList{"96"});
    QVERIFY(rig.prompts.isEmpty());
    QVERIFY(!rig.w<QWidget>("progressBar_refresh")->isHidden());
}

void SdCardActionsTest::listRefusedWhenNotMounted()
{
    CardRig rig;
    rig.show(Dcct_data());
    rig.click("pushButton_SD_list_update");
    QVERIFY(rig.take().isEmpty());
    QCOMPARE(rig.promptKinds(), QStringList{"warning"});
    QCOMPARE(rig.prompts.at(0).text, QStringLiteral("SD-Card not Mounted"));
    QCOMPARE(rig.prompts.at(0).title, QStringLiteral("SENTREL Viewer"));
    // The bar still runs.
    QVERIFY(!rig.w<QWidget>("progressBar_refresh")->isHidden());
}

void SdCardActionsTest::deleteUsesTheWholeName()
{
    CardRig rig;
    rig.select("MY DATA.TXT");
    rig.click("pushButton_SD_delete");
    QCOMPARE(rig.take(), (QStringList{"98:MY DATA.TXT", "96"}));
    QVERIFY(rig.prompts.isEmpty()); // no confirmation
}

void SdCardActionsTest::deleteWithoutSelectionDoesNothing()
{
    CardRig rig;
    Dcct_data d = mountedCard();
    d.sd_files.clear();
    d.sd_sizes.clear();
    rig.show(d);
    rig.click("pushButton_SD_delete");
    QVERIFY(rig.take().isEmpty());
    QVERIFY(rig.prompts.isEmpty());
    QVERIFY(rig.w<QWidget>("progressBar_refresh")->isHidden());
}

void SdCardActionsTest::deleteRefusedWhenNotMounted()
{
    CardRig rig;
    rig.show(Dcct_data());
    rig.click("pushButton_SD_delete");
    QCOMPARE(rig.take(), QStringList{"96"});
    QCOMPARE(rig.promptKinds(), QStringList{"warning"});
}

void SdCardActionsTest::fetchEstimate_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("interval");
    QTest::newRow("80.0 kB: factor 10") << "LOG0001.TXT" << 10 * 80 / 20;
    QTest::newRow("40.0 kB: factor 5") << "MY DATA.TXT" << 5 * 80 / 20;
    QTest::newRow("2.5 kB: factor 0") << "SMALL.TXT" << 0;
    QTest::newRow("absurd size: factor 0") << "BIG.TXT" << 0;
    QTest::newRow("unknown size: factor 0") << "ODD.TXT" << 0;
}

void SdCardActionsTest::fetchEstimate()
{
    QFETCH(QString, file);
    QFETCH(int, interval);
    CardRig rig;
    rig.select(file);
    rig.click("pushButton_SD_save");
    QCOMPARE(rig.take(), QStringList{"97:" + file});
    QCOMPARE(rig.dialog->progressTimer().interval(), interval);
    QCOMPARE(rig.dialog->pendingFileName(), file);
}

void SdCardActionsTest::saveWithoutSelectionDoesNothing()
{
    CardRig rig;
    rig.w<QComboBox>("comboBox_SD_files")->setCurrentIndex(-1);
    rig.click("pushButton_SD_save");
    QVERIFY(rig.take().isEmpty());
    QVERIFY(rig.prompts.isEmpty());
    QVERIFY(!rig.dialog->fileReadPending());
}

void SdCardActionsTest::saveRefusedWhenNotMounted()
{
    CardRig rig;
    rig.show(Dcct_data());
    rig.click("pushButton_SD_save");
    QVERIFY(rig.take().isEmpty());
    QCOMPARE(rig.promptKinds(), QStringList{"warning"});
    QVERIFY(rig.w<QWidget>("progressBar_refresh")->isHidden());
}

void SdCardActionsTest::pendingFetchHoldsTheButtons()
{
    CardRig rig;
    rig.select("SMALL.TXT");
    rig.click("pushButton_SD_save");
    QVERIFY(rig.dialog->fileReadPending());
    QVERIFY(!rig.sdButtonsEnabled());
    rig.click("pushButton_SD_save");
    rig.click("pushButton_SD_delete");
    rig.click("pushButton_SD_list_update");
    rig.click("pushButton_SD_mount_unmount");
    QCOMPARE(rig.take(), QStringList{"97:SMALL.TXT"});
    // A status report while the box is still there keeps them held.
    rig.thread.connected = true;
    rig.show(mountedCard());
    QVERIFY(!rig.sdButtonsEnabled());
    rig.thread.connected = false;

    rig.saveAnswer.clear();
    rig.dialog->update_file_read_dialog(rig.fileRead({"x\r\n"}));
    QVERIFY(rig.sdButtonsEnabled());
    QVERIFY(!rig.dialog->fileReadPending());
}

void SdCardActionsTest::lostFetchFreesTheButtons()
{
    CardRig rig;
    rig.select("SMALL.TXT");
    rig.click("pushButton_SD_save");
    QVERIFY(!rig.sdButtonsEnabled());
    // The link went down: the worker reports its reset record.
    rig.thread.connected = false;
    rig.show(Dcct_data());
    QVERIFY(rig.sdButtonsEnabled());
    QVERIFY(!rig.dialog->fileReadPending());
}

// ---- Saving a fetched file ---------------------------------------------------------

void FileSavingTest::savesUnderTheRequestedName()
{
    QTemporaryDir dir;
    CardRig rig;
    rig.select("MY DATA.TXT");
    rig.click("pushButton_SD_save");
    // The listing changes before the contents arrive.
    rig.thread.connected = true;
    Dcct_data relisted = mountedCard();
    relisted.sd_files = QStringList{"OTHER.TXT", "MY DATA.TXT"};
    relisted.sd_sizes = QList<double>{10, 20};
    rig.show(relisted);
    rig.w<QComboBox>("comboBox_SD_files")->setCurrentIndex(0);

    rig.saveAnswer = dir.filePath("copy.txt");
    rig.dialog->update_file_read_dialog(rig.fileRead({"a,b\r\n", "1,2\r\n"}));
    QCOMPARE(rig.promptKinds(), QStringList{"save"});
    QCOMPARE(rig.prompts.at(0).title, QStringLiteral("Save File"));
    QCOMPARE(rig.prompts.at(0).text, QStringLiteral("MY DATA.TXT"));
    QCOMPARE(rig.saveFilter, QStringLiteral("Text File (*.txt);; All (*.*)"));
    QCOMPARE(readAll(rig.saveAnswer), QByteArray("a,b\r\n1,2\r\n"));
    QVERIFY(rig.w<QWidget>("progressBar_refresh")->isHidden());
}

void FileSavingTest::bytesAsReceived_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("crlf lines") << QByteArrayList{"one\r\n", "BACKUP\r\n", "  indented\r\n", "\r\n"}
                                << QByteArray("one\r\nBACKUP\r\n  indented\r\n\r\n");
    QTest::newRow("lf and cr") << QByteArrayList{"a\n", "b\r", "c"} << QByteArray("a\nb\rc");
    QTest::newRow("trailing blanks kept")
        << QByteArrayList{"x  \r\n", "y\t\r\n"} << QByteArray("x  \r\ny\t\r\n");
    QTest::newRow("utf-8") << QByteArrayList{"T=25 \xc2\xb0"
                                             "C\r\n"}
                           << QByteArray("T=25 \xc2\xb0"
                                         "C\r\n");
    QTest::newRow("not utf-8") << QByteArrayList{"T=25 \xb0"
                                                 "C\r\n"}
                               << QByteArray("T=25 \xb0"
                                             "C\r\n");
    QTest::newRow("empty file") << QByteArrayList{} << QByteArray();
}

void FileSavingTest::bytesAsReceived()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    CardRig rig;
    rig.select("LOG0001.TXT");
    rig.click("pushButton_SD_save");
    rig.saveAnswer = dir.filePath("out.txt");
    rig.dialog->update_file_read_dialog(rig.fileRead(lines));
    QCOMPARE(readAll(rig.saveAnswer), bytes);
}

void FileSavingTest::proposedName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("plain") << "LOG0001.TXT"
                           << "LOG0001.TXT";
    QTest::newRow("blank kept") << "MY DATA.TXT"
                                << "MY DATA.TXT";
    QTest::newRow("path") << "../../etc/passwd"
                          << ".._.._etc_passwd";
    QTest::newRow("backslash") << "C:\\temp\\x.txt"
                               << "C:_temp_x.txt";
    QTest::newRow("control") << "a\tb\x01"
                                "c"
                             << "a_b_c";
    QTest::newRow("dot") << "."
                         << "";
    QTest::newRow("dot dot") << ".."
                             << "";
    QTest::newRow("three dots") << "..."
                                << "...";
}

void FileSavingTest::proposedName()
{
    QFETCH(QString, name);
    QFETCH(QString, proposed);
    QCOMPARE(SetupChecks::plainFileName(name), proposed);

    CardRig rig;
    Dcct_data d = mountedCard();
    d.sd_files = QStringList{name};
    d.sd_sizes = QList<double>{100};
    rig.show(d);
    rig.click("pushButton_SD_save");
    QCOMPARE(rig.take(), QStringList{"97:" + name});
    rig.dialog->update_file_read_dialog(rig.fileRead({"x"}));
    QCOMPARE(rig.promptKinds(), QStringList{"save"});
    QCOMPARE(rig.prompts.at(0).text, proposed);
}

void FileSavingTest::cancelWritesNothing()
{
    QTemporaryDir dir;
    CardRig rig;
    rig.select("LOG0001.TXT");
    rig.click("pushButton_SD_save");
    rig.saveAnswer.clear();
    rig.dialog->update_file_read_dialog(rig.fileRead({"data\r\n"}));
    QCOMPARE(rig.promptKinds(), QStringList{"save"});
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    QVERIFY(rig.w<QWidget>("progressBar_refresh")->isHidden());
    QCOMPARE(rig.w<QWidget>("progressBar_refresh")->property("value").toInt(), 0);
}

void FileSavingTest::failedReadIsReported()
{
    CardRig rig;
    rig.select("MY DATA.TXT");
    rig.click("pushButton_SD_save");
    rig.saveAnswer = QStringLiteral("/tmp/never-written.txt");
    rig.dialog->update_file_read_dialog(rig.fileRead({"half a"}, false));
    QCOMPARE(rig.promptKinds(), QStringList{"warning"});
    QVERIFY(rig.prompts.at(0).text.contains(QStringLiteral("MY DATA.TXT")));
    QVERIFY(rig.w<QWidget>("progressBar_refresh")->isHidden());
    QVERIFY(rig.sdButtonsEnabled());
}

void FileSavingTest::writeFailureShowsTheReason()
{
    QTemporaryDir dir;
    CardRig rig;
    rig.select("LOG0001.TXT");
    rig.click("pushButton_SD_save");
    rig.saveAnswer = dir.filePath("no/such/folder/out.txt");
    rig.dialog->update_file_read_dialog(rig.fileRead({"data\r\n"}));
    QCOMPARE(rig.promptKinds(), (QStringList{"save", "critical"}));
    QCOMPARE(rig.prompts.at(1).text, "Could not save " + rig.saveAnswer + ": No such file or directory");

    // A writable file in a folder that takes no new file. Root writes in any
    // folder whatever its permission bits, but no process creates files in its
    // own folder under /proc, though it may write its name there.
    const bool root = geteuid() == 0;
    rig.saveAnswer = root ? QStringLiteral("/proc/self/comm") : dir.filePath("out.txt");
    const QString folder = QFileInfo(rig.saveAnswer).absolutePath();
    if (!root) {
        QVERIFY(QFile(rig.saveAnswer).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    const auto writable = qScopeGuard([&] {
        if (!root)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (!QFileInfo(rig.saveAnswer).isWritable())
        QSKIP("no writable file in a folder that takes no new file here");
    rig.click("pushButton_SD_save");
    rig.dialog->update_file_read_dialog(rig.fileRead({"data\r\n"}));
    QCOMPARE(rig.promptKinds().mid(2), (QStringList{"save", "critical"}));
    QVERIFY2(rig.prompts.last().text.endsWith(" (the folder " + folder + " cannot be written)"),
             qPrintable(rig.prompts.last().text));

    // Saved through a link, the file is made beside the link's target.
    QTemporaryDir linkDir;
    QVERIFY(QFile::link(rig.saveAnswer, linkDir.filePath("link.txt")));
    rig.saveAnswer = linkDir.filePath("link.txt");
    rig.click("pushButton_SD_save");
    rig.dialog->update_file_read_dialog(rig.fileRead({"data\r\n"}));
    QVERIFY2(rig.prompts.last().text.endsWith(" (the folder " + folder + " cannot be written)"),
             qPrintable(rig.prompts.last().text));
}

void FileSavingTest::failedWriteKeepsTheOldFile_data()
{
    // The new file opens but its few lines cannot all reach the disk, or they
    // do and the new file cannot take the old one's place.
    QTest::addColumn<qint64>("sizeCap");
    QTest::addColumn<int>("renameError");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cut short") << qint64(8) << 0 << "File too large";
    QTest::newRow("not put in place") << qint64(1 << 20) << EBUSY << "Device or resource busy";
}

void FileSavingTest::failedWriteKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("old.txt");
    const QByteArray old = "the earlier file\r\n";
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(old), qint64(old.size()));
    }
    QFETCH(qint64, sizeCap);
    QFETCH(int, renameError);
    QFETCH(QString, reason);
    CardRig rig;
    rig.select("SMALL.TXT");
    rig.click("pushButton_SD_save");
    rig.saveAnswer = path;
    {
        FileSizeCap cap(sizeCap);
        if (!cap.isActive())
            QSKIP("the file size limit cannot be set here");
        refusedRenameError = renameError;
        rig.dialog->update_file_read_dialog(rig.fileRead({"new line one\r\n", "new line two\r\n"}));
        refusedRenameError = 0;
    }
    if (renameError != 0 && refusedRenames == 0)
        QSKIP("files here take each other's place without rename()");
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.txt"});
    QCOMPARE(rig.promptKinds(), (QStringList{"save", "critical"}));
    QCOMPARE(rig.prompts.at(1).title, QStringLiteral("Save File"));
    QCOMPARE(rig.prompts.at(1).text, "Could not save " + path + ": " + reason);
}

void FileSavingTest::existingFileIsReplaced()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("old.txt");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a much longer earlier content\r\n");
    }
    CardRig rig;
    rig.select("SMALL.TXT");
    rig.click("pushButton_SD_save");
    rig.saveAnswer = path;
    rig.dialog->update_file_read_dialog(rig.fileRead({"new\r\n"}));
    QCOMPARE(readAll(path), QByteArray("new\r\n"));
}

void FileSavingTest::unsolicitedContentsAreIgnored()
{
    CardRig rig;
    rig.dialog->update_file_read_dialog(rig.fileRead({"stray"}));
    QVERIFY(rig.prompts.isEmpty());
}

// ---- Checks ------------------------------------------------------------------------

void SetupChecksTest::boxText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("printable") << " !~azAZ09:;,." << true;
    QTest::newRow("cr") << "a\rb" << false;
    QTest::newRow("lf") << "a\n" << false;
    QTest::newRow("nul") << QString(QChar(0)) << false;
    QTest::newRow("del") << "\x7f" << false;
    QTest::newRow("latin-1") << QStringLiteral("\u00e9") << false;
    QTest::newRow("euro") << QStringLiteral("\u20ac") << false;
}

void SetupChecksTest::boxText()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QCOMPARE(SetupChecks::isBoxText(text), ok);
}

void SetupChecksTest::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("complete");
    QTest::newRow("plain") << "192.168.0.1" << true;
    QTest::newRow("zeros") << "0.0.0.0" << true;
    QTest::newRow("padded") << "010.000.000.001" << true;
    QTest::newRow("255") << "255.255.255.255" << true;
    QTest::newRow("256") << "256.0.0.1" << false;
    QTest::newRow("three parts") << "1.2.3" << false;
    QTest::newRow("trailing dot") << "1.2.3." << false;
    QTest::newRow("blank") << "1.2.3.4 " << false;
    QTest::newRow("empty") << "" << false;
}

void SetupChecksTest::addresses()
{
    QFETCH(QString, text);
    QFETCH(bool, complete);
    QCOMPARE(SetupChecks::isCompleteIPv4(text), complete);
}

void SetupChecksTest::macAddresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("upper") << "00:1A:2B:3C:4D:5E" << true;
    QTest::newRow("lower") << "aa:bb:cc:dd:ee:ff" << true;
    QTest::newRow("single digits") << "0:1:2:3:4:5" << false;
    QTest::newRow("seven pairs") << "00:11:22:33:44:55:66" << false;
    QTest::newRow("trailing colon") << "00:11:22:33:44:55:" << false;
    QTest::newRow("empty") << "" << false;
}

void SetupChecksTest::macAddresses()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QCOMPARE(SetupChecks::isMacAddress(text), ok);
}

void SetupChecksTest::fetchFactor_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<int>("factor");
    QTest::newRow("empty") << 0.0 << 0;
    QTest::newRow("7.9 kB") << 8090.0 << 0;
    QTest::newRow("8.0 kB") << 8192.0 << 1;
    // 8191 bytes are listed as 8.0 kB, and the estimate follows the list.
    QTest::newRow("8191 bytes") << 8191.0 << 1;
    QTest::newRow("40.0 kB") << 40960.0 << 5;
    QTest::newRow("80.0 kB") << 81920.0 << 10;
    QTest::newRow("largest exact") << 9007199254740992.0 << INT_MAX;
    QTest::newRow("too big") << 1e300 << 0;
    QTest::newRow("negative") << -1024.0 << 0;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 0;
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0;
}

void SetupChecksTest::fetchFactor()
{
    QFETCH(double, bytes);
    QFETCH(int, factor);
    QCOMPARE(SetupChecks::sdFetchFactor(bytes), factor);
}

void SetupChecksTest::entryText_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("2560") << 2560.0 << "F   Size: 2.5 kB";
    QTest::newRow("0") << 0.0 << "F   Size: 0.0 kB";
    QTest::newRow("1 byte") << 1.0 << "F   Size: 0.0 kB";
    QTest::newRow("300 KiB") << 307200.0 << "F   Size: 300.0 kB";
    QTest::newRow("unknown") << Dcct_data::sd_size_unknown << "F   Size: unknown";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "F   Size: unknown";
}

void SetupChecksTest::entryText()
{
    QFETCH(double, bytes);
    QFETCH(QString, text);
    QCOMPARE(SetupChecks::sdEntryText(QStringLiteral("F"), bytes), text);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        SdCardActionsTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        FileSavingTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        SetupChecksTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_setup_sdcard.moc"
