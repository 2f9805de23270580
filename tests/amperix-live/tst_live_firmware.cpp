// The firmware check made on the first status report of a connection: the
// version texts, the firmware file scan with its family prefixes, and the
// questions against the supply simulator, with the window disconnected while
// they are open and left that way when the user declines.

#include "livetest.h"

#include "firmwarecheck.h"
#include "firmwareupdatedialog.h"
#include "postedevents.h"

#include "simulatorprocess.h"
#include "tempsettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

using namespace LiveTest;

namespace
{
constexpr int connectMs = 15000;

// What the window showed while a question was open.
struct Snapshot {
    bool taken = false;
    bool connectedAction = true;
    bool workerRunning = true;
    bool controls = true;
    bool output = true;
};

// Answers the firmware check's questions from inside their own event loop,
// after looking at the window once the queued state reports had time to
// arrive. Every question seen is recorded in order.
class QuestionAnswerer : public QObject
{
public:
    QuestionAnswerer(MainWindow& w) : window(w)
    {
        connect(&timer, &QTimer::timeout, this, &QuestionAnswerer::poll);
        timer.start(20);
    }

    void answer(const QString& title, QMessageBox::StandardButton button) { answers[title] = button; }

    QStringList titles;
    QStringList texts;
    QMap<QString, Snapshot> snapshots;
    QList<QMessageBox::StandardButtons> buttons;

private:
    void poll()
    {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            if (!box || !box->isVisible() || handled.contains(box))
                continue;
            if (!firstSeen.contains(box)) {
                firstSeen[box].start();
                // A later box may be built at the same address.
                connect(box, &QObject::destroyed, this, [this, box] {
                    firstSeen.remove(box);
                    handled.remove(box);
                });
            }
            if (firstSeen[box].elapsed() < 300)
                continue;
            handled.insert(box);
            titles << box->windowTitle();
            texts << box->text();
            buttons << box->standardButtons();
            Snapshot s;
            s.taken = true;
            s.connectedAction = window.findChild<QAction*>(QStringLiteral("actionConnection"))->isChecked();
            s.workerRunning = window.getThread()->isRunning();
            s.controls = window.findChild<QWidget*>(QStringLiteral("groupBox_Controls"))->isEnabled();
            s.output = window.findChild<QWidget*>(QStringLiteral("groupBox_Output"))->isEnabled();
            snapshots[box->windowTitle()] = s;
            const auto button = answers.value(box->windowTitle(), QMessageBox::No);
            if (QAbstractButton* b = box->button(button))
                QMetaObject::invokeMethod(b, "click", Qt::QueuedConnection);
            else
                QMetaObject::invokeMethod(box, "reject", Qt::QueuedConnection);
        }
    }

    MainWindow& window;
    QTimer timer;
    QMap<QString, QMessageBox::StandardButton> answers;
    QMap<QMessageBox*, QElapsedTimer> firstSeen;
    QSet<QMessageBox*> handled;
};

bool writeFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("firmware") > 0;
}

bool connected(MainWindow& w)
{
    return w.findChild<QAction*>(QStringLiteral("actionConnection"))->isChecked() &&
           w.findChild<QWidget*>(QStringLiteral("groupBox_Output"))->isEnabled() &&
           w.getThread()->isRunning();
}

bool disconnected(MainWindow& w)
{
    return !w.findChild<QAction*>(QStringLiteral("actionConnection"))->isChecked() &&
           !w.findChild<QWidget*>(QStringLiteral("groupBox_Controls"))->isEnabled() &&
           !w.findChild<QWidget*>(QStringLiteral("groupBox_Output"))->isEnabled() &&
           !w.getThread()->isRunning();
}

const QString upgradeTitle = QStringLiteral("Firmware updates");
const QString compatibilityTitle = QStringLiteral("Error firmware release");
} // namespace

class LiveFirmwareTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void versionTexts_data();
    void versionTexts();
    void newerAndCompatible_data();
    void newerAndCompatible();
    void familyPrefixes_data();
    void familyPrefixes();
    void fileScan_data();
    void fileScan();
    void missingFolderFindsNothing();

    void upgradeDeclinedReconnects();
    void upgradeAcceptedOpensUploadLeavingConnectionClosed();
    void incompatibleDeclinedStaysDisconnected();
    void incompatibleAcceptedReconnectsWithoutSecondCheck();
    void olderAndIncompatibleAsksBoth();
    void otherFamilyFilesAndShortVersionsAskNothing_data();
    void otherFamilyFilesAndShortVersionsAskNothing();

