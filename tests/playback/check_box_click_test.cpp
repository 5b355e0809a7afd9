#include "tests/controls/test_application.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

// The window wires a box's handler to QCheckBox::clicked. These show what that means
// for the program's own writes: "LoopRev" clearing "Reverse" runs no "Reverse" handling.
namespace {

class CheckBoxClick : public testing::Test {
protected:
    void SetUp() override { box.resize(box.sizeHint()); }

    QApplication &app = testApplication();  // first: the box needs it
    QCheckBox box{QStringLiteral("Reverse")};
};

TEST_F(CheckBoxClick, programWritesRaiseNoClick)
{
    box.setChecked(true);
    QSignalSpy clicked(&box, &QCheckBox::clicked);
    QSignalSpy toggled(&box, &QCheckBox::toggled);

    box.setChecked(false);
    box.setCheckState(Qt::Checked);
    box.setCheckState(Qt::Unchecked);

    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(toggled.count(), 3);  // why the window must not wire toggled instead
}

TEST_F(CheckBoxClick, userClickRaisesClickAfterTheValueChanged)
{
    std::vector<bool> seen;
    QObject::connect(&box, &QCheckBox::clicked, &box, [&] { seen.push_back(box.isChecked()); });

    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());

    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(CheckBoxClick, disabledBoxTakesNoClick)
{
    QSignalSpy clicked(&box, &QCheckBox::clicked);
    box.setEnabled(false);

    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());

    EXPECT_EQ(clicked.count(), 0);
    EXPECT_FALSE(box.isChecked());
}

}  // namespace
