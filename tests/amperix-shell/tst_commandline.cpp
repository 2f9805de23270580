// Amperix's command line, run on the built program: the usage and invalid-
// argument texts byte for byte, the exit status, and which arguments open the
// window; and a stop signal, which ends either program as a close does.

#include "commandline.h"

#include "simulatorprocess.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>

namespace
{
const QByteArray usage = "Valid arguments are:\n\r"
                         "-help to show this help\n\r"
                         "-loglevel=level to set the loglevel where level can be\n\r"
                         "\ttrace\n\r"
                         "\tdebug\n\r"
                         "\tinfo\n\r"
                         "\twarn\n\r"
                         "\terr\n\r"
                         "\tcritical\n\r";

QByteArray invalid(const QByteArray& argument)
{
    return "Invalid argument " + argument + ". Please read help, option -help\n\r";
}

struct Run {
    bool finished = false;
    int exitCode = 0;
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    QByteArray out;
};
} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void optionWordsAndHash_data();
    void optionWordsAndHash();
    void invalidArgumentExits_data();
    void invalidArgumentExits();
    void validArgumentsOpenTheWindow_data();
    void validArgumentsOpenTheWindow();
    void toolkitOptionsAreNotOurs();
    void invalidArgumentIsLogged();
    void stopSignalEndsTheProgramAsACloseDoes_data();
    void stopSignalEndsTheProgramAsACloseDoes();

private:
    // Runs the program; a window that opens is closed after `closeAfterMs`.
    Run run(const QStringList& arguments, int closeAfterMs = 1500);
    QByteArray logGrowth(qint64 from) const;

    QTemporaryDir config;
    QString program;
    QString logPath;
};

void CommandLineTest::initTestCase()
{
    program = SimulatorProcess::programPath(QStringLiteral("amperix-demo"));
    QVERIFY2(QFile::exists(program), qPrintable(program));
    QVERIFY(config.isValid());
    // Automatic updates off, so no update box shows up at start-up.
    QDir().mkpath(config.path() + QStringLiteral("/Orvane"));
    QFile conf(config.path() + QStringLiteral("/Orvane/Amperix.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("[General]\nautomaticUpdatesEnabled=false\nip_address=127.0.0.1\n");
    conf.close();
    QVERIFY(QFile::copy(conf.fileName(), config.path() + QStringLiteral("/Orvane/SENTREL Viewer.conf")));
    logPath = QFileInfo(program).absolutePath() + QStringLiteral("/Amperix.log");
}

Run CommandLineTest::run(const QStringList& arguments, int closeAfterMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("AMPERIX_DEMO_CLOSE_AFTER_MS"), QString::number(closeAfterMs));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, arguments);
    Run r;
    if (!p.waitForStarted(10000))
        return r;
    r.finished = p.waitForFinished(30000);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.exitCode = p.exitCode();
    r.exitStatus = p.exitStatus();
    r.out = p.readAllStandardOutput();
    return r;
}

QByteArray CommandLineTest::logGrowth(qint64 from) const
{
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly) || f.size() < from)
        return QByteArray();
    f.seek(from);
    return f.readAll();
}

void CommandLineTest::optionWordsAndHash_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("level");

    QTest::newRow("-help") << QByteArray("-help") << int(CommandLine::Option::Help) << -1;
    QTest::newRow("trace") << QByteArray("-loglevel=trace") << int(CommandLine::Option::LogLevel) << 0;
    QTest::newRow("debug") << QByteArray("-loglevel=debug") << int(CommandLine::Option::LogLevel) << 1;
    QTest::newRow("info") << QByteArray("-loglevel=info") << int(CommandLine::Option::LogLevel) << 2;
    QTest::newRow("warn") << QByteArray("-loglevel=warn") << int(CommandLine::Option::LogLevel) << 3;
    QTest::newRow("err") << QByteArray("-loglevel=err") << int(CommandLine::Option::LogLevel) << 4;
    QTest::newRow("critical") << QByteArray("-loglevel=critical") << int(CommandLine::Option::LogLevel) << 5;
    QTest::newRow("error") << QByteArray("-loglevel=error") << int(CommandLine::Option::Invalid) << -1;
    QTest::newRow("upper case") << QByteArray("-HELP") << int(CommandLine::Option::Invalid) << -1;
    QTest::newRow("empty") << QByteArray("") << int(CommandLine::Option::Invalid) << -1;
    QTest::newRow("trailing blank") << QByteArray("-help ") << int(CommandLine::Option::Invalid) << -1;
}

