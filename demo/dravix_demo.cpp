#include "dialogreport.h"
#include "mainwindow.h"
#include "startup.h"
#include "viewerdemodriver.h"

int main(int argc, char* argv[])
{
    return runDravix(argc, argv, [](MainWindow* window) {
        DialogReport::installIfRequested("DRAVIX_DEMO_SAY_DIALOGS");
        ViewerDemoDriver::attachIfRequested(window);
    });
}
