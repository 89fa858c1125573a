#include <QCoreApplication>

#include <gtest/gtest.h>

// The test drives another process; it needs Qt's core only, for its processes and JSON.
int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