private:
    // Connects a window to a simulator started with `simArgs`, with `files`
    // in its firmware folder, and answers the questions as `answers` says.
    void runCheck(const QStringList& simArgs, const QStringList& files);

    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QuestionAnswerer> questions;
    QStringList chooserDirs;
};

void LiveFirmwareTest::init()
{
    settings = std::make_unique<TempSettings>();
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    chooserDirs.clear();
    FirmwareUpdateDialog::setFileChooser(
        [this](QWidget*, const QString& caption, const QString& dir, const QString& filter) {
            chooserDirs << dir + QLatin1Char('|') + caption + QLatin1Char('|') + filter;
            return QString();
        });
}

void LiveFirmwareTest::cleanup()
{
    questions.reset();
    window.reset();
    sim.reset();
    folder.reset();
    settings.reset();
    FirmwareUpdateDialog::setFileChooser({});
}

void LiveFirmwareTest::versionTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("parts");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::newRow("1.3.6") << "1.3.6" << true << 3 << 1 << 3 << 6;
    QTest::newRow("four parts") << "1.4.0.12" << true << 4 << 1 << 4 << 0;
    QTest::newRow("two parts") << "2.0" << false << 2 << 0 << 0 << 0;
    QTest::newRow("empty") << "" << false << 1 << 0 << 0 << 0;
    QTest::newRow("empty part kept") << "1..3" << true << 3 << 1 << 0 << 3;
    QTest::newRow("words read 0") << "a.b.c" << true << 3 << 0 << 0 << 0;
    QTest::newRow("trailing text") << "1.3.6-rc1" << true << 3 << 1 << 3 << 0;
    QTest::newRow("two digits") << "10.12.103" << true << 3 << 10 << 12 << 103;
}

void LiveFirmwareTest::versionTexts()
{
    QFETCH(QString, text);
    FirmwareCheck::Version v;
    int parts = -1;
    QTEST(FirmwareCheck::parseVersion(text, &v, &parts), "ok");
    QTEST(parts, "parts");
    QTEST(v.major, "major");
    QTEST(v.minor, "minor");
    QTEST(v.patch, "patch");
}

void LiveFirmwareTest::newerAndCompatible_data()
{
    QTest::addColumn<QString>("candidate");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<bool>("newer");
    QTest::addColumn<bool>("compatible");
    QTest::newRow("same") << "1.3.6"
                          << "1.3.6" << false << true;
    QTest::newRow("patch up") << "1.3.7"
                              << "1.3.6" << true << true;
    QTest::newRow("patch down") << "1.3.5"
                                << "1.3.6" << false << true;
    QTest::newRow("minor up, patch down") << "1.4.0"
                                          << "1.3.9" << true << false;
    QTest::newRow("major up") << "2.0.0"
                              << "1.9.9" << true << false;
    QTest::newRow("major down, minor up") << "0.9.9"
                                          << "1.0.0" << false << false;
    QTest::newRow("minor down, patch up") << "1.2.9"
                                          << "1.3.0" << false << false;
}

void LiveFirmwareTest::newerAndCompatible()
{
    QFETCH(QString, candidate);
    QFETCH(QString, reference);
    FirmwareCheck::Version c;
    FirmwareCheck::Version r;
    QVERIFY(FirmwareCheck::parseVersion(candidate, &c));
    QVERIFY(FirmwareCheck::parseVersion(reference, &r));
    QTEST(FirmwareCheck::isNewer(c, r), "newer");
    QTEST(FirmwareCheck::isCompatible(c, r), "compatible");
}

void LiveFirmwareTest::familyPrefixes_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("KORA-PS") << "KORA-PS"
                             << "KORA-PS-";
    QTest::newRow("KORA-PS-M") << "KORA-PS-M"
                               << "KORA-PS-";
    QTest::newRow("KORA-PS-1K5") << "KORA-PS-1K5"
                                 << "KORA-PS1K5-";
    QTest::newRow("ORTX") << "ORTX"
                          << "ORTX-";
    QTest::newRow("UNDEFINED") << "UNDEFINED"
                               << "KORA-PS-";
    QTest::newRow("empty") << ""
                           << "KORA-PS-";
}

void LiveFirmwareTest::familyPrefixes()
{
    QFETCH(QString, family);
    QTEST(FirmwareCheck::familyPrefix(family), "prefix");
}

