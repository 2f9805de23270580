#include "mainwindow.h"
#include "startup.h"
#include "viewerdemodriver.h"

int main(int argc, char* argv[])
{
    return runDravix(argc, argv, [](MainWindow* window) { ViewerDemoDriver::attachIfRequested(window); });
}
