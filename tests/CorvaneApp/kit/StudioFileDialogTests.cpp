// Qt's file dialog as the kit makes it: its list writes a folder's type, file
// types and dates in pt_BR under an English system locale, while the
// application's default locale stays the system's; its completions close with it.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCompleter>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTreeView>
#include <QtTest/QTest>

#include <fstream>

#include "CorvaneApp/kit/StudioFileDialog.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;

namespace {

// The row of `name` in the dialog's detail list, once the list has read the folder.
QModelIndex rowOf(QFileDialog& dialog, const QString& name)
{
    QModelIndex found;
    processEventsUntil([&] {
        for (auto view : dialog.findChildren<QTreeView*>()) {
            auto model = view->model();
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < model->rowCount(root); ++row)
                if (model->index(row, 0, root).data().toString() == name) found = model->index(row, 0, root);
        }
        return found.isValid();
    });
    return found;
}

QString column(const QModelIndex& row, int column) { return row.sibling(row.row(), column).data().toString(); }

} // namespace

TEST(StudioFileDialog, ListSpeaksPortugueseUnderAnEnglishSystem)
{
    ASSERT_NE(QLocale::system().language(), QLocale::Portuguese);
    TestFolder folder("brelmo-file-dialog");
    std::filesystem::create_directory(folder.path() / "Peças");
    std::ofstream(folder.path() / "estudo.mid") << "MThd";

    std::unique_ptr<QFileDialog> dialog(makeStudioFileDialog(nullptr));
    dialog->setViewMode(QFileDialog::Detail);
    dialog->setDirectory(QString::fromStdString(folder.path().string()));
    dialog->show();
    const QModelIndex pieces = rowOf(*dialog, QStringLiteral("Peças"));
    ASSERT_TRUE(pieces.isValid());
    EXPECT_EQ(column(pieces, 2), QStringLiteral("Pasta"));
    const QDateTime modified = QFileInfo(QString::fromStdString((folder.path() / "Peças").string())).lastModified();
    EXPECT_EQ(column(pieces, 3), studioLocale().toString(modified, QLocale::ShortFormat));
    EXPECT_NE(column(pieces, 3), QLocale::system().toString(modified, QLocale::ShortFormat));

    const QModelIndex song = rowOf(*dialog, QStringLiteral("estudo.mid"));
    ASSERT_TRUE(song.isValid());
    EXPECT_EQ(column(song, 2), QStringLiteral("Áudio MIDI"));
    EXPECT_EQ(column(song, 1), studioLocale().formattedDataSize(4));

    // The application's own default is left to the system.
    EXPECT_EQ(dialog->locale(), studioLocale());
    EXPECT_EQ(QLocale(), QLocale::system());
}

TEST(StudioFileDialog, PathCompletionsCloseWithTheDialog)
{
    TestFolder folder("brelmo-file-dialog");
    for (const char* name : {"Bach", "Bartók", "Beethoven"}) std::filesystem::create_directory(folder.path() / name);
    std::unique_ptr<QFileDialog> dialog(makeStudioFileDialog(nullptr));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setDirectory(QString::fromStdString(folder.path().string()));
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    ASSERT_TRUE(rowOf(*dialog, QStringLiteral("Bach")).isValid());
    auto field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("B"));
    auto completer = field->completer();
    ASSERT_NE(completer, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return completer->popup()->isVisible(); }));

    // Chosen with the completions still open.
    QTest::keyClicks(field, QStringLiteral("ach"));
    static_cast<QDialog*>(dialog.get())->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(completer->popup()->isVisible());
}
