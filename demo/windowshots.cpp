#include "windowshots.h"

#include <QEventLoop>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace WindowShots
{

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

namespace
{
void write(const QPixmap& picture, const QString& path)
{
    if (picture.save(path, "PNG"))
        std::fprintf(stderr, "screenshot written to %s\n", qPrintable(path));
    else
        std::fprintf(stderr, "cannot write screenshot %s\n", qPrintable(path));
}
} // namespace

void save(QWidget* window, const QString& path)
{
    write(window->grab(), path);
}

void saveScreen(QWidget* window, const QString& path)
{
    if (QScreen* screen = window->screen())
        write(screen->grabWindow(0), path);
}

void picture(QWidget* window, const QString& prefix, const QString& name, int settleMs)
{
    window->show();
    window->raise();
    window->activateWindow();
    settle(settleMs);
    save(window, prefix + QLatin1Char('-') + name + QStringLiteral(".png"));
    saveScreen(window, prefix + QLatin1Char('-') + name + QStringLiteral("-screen.png"));
}

void picturePages(QWidget* window, QTabWidget* tabs, const QString& prefix, const QString& name)
{
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        picture(window, prefix, name + QLatin1Char('-') + QString::number(page), 300);
    }
}

} // namespace WindowShots
