#include "platform/controls/common_dialog.h"
#include "tests/controls/test_application.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

class CommonDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        for (const char *name : {"lower.avi", "UPPER.AVI", "Mixed.Avi", "notes.txt", "nodot"})
            ASSERT_TRUE(QFile(folder.filePath(name)).open(QIODevice::WriteOnly));
    }

    // Shows a dialog with the window's filter and `filterIndex`, and runs `user` inside its
    // event loop once it lists the folder, with the names it offers to choose.
    bool showOpen(CommonDialog &dialog, int filterIndex, std::function<void(QFileDialog *, std::set<QString>)> user)
    {
        dialog.setFilter("AVI files (*.avi)|*.AVI|Tutti i file (*.*) |*.*");
        dialog.setFilterIndex(filterIndex);
        const QString path = QDir(folder.path()).canonicalPath();
        const auto connection = QObject::connect(&dialog, &CommonDialog::aboutToShow, [&](QFileDialog *shown) {
            auto *model = shown->findChild<QFileSystemModel *>();
            QObject::connect(model, &QFileSystemModel::directoryLoaded, shown, [=](const QString &loaded) {
                if (QDir(loaded).canonicalPath() != path) return;
                QMetaObject::invokeMethod(shown, [=] {
                    std::set<QString> names;
                    const QModelIndex root = model->index(path);
                    for (int row = 0; row < model->rowCount(root); ++row)
                        if (model->flags(model->index(row, 0, root)) & Qt::ItemIsEnabled)
                            names.insert(model->fileName(model->index(row, 0, root)));
                    user(shown, names);
                }, Qt::QueuedConnection);
            });
            shown->setDirectory(path);
            QTimer::singleShot(60000, shown, [shown] {  // only a guard against a hang
                ADD_FAILURE() << "the folder was never listed";
                shown->reject();
            });
        });
        const bool accepted = dialog.showOpen();
        QObject::disconnect(connection);
        return accepted;
    }

    QApplication &app = testApplication();  // first: the window needs it
    QTemporaryDir folder;
    QWidget window;
};

// The filters in their order, the one FilterIndex names selected (the first if none or
// out of range), and "*.AVI" matching whatever the case.
TEST_F(CommonDialogTest, showsTheFiltersAndListsWhatTheSelectedOneMatches)
{
    const std::set<QString> avi{"lower.avi", "UPPER.AVI", "Mixed.Avi"};
    const std::set<QString> all{"lower.avi", "UPPER.AVI", "Mixed.Avi", "notes.txt", "nodot"};
    const struct {
        int filterIndex;
        QString selected;
        std::set<QString> listed;
    } rows[] = {{0, "AVI files (*.avi)", avi}, {1, "AVI files (*.avi)", avi}, {2, "Tutti i file (*.*)", all},
                {3, "AVI files (*.avi)", avi}};
    for (const auto &row : rows) {
        CommonDialog dialog(&window);
        QStringList filters;
        QString selected;
        std::set<QString> listed;
        EXPECT_FALSE(showOpen(dialog, row.filterIndex, [&](QFileDialog *shown, std::set<QString> names) {
            auto *types = shown->findChild<QComboBox *>("fileTypeCombo");
            for (int i = 0; i < types->count(); ++i) filters << types->itemText(i);
            selected = types->currentText();
            listed = names;
            shown->reject();
        }));
        EXPECT_EQ(filters, QStringList({"AVI files (*.avi)", "Tutti i file (*.*)"}));
        EXPECT_EQ(selected, row.selected) << row.filterIndex;
        EXPECT_EQ(listed, row.listed) << row.filterIndex;
    }
}

// A name typed and Enter gives its path; cancelled later, the dialog says so and keeps it.
TEST_F(CommonDialogTest, typedNameIsChosenAndCancelKeepsIt)
{
    CommonDialog dialog(&window);
    EXPECT_TRUE(showOpen(dialog, 1, [](QFileDialog *shown, std::set<QString>) {
        auto *name = shown->findChild<QLineEdit *>("fileNameEdit");
        QTest::keyClicks(name, "lower.avi");
        QTest::keyClick(name, Qt::Key_Return);
    }));
    const QString chosen = QDir(folder.path()).absoluteFilePath("lower.avi");
    EXPECT_EQ(dialog.fileName(), chosen);
    EXPECT_EQ(dialog.filterIndex(), 1);
    EXPECT_FALSE(showOpen(dialog, 1, [](QFileDialog *shown, std::set<QString>) { shown->reject(); }));
    EXPECT_EQ(dialog.fileName(), chosen);
}

}  // namespace
