#include "startup.h"

int main(int argc, char* argv[])
{
    return runAmperix(argc, argv);
}
