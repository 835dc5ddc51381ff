#include "monitor/Quorvane.h"

#include "ping/Privileges.h"

int main(int argc, char* argv[])
{
    if (!Privileges::dropAtStart("quorvane"))
        return 1;
    return Quorvane::run(argc, argv);
}
