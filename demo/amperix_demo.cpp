#include "demodriver.h"
#include "dialogreport.h"
#include "mainwindow.h"
#include "startup.h"

int main(int argc, char* argv[])
{
    return runAmperix(argc, argv, [](MainWindow* window) {
        DialogReport::installIfRequested("AMPERIX_DEMO_SAY_DIALOGS");
        DemoDriver::attachIfRequested(window);
    });
}
