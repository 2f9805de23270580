#pragma once

#include <functional>

class MainWindow;

// The viewer's start-up: application object and titled main window until it
// closes (a stop signal closes it too). `onShown` runs once the window is
// shown (the demo program attaches its driver there). Returns the program's
// exit code.
int runDravix(int argc, char* argv[], const std::function<void(MainWindow*)>& onShown = {});
