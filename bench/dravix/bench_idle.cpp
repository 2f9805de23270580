// The viewer's main window and every dialog of it at rest on laptops' and
// large screens' desktops (idlebench.h): the GUI thread's busy share while
// each is shown; the main window first with no box, then with a box's row
// (not connected), whose monitor, status window and set-up follow.
//
// bench_dravix_idle [seconds per window, default 10]

#include "benchviewer.h"
#include "idlebench.h"
#include "setup_dialog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("BENCH_DESKTOP"))
        return runOnEveryDesktop(argc, argv);
    QApplication app(argc, argv);
    const double seconds = app.arguments().value(1, QStringLiteral("10")).toDouble();
    ViewerSettings settings;
    MainWindow window;
    measureIdle({&window}, seconds, ", no box");
    Dcct_thread* box = window.boxThread(window.addBox(true, QStringLiteral("127.0.0.1"), QString()));
    Setup_dialog setup(box, &window);
    QList<QWidget*> windows{&window, setup.passwordDialog()};
    for (QDialog* dialog : window.findChildren<QDialog*>())
        windows << dialog;
    measureIdle(windows, seconds);
    return 0;
}
