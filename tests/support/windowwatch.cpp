#include "windowwatch.h"

#include "fontdpi.h"
#include "postedevents.h"

#include <QApplication>
#include <QMap>
#include <QTest>
#include <QWindow>
#include <qpa/qplatformwindow.h>

namespace
{

// Counts the resize and layout requests that reach each window's widgets.
struct RequestCount : QObject {
    QMap<QWidget*, int> counts;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (watched->isWidgetType() && (type == QEvent::Resize || type == QEvent::LayoutRequest) &&
            counts.contains(static_cast<QWidget*>(watched)->window()))
            ++counts[static_cast<QWidget*>(watched)->window()];
        return false;
    }
};

// What the watch wrote on a desktop: run here when this process is on it,
// else in a child running the current row; kept for the other rows.
QString watchedOn(int dpi, const QString& screen, const QString& scale,
                  const std::function<QStringList()>& all)
{
    static QMap<QString, QString> written;
    const QString desktop = QStringLiteral("%1 dpi %2 %3").arg(dpi).arg(screen, scale);
    if (!written.contains(desktop) && !atFontDpi(dpi, screen, scale))
        runRowAtFontDpi(dpi, screen, scale, &written[desktop]);
    if (!written.contains(desktop)) {
        const QStringList found = all() << QStringLiteral("watched");
        written[desktop] = QStringLiteral("restless ") + found.join(QStringLiteral("\nrestless ")) + '\n';
        qInfo("%s", qPrintable(written[desktop])); // for the process that started this one
    }
    return written[desktop];
}

QSize sizeIn(const QString& text, const QString& window)
{
    const QStringList size =
        text.section(QStringLiteral("size %1 ").arg(window), 1).section('\n', 0, 0).split('x');
    return QSize(size.value(0).toInt(), size.value(1).toInt());
}

} // namespace

QStringList restlessWindows(const QList<QWidget*>& windows)
{
    RequestCount count;
    for (QWidget* w : windows) {
        w->show();
        (void)QTest::qWaitForWindowExposed(w);
        count.counts.insert(w, 0);
    }
    deliverPostedEvents();
    qApp->installEventFilter(&count);
    QTest::qWait(2000);
    qApp->removeEventFilter(&count);
    QStringList found;
    for (QWidget* w : windows) {
        const QString name = QLatin1String(w->metaObject()->className());
        if (count.counts.value(w) > 0)
            found << QStringLiteral("%1: %2 resize and layout requests").arg(name).arg(count.counts.value(w));
        const QSize size = w->windowHandle()->handle()->geometry().size();
        found << QStringLiteral("size %1 %2x%3").arg(name).arg(size.width()).arg(size.height());
    }
    return found;
}

QStringList restlessHere(const std::function<QStringList()>& watchAll)
{
    QFETCH(int, dpi);
    QFETCH(QString, screen);
    QFETCH(QString, scale);
    QFETCH(QString, window);
    const QString text = watchedOn(dpi, screen, scale, watchAll);
    if (!text.contains(QLatin1String("restless watched")))
        return {QStringLiteral("the windows were not watched at %1 dpi:\n%2").arg(dpi).arg(text)};
    QStringList found;
    const int at = text.indexOf(QStringLiteral("restless %1:").arg(window));
    if (at >= 0)
        found << text.mid(at + 9).section('\n', 0, 0);
    // On a screen with room, Qt draws the window as its 96-dpi form, larger by
    // the desktop's factor: judged by the process at 96 dpi, which started
    // the one on that desktop.
    if (dpi <= 100 || !screen.isEmpty() || !atFontDpi(96))
        return found;
    const QSize has = sizeIn(text, window);
    const QSize wanted = sizeIn(watchedOn(96, QString(), QString(), watchAll), window) * dpi / 96;
    if (qAbs(has.width() - wanted.width()) > 2 || qAbs(has.height() - wanted.height()) > 2)
        found << QString::asprintf("%s is %d x %d pixels, not %d x %d", qPrintable(window), has.width(),
                                   has.height(), wanted.width(), wanted.height());
    return found;
}
