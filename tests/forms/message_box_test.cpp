#include "platform/forms/qt_forms_runtime.h"
#include "platform/forms/unhandled_error.h"
#include "tests/doubles/recording_runtime.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct ShownBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    Qt::TextFormat format = Qt::AutoText;
    QList<QAbstractButton *>::size_type buttons = 0;
    QMessageBox::StandardButton button = QMessageBox::NoButton;
};

// Shows a box through `show` and reads it back once the event loop has it on screen.
template <typename Show>
ShownBox showAndRead(Show show)
{
    ShownBox seen;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->icon(), box->windowTitle(), box->text(), box->textFormat(),
                box->buttons().size(), box->standardButton(box->buttons().value(0))};
        box->buttons().value(0)->click();
    });
    show();
    return seen;
}

TEST(QtFormsRuntimeMsgBox, StyleGivesTheIconAndOneOkButton)
{
    struct Case {
        int style;
        QMessageBox::Icon icon;
    };
    for (const Case &c : {Case{16, QMessageBox::Critical}, Case{48, QMessageBox::Warning},
                          Case{64, QMessageBox::Information}}) {
        SCOPED_TRACE(c.style);
        QtFormsRuntime runtime("Vidlark 1.0", "/opt");
        const ShownBox box = showAndRead([&] { runtime.msgBox("Winhelp not found", c.style, "Error"); });
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(box.title.toStdString(), "Error");
        EXPECT_EQ(box.text.toStdString(), "Winhelp not found");
        EXPECT_EQ(box.buttons, 1);
        EXPECT_EQ(box.button, QMessageBox::Ok);
    }
}

TEST(QtFormsRuntimeMsgBox, CarriageReturnsBreakLinesAndMarkupStaysText)
{
    QtFormsRuntime runtime("Vidlark 1.0", "/opt");
    const ShownBox box = showAndRead([&] { runtime.msgBox("Vidlark 1.0\r\r<b>credits</b>\r\nend", 64, "About"); });
    EXPECT_EQ(box.text.toStdString(), "Vidlark 1.0\n\n<b>credits</b>\nend");
    EXPECT_EQ(box.format, Qt::PlainText);
}

TEST(UnhandledError, IsReportedInACriticalBoxAndTheProgramGoesOn)
{
    QtFormsRuntime runtime("Vidlark 1.0", "/opt");
    bool wentOn = false;
    const ShownBox box = showAndRead([&] {
        runHandler(runtime, [] { throw RuntimeError(30275, "File not found"); });
        wentOn = true;
    });
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.title.toStdString(), "Vidlark 1.0");
    EXPECT_EQ(box.text.toStdString(), "Run-time error '30275':\n\nFile not found");
    EXPECT_TRUE(wentOn);
}

TEST(UnhandledError, ReportsEveryErrorOnceInOrderAndRunsCleanHandlersSilently)
{
    CallLog log;
    RecordingRuntime runtime(log);
    EXPECT_FALSE(runHandler(runtime, [] { throw RuntimeError(-5, "Odd"); }));
    EXPECT_TRUE(runHandler(runtime, [] {}));
    EXPECT_FALSE(runHandler(runtime, [] { throw std::logic_error("broken"); }));

    EXPECT_EQ(log.entries, (std::vector<std::string>{
                               "App.Title -> Vidlark 1.0",
                               "MsgBox(Run-time error '-5':\r\rOdd, 16, Vidlark 1.0)",
                               "App.Title -> Vidlark 1.0",
                               "MsgBox(Run-time error '51':\r\rInternal error: broken, 16, Vidlark 1.0)",
                           }));
}

}  // namespace