void LiveFirmwareTest::fileScan_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("supply");
    QTest::addColumn<QString>("found"); // empty: nothing newer
    QTest::addColumn<QString>("logged");

    QTest::newRow("newer standard") << QStringList{"KORA-PS-1.3.4-STANDARD.updt"} << "KORA-PS"
                                    << "1.3.2"
                                    << "KORA-PS-1.3.4-STANDARD.updt"
                                    << "KORA-PS-1.3.4-STANDARD.updt";
    QTest::newRow("full logged as standard") << QStringList{"KORA-PS-1.3.0-FULL.updt"} << "KORA-PS"
                                             << "1.2.9"
                                             << "KORA-PS-1.3.0-FULL.updt"
                                             << "KORA-PS-1.3.0-STANDARD.updt";
    QTest::newRow("same version") << QStringList{"KORA-PS-1.3.6.updt"} << "KORA-PS"
                                  << "1.3.6"
                                  << ""
                                  << "";
    QTest::newRow("first newer in name order")
        << QStringList{"KORA-PS-1.3.9.updt", "KORA-PS-1.3.7.updt"} << "KORA-PS"
        << "1.3.6"
        << "KORA-PS-1.3.7.updt"
        << "KORA-PS-1.3.7-STANDARD.updt";
    QTest::newRow("name order ignores case")
        << QStringList{"KORA-PS-1.4.B.updt", "KORA-PS-1.4.a.updt"} << "KORA-PS"
        << "1.3.6"
        << "KORA-PS-1.4.a.updt"
        << "KORA-PS-1.4.a-STANDARD.updt";
    QTest::newRow("KORA-PS-M uses KORA-PS files")
        << QStringList{"KORA-PS1K5-1.9.0.updt", "KORA-PS-1.3.7.updt"} << "KORA-PS-M"
        << "1.3.6"
        << "KORA-PS-1.3.7.updt"
        << "KORA-PS-1.3.7-STANDARD.updt";
    QTest::newRow("KORA-PS-1K5 only its own")
        << QStringList{"KORA-PS-1.9.0.updt", "KORA-PS1K5-1.3.7.updt", "ORTX-1.9.0.updt"} << "KORA-PS-1K5"
        << "1.3.6"
        << "KORA-PS1K5-1.3.7.updt"
        << "KORA-PS1K5-1.3.7-STANDARD.updt";
    QTest::newRow("KORA-PS-1K5 ignores KORA-PS") << QStringList{"KORA-PS-1.9.0.updt"} << "KORA-PS-1K5"
                                                 << "1.3.6"
                                                 << ""
                                                 << "";
    QTest::newRow("ORTX only its own") << QStringList{"KORA-PS-1.9.0.updt", "ORTX-1.3.7-FULL.updt"} << "ORTX"
                                       << "1.3.6"
                                       << "ORTX-1.3.7-FULL.updt"
                                       << "ORTX-1.3.7-STANDARD.updt";
    QTest::newRow("ORTX ignores others")
        << QStringList{"KORA-PS-1.9.0.updt", "KORA-PS1K5-1.9.0.updt"} << "ORTX"
        << "1.3.6"
        << ""
        << "";
    QTest::newRow("unparsable names skipped")
        << QStringList{"KORA-PS-1.4.updt", "KORA-PS-latest.updt", "KORA-PS-x.y.z.updt", "KORA-PS-1.3.5.updt"}
        << "KORA-PS"
        << "1.3.6"
        << ""
        << "";
    QTest::newRow("after skipped names") << QStringList{"KORA-PS-1.4.updt", "KORA-PS-2.0.0.updt"} << "KORA-PS"
                                         << "1.3.6"
                                         << "KORA-PS-2.0.0.updt"
                                         << "KORA-PS-2.0.0-STANDARD.updt";
    QTest::newRow("other extensions")
        << QStringList{"KORA-PS-1.4.0.bin", "KORA-PS-1.4.0.updt.bak"} << "KORA-PS"
        << "1.3.6"
        << ""
        << "";
    QTest::newRow("folder named like firmware") << QStringList{"KORA-PS-1.9.9.updt/"} << "KORA-PS"
                                                << "1.3.6"
                                                << ""
                                                << "";
}

