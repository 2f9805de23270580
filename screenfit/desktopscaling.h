#pragma once

#include <QGuiApplication>

// Windows are drawn at the desktop's scale the way Qt scales them: every form
// keeps the sizes it gives at 96 dpi, in device-independent pixels, and Qt
// draws the whole window larger on a 125 %, 150 % or 200 % desktop (Xft.dpi or
// QT_FONT_DPI 120, 144, 192 on X11, the display scale on Windows; QT_SCALE_FACTOR
// on top of either), fractional factors included, with images and icons at the
// screen's resolution. Call before the application object is made: Qt reads
// these when it meets its screens.
inline void useDesktopScaling()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}
