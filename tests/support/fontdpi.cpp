#include "fontdpi.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QtTest>

bool atFontDpi(int dpi, const QString& screen, const QString& scale)
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    // Qt scales a 96-dpi form by the desktop's DPI / 96, times QT_SCALE_FACTOR.
    const double factor = scale.isEmpty() ? 1.0 : scale.toDouble();
    return primary && qRound(primary->logicalDotsPerInchY() * primary->devicePixelRatio() / factor) == dpi &&
           qEnvironmentVariable("TEST_SCREEN") == screen && qEnvironmentVariable("QT_SCALE_FACTOR") == scale;
}

QString runRowAtFontDpi(int dpi, const QString& screen, const QString& scale, QString* output)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString value = QString::number(dpi);
    // A child that was given this DPI and still is not at it would start
    // another one, and so on.
    if (env.value(QStringLiteral("QT_FONT_DPI")) == value && env.value(QStringLiteral("TEST_SCREEN")) == screen &&
        env.value(QStringLiteral("QT_SCALE_FACTOR")) == scale)
        return QStringLiteral("the platform ignores QT_FONT_DPI=%1").arg(value);
    env.insert(QStringLiteral("QT_FONT_DPI"), value);
    for (const auto& setting : {qMakePair(QStringLiteral("TEST_SCREEN"), screen),
                                qMakePair(QStringLiteral("QT_SCALE_FACTOR"), scale)})
        if (setting.second.isEmpty())
            env.remove(setting.first);
        else
            env.insert(setting.first, setting.second);

    QString row = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag())
        row += QLatin1Char(':') + QString::fromLatin1(QTest::currentDataTag());
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {row, QStringLiteral("-maxwarnings"), QStringLiteral("0")});
    if (!child.waitForStarted())
        return QStringLiteral("%1 at %2 dpi did not start: %3").arg(row, value, child.errorString());
    // A generous ceiling: the row builds every window of a program.
    if (!child.waitForFinished(240000)) {
        child.kill();
        child.waitForFinished();
        return QStringLiteral("%1 at %2 dpi did not finish: %3")
            .arg(row, value, QString::fromLocal8Bit(child.readAll()));
    }
    const QString written = QString::fromLocal8Bit(child.readAll());
    if (output)
        *output = written;
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        return QString();
    return QStringLiteral("%1 at %2 dpi failed:\n%3").arg(row, value, written);
}

void addDesktopRows(const QStringList& windows)
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("scale");
    if (!windows.isEmpty())
        QTest::addColumn<QString>("window");
    auto row = [&windows](const char* name, int dpi, const QString& screen, const QString& scale) {
        if (windows.isEmpty())
            QTest::newRow(name) << dpi << screen << scale;
        for (const QString& window : windows)
            QTest::addRow("%s at %s", qPrintable(window), name) << dpi << screen << scale << window;
    };
    for (int dpi : {96, 100, 120, 144, 192})
        row(qPrintable(QStringLiteral("%1 dpi").arg(dpi)), dpi, QString(), QString());
    row("96 dpi on 1366 x 768", 96, QStringLiteral("1366x768"), QString());
    row("120 dpi on 1366 x 768", 120, QStringLiteral("1366x768"), QString());
    row("scale 1.5 on 1920 x 1080", 96, QStringLiteral("1920x1080"), QStringLiteral("1.5"));
    row("192 dpi on 1920 x 1080", 192, QStringLiteral("1920x1080"), QString());
    row("144 dpi on 1366 x 768", 144, QStringLiteral("1366x768"), QString());
}
