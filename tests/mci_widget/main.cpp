#include <QApplication>
#include <gtest/gtest.h>

// The widgets need a QApplication for the whole run; gtest_main has none.
int main(int argc, char **argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
