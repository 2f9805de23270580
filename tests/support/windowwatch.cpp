#include "windowwatch.h"

#include "fontdpi.h"
#include "postedevents.h"

#include <QApplication>
#include <QMap>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformwindow.h>

namespace
{

struct Requests {
    int resizes = 0;
    int layouts = 0;
    QString last;
};

class RequestCount : public QObject
{
public:
    explicit RequestCount(const QList<QWidget*>& windows)
    {
        for (QWidget* w : windows)
            counts.insert(w, Requests());
        qApp->installEventFilter(this);
    }
    ~RequestCount() override { qApp->removeEventFilter(this); }

    QMap<QWidget*, Requests> counts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool resize = event->type() == QEvent::Resize;
        if ((resize || event->type() == QEvent::LayoutRequest) && watched->isWidgetType()) {
            auto found = counts.find(static_cast<QWidget*>(watched)->window());
            if (found != counts.end()) {
                ++(resize ? found->resizes : found->layouts);
                found->last = watched->objectName().isEmpty()
                                  ? QString::fromLatin1(watched->metaObject()->className())
                                  : watched->objectName();
            }
        }
        return false;
    }
};

} // namespace

QStringList restlessWindows(const QList<QWidget*>& windows)
{
    for (QWidget* w : windows) {
        w->show();
        (void)QTest::qWaitForWindowExposed(w);
    }
    deliverPostedEvents();
    const RequestCount count(windows);
    QTest::qWait(2000);
    QStringList found;
    for (auto it = count.counts.cbegin(); it != count.counts.cend(); ++it)
        if (it->resizes + it->layouts > 0)
            found << QStringLiteral("%1: %2 resize and %3 layout requests (%4)")
                         .arg(QString::fromLatin1(it.key()->metaObject()->className()))
                         .arg(it->resizes)
                         .arg(it->layouts)
                         .arg(it->last);
    for (QWidget* w : windows)
        w->hide();
    return found;
}

QString restlessOn(const QString& windowClass, int dpi, const QString& screen, const QString& scale,
                   const std::function<QStringList()>& watchAll)
{
    static QMap<QString, QString> findings; // by desktop: what the watch wrote
    const QString desktop = QStringLiteral("%1 dpi, %2, %3").arg(dpi).arg(screen, scale);
    if (!findings.contains(desktop)) {
        QString written;
        if (atFontDpi(dpi, screen, scale)) {
            const QStringList found = watchAll();
            // For the process that started this one.
            for (const QString& line : found)
                qInfo("restless %s", qPrintable(line));
            qInfo("watched");
            written = QStringLiteral("restless ") + found.join(QStringLiteral("\nrestless ")) +
                      QStringLiteral("\nwatched");
        } else {
            runRowAtFontDpi(dpi, screen, scale, &written);
        }
        findings.insert(desktop, written);
    }
    const QString& written = findings.value(desktop);
    if (!written.contains(QLatin1String("watched")))
        return QStringLiteral("the windows were not watched at %1:\n%2").arg(desktop, written);
    for (const QString& line : written.split(QLatin1Char('\n')))
        if (line.contains(QStringLiteral("restless %1:").arg(windowClass)))
            return line.mid(line.indexOf(QLatin1String("restless ")) + 9);
    return QString();
}

QSize devicePixelSize(QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return handle && handle->handle() ? handle->handle()->geometry().size() : QSize();
}
