#include "startup.h"

int main(int argc, char* argv[])
{
    return runDravix(argc, argv);
}
