// Amperix's main window and every dialog of it at rest, not connected, on
// laptops' and large screens' desktops (idlebench.h): the GUI thread's busy
// share while each is shown.
//
// bench_amperix_idle [seconds per window, default 10]

#include "configurationdialog.h"
#include "idlebench.h"
#include "mainwindow.h"
#include "setupdialog.h"
#include "tempsettings.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("BENCH_DESKTOP"))
        return runOnEveryDesktop(argc, argv);
    QApplication app(argc, argv);
    const double seconds = app.arguments().value(1, QStringLiteral("10")).toDouble();
    TempSettings settings;
    // No update check (and its box) when the window paints.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
              QStringLiteral("Amperix"))
        .setValue(QStringLiteral("automaticUpdatesEnabled"), false);
    MainWindow window;
    SetupDialog refreshSettings(&window); // no window opens it, the program has it
    QMetaObject::invokeMethod(window.findChild<ConfigurationDialog*>(), "on_pushButtonPIDCC_clicked");
    QList<QWidget*> windows{&window};
    for (QDialog* dialog : window.findChildren<QDialog*>()) {
        dialog->hide();
        if (qstrcmp(dialog->metaObject()->className(), "PopupCompleter") != 0) // the console's popup
            windows << dialog;
    }
    measureIdle(windows, seconds);
    return 0;
}
