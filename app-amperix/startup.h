#pragma once

#include <functional>

class MainWindow;

// Amperix's start-up: application object, loggers, system information,
// command line, then the main window until it closes (a stop signal closes it
// too). `onShown` runs once the window is shown (the demo program attaches its
// driver there). Returns the program's exit code.
int runAmperix(int argc, char* argv[], const std::function<void(MainWindow*)>& onShown = {});
