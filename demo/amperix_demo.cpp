#include "demodriver.h"
#include "mainwindow.h"
#include "startup.h"

int main(int argc, char* argv[])
{
    return runAmperix(argc, argv, [](MainWindow* window) { DemoDriver::attachIfRequested(window); });
}