void CommandLineTest::optionWordsAndHash()
{
    QFETCH(QByteArray, argument);
    const CommandLine::Option option = CommandLine::match(argument);
    QTEST(int(option.kind), "kind");
    QTEST(option.level, "level");

    // The hash as the option dispatch defines it, on a known value.
    QCOMPARE(CommandLine::optionHash(""), 5381u);
    QCOMPARE(CommandLine::optionHash("a"), (5381u * 33u) ^ 'a');
    QCOMPARE(CommandLine::optionHash("ab"), (((5381u * 33u) ^ 'b') * 33u) ^ 'a');
}

void CommandLineTest::invalidArgumentExits_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("another level word") << QStringList{"-loglevel=error"} << invalid("-loglevel=error");
    QTest::newRow("letter case") << QStringList{"-Help"} << invalid("-Help");
    QTest::newRow("level missing") << QStringList{"-loglevel="} << invalid("-loglevel=");
    QTest::newRow("two dashes") << QStringList{"--help"} << invalid("--help");
    QTest::newRow("no dash") << QStringList{"help"} << invalid("help");
    QTest::newRow("empty") << QStringList{""} << invalid("");
    QTest::newRow("after a valid level") << QStringList{"-loglevel=debug", "bogus"} << invalid("bogus");
    QTest::newRow("after help") << QStringList{"-help", "-x"} << usage + invalid("-x");
    QTest::newRow("later arguments ignored") << QStringList{"-x", "-help"} << invalid("-x");
}

void CommandLineTest::invalidArgumentExits()
{
    QFETCH(QStringList, arguments);
    // Never closed by the driver: an invalid argument must end the program
    // on its own, without a window.
    const Run r = run(arguments, 60000);
    QVERIFY(r.finished);
    QCOMPARE(r.exitStatus, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 255); // -1 as the process exit status
    QTEST(r.out, "output");
}

void CommandLineTest::validArgumentsOpenTheWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("none") << QStringList{} << QByteArray();
    QTest::newRow("-help") << QStringList{"-help"} << usage;
    QTest::newRow("-help twice") << QStringList{"-help", "-help"} << usage + usage;
    QTest::newRow("levels") << QStringList{"-loglevel=trace", "-loglevel=info"} << QByteArray();
    QTest::newRow("every level") << QStringList{"-loglevel=trace", "-loglevel=debug", "-loglevel=info",
                                                "-loglevel=warn",  "-loglevel=err",   "-loglevel=critical"}
                                 << QByteArray();
}

void CommandLineTest::validArgumentsOpenTheWindow()
{
    QFETCH(QStringList, arguments);
    const Run r = run(arguments);
    // The window opened and was closed normally: the event loop's result.
    QVERIFY(r.finished);
    QCOMPARE(r.exitStatus, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 0);
    QTEST(r.out, "output");
}

void CommandLineTest::toolkitOptionsAreNotOurs()
{
    const Run r = run({QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("-help")});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, usage);
}

void CommandLineTest::invalidArgumentIsLogged()
{
    const qint64 before = QFileInfo(logPath).size();
    const QByteArray marker = "-not-an-option-" + QByteArray::number(QCoreApplication::applicationPid());
    const Run r = run({QStringLiteral("-loglevel=debug"), QString::fromLatin1(marker)});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 255);
    if (!QFile::exists(logPath))
        QSKIP("the program logs elsewhere when its folder cannot be written");
    const QByteArray log = logGrowth(before);
    QVERIFY(log.contains("[SysInfo] [info] Started logging with DEFAULT log level"));
    QVERIFY(log.contains("Working directory = " + QFile::encodeName(QFileInfo(program).canonicalPath())));
    QVERIFY(log.contains("[MainWindow] [info] Detected 2 input argument[s]"));
    QVERIFY(log.contains("[MainWindow] [info] Global log level is set to DEBUG"));
    QVERIFY(log.contains("[MainWindow] [info] Parssing input " + marker));
    QVERIFY(log.contains("[MainWindow] [critical] Cannot parse the input argument " + marker));
}

