#include <QApplication>

#include <gtest/gtest.h>

#include <clocale>

// The GUI tests need a QApplication; listing them (CTest's discovery) needs
// no display, so none is opened for that.
int main(int argc, char* argv[])
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // as the program does
    return RUN_ALL_TESTS();
}
