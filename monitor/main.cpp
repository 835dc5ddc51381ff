#include "monitor/Quorvane.h"

int main(int argc, char* argv[])
{
    return Quorvane::run(argc, argv);
}