void CommandLineTest::stopSignalEndsTheProgramAsACloseDoes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("state"); // of the program when the signal comes
    for (const char* name : {"amperix-demo", "dravix-demo"}) {
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            QTest::addRow("%s SIG%s", name, sigabbrev_np(signal))
                << QString::fromLatin1(name) << signal << "";
        // Started as nohup starts it: a SIGHUP changes nothing, a SIGTERM then ends it.
        QTest::addRow("%s SIGHUP under nohup", name) << QString::fromLatin1(name) << SIGHUP << "nohup";
        QTest::addRow("%s SIGTERM over a message box", name) << QString::fromLatin1(name) << SIGTERM << "box";
    }
}

// Connected, either program ends as on a close; the viewer stops its box streaming.
void CommandLineTest::stopSignalEndsTheProgramAsACloseDoes()
{
    QFETCH(QString, name);
    QFETCH(int, signal);
    QFETCH(QString, state);
    const bool viewer = name == QLatin1String("dravix-demo");
    const bool box = state == QLatin1String("box");
    SimulatorProcess sim(viewer ? QStringLiteral("box-sim") : QStringLiteral("supply-sim"));
    QVERIFY(sim.start());
    QSettings(config.path() + QStringLiteral("/Orvane/Amperix.conf"), QSettings::IniFormat)
        .setValue(QStringLiteral("port"), sim.port());
    const qint64 before = QFileInfo(logPath).size();
    // The program starts with what the signal does here.
    std::signal(signal, state == QLatin1String("nohup") ? SIG_IGN : SIG_DFL);
    QProcess process;
    // The box: the viewer's for a refused connection, Amperix's firmware warning (which has no parent).
    process.setEnvironment(
        QProcess::systemEnvironment() +
        QStringList{"XDG_CONFIG_HOME=" + config.path(), "AMPERIX_DEMO_CONNECT=1", "DRAVIX_DEMO_CONNECT=1",
                    "DRAVIX_DEMO_ACQUIRE=" + QString(state.isEmpty() ? "1" : ""),
                    QStringLiteral("DRAVIX_DEMO_BOXES=tcp:127.0.0.1:%1").arg(box ? 1 : sim.port()),
                    "AMPERIX_DEMO_SAY_DIALOGS=1", "DRAVIX_DEMO_SAY_DIALOGS=1",
                    "AMPERIX_DEMO_FIRMWARE_UPDATE=" + QString(box ? "1" : "")});
    process.start(SimulatorProcess::programPath(name), {});
    std::signal(signal, SIG_DFL);
    const QString atWork = !viewer ? "VER" : state.isEmpty() ? "acq:ON" : "status:?";
    QByteArray out;
    if (box)
        QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).contains("dialog shown: "), 60000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(sim.commandLog().contains(atWork), 60000);
    QVERIFY(::kill(pid_t(process.processId()), signal) == 0);
    if (state == QLatin1String("nohup")) {
        const int polls = sim.commandLog().count(atWork);
        QTRY_VERIFY_WITH_TIMEOUT(sim.commandLog().count(atWork) > polls + 5, 20000);
        QCOMPARE(process.state(), QProcess::Running);
        QVERIFY(::kill(pid_t(process.processId()), SIGTERM) == 0);
    }
    QVERIFY(process.waitForFinished(60000));
    QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
    if (viewer && !box)
        QTRY_VERIFY_WITH_TIMEOUT(sim.commandLog().lastIndexOf("print:OFF") > sim.commandLog().indexOf(atWork),
                                 20000);
    else if (!viewer && QFileInfo(logPath).size() >= before) // unless the log was rotated meanwhile
        QVERIFY(logGrowth(before).contains("[info] Destroying MainWindow and dropping all loggers\n"));
}

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
