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
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

const QString kFilter = QStringLiteral("AVI files (*.avi)|*.AVI|Tutti i file (*.*) |*.*");

class CommonDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        for (const char *name : {"lower.avi", "UPPER.AVI", "Mixed.Avi", "notes.txt", "nodot"}) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        dialog.setFilter(kFilter);
        dialog.setFilterIndex(1);
    }

    // Runs `user` inside the dialog's own event loop, as a user would act on it.
    void whenShown(std::function<void(QFileDialog *)> user)
    {
        QObject::connect(&dialog, &CommonDialog::aboutToShow, &dialog, [this, user](QFileDialog *shown) {
            shown->setDirectory(folder.path());
            QMetaObject::invokeMethod(shown, [shown, user] { user(shown); }, Qt::QueuedConnection);
        });
    }

    // The names the dialog lists as choosable once it has read the folder.
    void whenListed(std::function<void(QFileDialog *, std::set<QString>)> user)
    {
        QObject::connect(&dialog, &CommonDialog::aboutToShow, &dialog, [this, user](QFileDialog *shown) {
            auto *model = shown->findChild<QFileSystemModel *>();
            ASSERT_NE(model, nullptr);
            const QString path = QDir(folder.path()).canonicalPath();
            QObject::connect(model, &QFileSystemModel::directoryLoaded, shown, [=](const QString &loaded) {
                if (QDir(loaded).canonicalPath() != path)
                    return;
                QMetaObject::invokeMethod(shown, [=] {
                    std::set<QString> names;
                    const QModelIndex root = model->index(path);
                    for (int row = 0; row < model->rowCount(root); ++row) {
                        const QModelIndex entry = model->index(row, 0, root);
                        if (model->flags(entry) & Qt::ItemIsEnabled)
                            names.insert(model->fileName(entry));
                    }
                    user(shown, names);
                }, Qt::QueuedConnection);
            });
            shown->setDirectory(path);
            // Only a guard against a hang: a dialog that never lists the folder fails.
            QTimer::singleShot(60000, shown, [shown] {
                ADD_FAILURE() << "the folder was never listed";
                shown->reject();
            });
        });
    }

    QApplication &app = testApplication();  // first: the window needs it
    QTemporaryDir folder;
    QWidget window;
    CommonDialog dialog{&window};
};

TEST_F(CommonDialogTest, showsTheFiltersInOrderWithTheFirstSelected)
{
    QStringList shownFilters;
    QString selected;
    whenShown([&](QFileDialog *shown) {
        auto *types = shown->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types && i < types->count(); ++i)
            shownFilters.append(types->itemText(i));
        if (types)
            selected = types->currentText();
        shown->reject();
    });

    EXPECT_FALSE(dialog.showOpen());
    EXPECT_EQ(shownFilters, (QStringList{"AVI files (*.avi)", "Tutti i file (*.*)"}));
    EXPECT_EQ(selected, "AVI files (*.avi)");
}

TEST_F(CommonDialogTest, filterIndexChoosesTheSelectedFilterCountingFromOne)
{
    QString selected;
    dialog.setFilterIndex(2);
    whenShown([&](QFileDialog *shown) {
        selected = shown->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))->currentText();
        shown->reject();
    });

    dialog.showOpen();

    EXPECT_EQ(selected, "Tutti i file (*.*)");
}

TEST_F(CommonDialogTest, aviPatternMatchesWhateverTheCase)
{
    std::set<QString> listed;
    whenListed([&](QFileDialog *shown, std::set<QString> names) {
        listed = std::move(names);
        shown->reject();
    });

    dialog.showOpen();

    EXPECT_EQ(listed, (std::set<QString>{"lower.avi", "UPPER.AVI", "Mixed.Avi"}));
}

TEST_F(CommonDialogTest, allFilesMeansEveryFileDottedOrNot)
{
    std::set<QString> listed;
    dialog.setFilterIndex(2);
    whenListed([&](QFileDialog *shown, std::set<QString> names) {
        listed = std::move(names);
        shown->reject();
    });

    dialog.showOpen();

    EXPECT_EQ(listed, (std::set<QString>{"lower.avi", "UPPER.AVI", "Mixed.Avi", "notes.txt", "nodot"}));
}

TEST_F(CommonDialogTest, typedNameAndEnterReturnsTheChosenPath)
{
    whenShown([](QFileDialog *shown) {
        auto *name = shown->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        QTest::keyClicks(name, QStringLiteral("lower.avi"));
        QTest::keyClick(name, Qt::Key_Return);
    });

    EXPECT_TRUE(dialog.showOpen());
    EXPECT_EQ(dialog.fileName(), QDir(folder.path()).absoluteFilePath("lower.avi"));
    EXPECT_EQ(dialog.filterIndex(), 1);
}

TEST_F(CommonDialogTest, cancelReturnsFalseAndKeepsTheEarlierName)
{
    const QString chosen = QDir(folder.path()).absoluteFilePath("UPPER.AVI");
    whenShown([&](QFileDialog *shown) {
        if (dialog.fileName().isEmpty()) {
            shown->selectFile(chosen);
            static_cast<QDialog *>(shown)->accept();  // the file dialog hides its own accept()
        } else {
            shown->reject();
        }
    });
    ASSERT_TRUE(dialog.showOpen());
    ASSERT_EQ(dialog.fileName(), chosen);

    EXPECT_FALSE(dialog.showOpen());
    EXPECT_EQ(dialog.fileName(), chosen);
}

}  // namespace