void LiveFirmwareTest::fileScan()
{
    QFETCH(QStringList, files);
    QFETCH(QString, family);
    QFETCH(QString, supply);
    QFETCH(QString, found);
    for (const QString& name : files) {
        if (name.endsWith(QLatin1Char('/')))
            QVERIFY(QDir(folder->path()).mkdir(name.chopped(1)));
        else
            QVERIFY(writeFile(folder->filePath(name)));
    }
    FirmwareCheck::Version v;
    QVERIFY(FirmwareCheck::parseVersion(supply, &v));
    const FirmwareCheck::NewerFile result = FirmwareCheck::findNewerFile(folder->path(), family, v);
    QCOMPARE(result.found, !found.isEmpty());
    QCOMPARE(result.fileName, found);
    QTEST(result.loggedName, "logged");
}

void LiveFirmwareTest::missingFolderFindsNothing()
{
    FirmwareCheck::Version v;
    QVERIFY(!FirmwareCheck::findNewerFile(folder->filePath(QStringLiteral("absent")), "KORA-PS", v).found);
    QVERIFY(!FirmwareCheck::findNewerFile(QString(), "KORA-PS", v).found);
}

void LiveFirmwareTest::runCheck(const QStringList& simArgs, const QStringList& files)
{
    for (const QString& name : files)
        QVERIFY(writeFile(folder->filePath(name)));
    sim = std::make_unique<SimulatorProcess>(QStringLiteral("supply-sim"));
    QVERIFY2(sim->start(QStringList{"--noise", "0"} + simArgs), qPrintable(sim->output()));
    storeConnection(sim->port());
    window = std::make_unique<MainWindow>();
    window->findChild<FirmwareUpdateDialog*>()->default_firmware_path = folder->path();
    questions = std::make_unique<QuestionAnswerer>(*window);
}

void LiveFirmwareTest::upgradeDeclinedReconnects()
{
    runCheck({"--version", "1.3.2"}, {"KORA-PS-1.3.4-STANDARD.updt"});
    QuestionAnswerer& q = *questions;
    q.answer(upgradeTitle, QMessageBox::No);
    window->findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();

    QTRY_COMPARE_WITH_TIMEOUT(q.titles, QStringList{upgradeTitle}, connectMs);
    QCOMPARE(q.texts.first(), QStringLiteral("There are firmware updates. Would you like to upgrade?"));
    QCOMPARE(q.buttons.first(), QMessageBox::Yes | QMessageBox::No);
    // The connection is closed before the question.
    const Snapshot during = q.snapshots.value(upgradeTitle);
    QVERIFY(during.taken);
    QVERIFY(!during.workerRunning);
    QVERIFY(!during.connectedAction);
    QVERIFY(!during.controls);
    QVERIFY(!during.output);

    // "No" connects again; 1.3 suits this program, so nothing more is asked.
    QTRY_VERIFY_WITH_TIMEOUT(connected(*window), connectMs);
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().count(QStringLiteral("VER")) >= 2, connectMs);
    // Later polls come after all the earlier ones reported.
    const int polls = sim->commandLog().count(QStringLiteral("MPLST"));
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().count(QStringLiteral("MPLST")) >= polls + 2, connectMs);
    deliverPostedEvents();
    QCOMPARE(q.titles, QStringList{upgradeTitle});
    QVERIFY(connected(*window));
    QVERIFY(chooserDirs.isEmpty());
}

void LiveFirmwareTest::upgradeAcceptedOpensUploadLeavingConnectionClosed()
{
    runCheck({"--version", "1.3.2"}, {"KORA-PS-1.3.4-STANDARD.updt"});
    questions->answer(upgradeTitle, QMessageBox::Yes);
    auto* upload = window->findChild<FirmwareUpdateDialog*>();
    window->findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();

    QTRY_COMPARE_WITH_TIMEOUT(chooserDirs.size(), 1, connectMs);
    QCOMPARE(chooserDirs.first(), folder->path() + QStringLiteral("|Choose Power Supply firmware to upload|"
                                                                  "Power Supply Firmware (*.updt)"));
    QVERIFY(upload->isVisible());
    // The worker has ended: all it reported is among the posted events.
    QTRY_VERIFY_WITH_TIMEOUT(!window->getThread()->isRunning(), connectMs);
    deliverPostedEvents();
    QCOMPARE(questions->titles, QStringList{upgradeTitle});
    QVERIFY(disconnected(*window));
    QVERIFY(window->findChild<QAction*>(QStringLiteral("actionActionFirmwareUpdate"))->isEnabled());
    upload->close();
}

