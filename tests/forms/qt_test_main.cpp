// main() for test binaries that need widgets: the QApplication lives on main's stack,
// so it goes before the toolkit's own globals do. Linked before GoogleTest's main,
// which the linker then leaves out.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
