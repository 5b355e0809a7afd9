#include "platform/controls/common_dialog.h"
#include <QApplication>

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

struct CommonDialogTest : testing::Test {
    void SetUp() override {
        for (const char *name : {"lower.avi", "UPPER.AVI", "Mixed.Avi", "notes.txt", "nodot"})
            ASSERT_TRUE(QFile(folder.filePath(name)).open(QIODevice::WriteOnly));
    }

    // Shows the window's dialog on the folder and, once the folder is listed, acts as
    // `user` inside the dialog's event loop, given the names it offers to choose.
    bool showOpen(int filterIndex, const std::function<void(QFileDialog *, std::set<QString>)> &user) {
        dialog.setFilter("AVI files (*.avi)|*.AVI|Tutti i file (*.*) |*.*");
        dialog.setFilterIndex(filterIndex);
        const QString path = QDir(folder.path()).canonicalPath();
        const auto listed = [=, &user](QFileDialog *open, QFileSystemModel *model) {
            std::set<QString> names;
            const QModelIndex root = model->index(path);
            for (int row = 0; row < model->rowCount(root); ++row)
                if (model->flags(model->index(row, 0, root)) & Qt::ItemIsEnabled)
                    names.insert(model->fileName(model->index(row, 0, root)));
            user(open, names);
        };
        QObject::connect(&dialog, &CommonDialog::aboutToShow, &dialog, [=](QFileDialog *open) {
            auto *model = open->findChild<QFileSystemModel *>();
            QObject::connect(model, &QFileSystemModel::directoryLoaded, open, [=](const QString &loaded) {
                if (QDir(loaded).canonicalPath() == path)
                    QMetaObject::invokeMethod(open, [=] { listed(open, model); }, Qt::QueuedConnection);
            });
            open->setDirectory(path);
        }, Qt::SingleShotConnection);
        return dialog.showOpen();
    }

    QTemporaryDir folder;
    QWidget window;
    CommonDialog dialog{&window};
};

// The filters in order, the one FilterIndex names selected (the first if it names none),
// and "*.AVI" finding AVI files whatever the case of their names.
TEST_F(CommonDialogTest, showsTheFiltersAndListsWhatTheSelectedOneMatches) {
    const std::set<QString> avi{"lower.avi", "UPPER.AVI", "Mixed.Avi"}, all{"lower.avi", "UPPER.AVI", "Mixed.Avi", "notes.txt", "nodot"};
    const std::tuple<int, QString, std::set<QString>> rows[] = {
        {0, "AVI files (*.avi)", avi}, {1, "AVI files (*.avi)", avi}, {2, "Tutti i file (*.*)", all},
        {3, "AVI files (*.avi)", avi}};
    for (const auto &[filterIndex, selected, listed] : rows) {
        EXPECT_FALSE(showOpen(filterIndex, [&](QFileDialog *open, std::set<QString> names) {
            auto *types = open->findChild<QComboBox *>("fileTypeCombo");
            EXPECT_EQ(std::make_tuple(types->count(), types->itemText(0), types->itemText(1), types->currentText(), names),
                      std::make_tuple(2, QString("AVI files (*.avi)"), QString("Tutti i file (*.*)"), selected, listed))
                << filterIndex;
            open->reject();
        }));
    }
}

}  // namespace
