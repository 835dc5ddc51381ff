#include "QtTestMain.h"

#include <gtest/gtest.h>

int CatchingApplication::caught = 0;

bool CatchingApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (const std::exception&) {
        ++caught;
        return false;
    }
}

int main(int argc, char* argv[])
{
    CatchingApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
