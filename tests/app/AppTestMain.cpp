#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

// One QApplication for the whole program, on the offscreen platform, with the locale and time zone pinned
// so that texts with numbers and dates are the same on every machine.
int main(int argc, char* argv[]) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