void LiveFirmwareTest::incompatibleDeclinedStaysDisconnected()
{
    runCheck({"--version", "1.4.0"}, {});
    QuestionAnswerer& q = *questions;
    q.answer(compatibilityTitle, QMessageBox::No);
    window->findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();

    QTRY_COMPARE_WITH_TIMEOUT(q.titles, QStringList{compatibilityTitle}, connectMs);
    QCOMPARE(q.texts.first(), QStringLiteral("This release of Amperix is not compatible with remote firmware "
                                             "version 1.4.0. Would you like to continue anyway?"));
    QVERIFY(!q.snapshots.value(compatibilityTitle).workerRunning);
    QVERIFY(!q.snapshots.value(compatibilityTitle).controls);

    // The status report that ran the check must not bring the controls back.
    // The worker has ended: all it reported is among the posted events.
    QTRY_VERIFY_WITH_TIMEOUT(!window->getThread()->isRunning(), connectMs);
    deliverPostedEvents();
    QVERIFY(disconnected(*window));
    QCOMPARE(q.titles.size(), 1);
}

void LiveFirmwareTest::incompatibleAcceptedReconnectsWithoutSecondCheck()
{
    runCheck({"--version", "1.4.0"}, {});
    QuestionAnswerer& q = *questions;
    q.answer(compatibilityTitle, QMessageBox::Yes);
    window->findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();

    QTRY_COMPARE_WITH_TIMEOUT(q.titles.size(), 1, connectMs);
    QTRY_VERIFY_WITH_TIMEOUT(connected(*window), connectMs);
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().count(QStringLiteral("MPLST")) >= 3, connectMs);
    QCOMPARE(q.titles, QStringList{compatibilityTitle});
    QVERIFY(connected(*window));
    QVERIFY(window->findChild<QWidget*>(QStringLiteral("groupBox_Controls"))->isEnabled());

    // A connection the user starts again is checked again.
    window->findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(*window), connectMs);
    window->findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(q.titles.size(), 2, connectMs);
    QTRY_VERIFY_WITH_TIMEOUT(connected(*window), connectMs);
}

void LiveFirmwareTest::olderAndIncompatibleAsksBoth()
{
    runCheck({"--version", "1.2.9"}, {"KORA-PS-1.3.0-FULL.updt"});
    QuestionAnswerer& q = *questions;
    q.answer(upgradeTitle, QMessageBox::No);
    q.answer(compatibilityTitle, QMessageBox::No);
    window->findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();

    QTRY_COMPARE_WITH_TIMEOUT(q.titles, (QStringList{upgradeTitle, compatibilityTitle}), connectMs);
    QVERIFY(q.texts.last().contains(QStringLiteral("version 1.2.9.")));
    // The worker has ended: all it reported is among the posted events.
    QTRY_VERIFY_WITH_TIMEOUT(!window->getThread()->isRunning(), connectMs);
    deliverPostedEvents();
    QVERIFY(disconnected(*window));
    QCOMPARE(q.titles.size(), 2);
}

void LiveFirmwareTest::otherFamilyFilesAndShortVersionsAskNothing_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("ORTX, KORA-PS file")
        << QStringList{"--family", "ORTX", "--version", "1.3.2"} << QStringList{"KORA-PS-1.3.9.updt"};
    QTest::newRow("KORA-PS-1K5, KORA-PS file") << QStringList{"--family", "KORA-PS-1K5", "--version", "1.3.2"}
                                               << QStringList{"KORA-PS-1.3.9.updt", "ORTX-1.3.9.updt"};
    QTest::newRow("version 2.0") << QStringList{"--version", "2.0"} << QStringList{"KORA-PS-9.9.9.updt"};
    QTest::newRow("no version") << QStringList{"--version", ""} << QStringList{"KORA-PS-9.9.9.updt"};
}

void LiveFirmwareTest::otherFamilyFilesAndShortVersionsAskNothing()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, files);
    runCheck(simArgs, files);
    window->findChild<QAction*>(QStringLiteral("actionConnection"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(connected(*window), connectMs);
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().count(QStringLiteral("MPLST")) >= 3, connectMs);
    // Later polls come after all the earlier ones reported.
    const int polls = sim->commandLog().count(QStringLiteral("MPLST"));
    QTRY_VERIFY_WITH_TIMEOUT(sim->commandLog().count(QStringLiteral("MPLST")) >= polls + 2, connectMs);
    deliverPostedEvents();
    QCOMPARE(questions->titles, QStringList());
    QVERIFY(connected(*window));
}

QTEST_MAIN(LiveFirmwareTest)
#include "tst_live_firmware.moc"
