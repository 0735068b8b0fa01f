// Pictures of the main window for a reviewer: a phone photo drawn on the
// stage, the file dialog of "Adicionar pasta" in Portuguese under an English
// system, and the window after that dialog closed (no completions left over it).
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QTreeView>

#include <iostream>
#include <sys/wait.h>
#include <unistd.h>

#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/ThreadedStageView.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

namespace {

void keep(QWidget& widget, const char* name)
{
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/%1").arg(QString::fromLatin1(name));
    ASSERT_TRUE(widget.grab().save(file));
    std::cout << "screen detail picture: " << file.toStdString() << "\n";
}

// An 8000 × 6000 JPEG, drawn in a child process so that this one's memory
// holds only what the application takes.
bool writePhonePhoto(const std::filesystem::path& file)
{
    const pid_t child = fork();
    if (child == 0) {
        QImage image(8000, 6000, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient sky(0, 0, 0, 6000);
        sky.setColorAt(0, QColor(30, 70, 170));
        sky.setColorAt(0.6, QColor(240, 150, 80));
        sky.setColorAt(1, QColor(60, 40, 50));
        painter.fillRect(image.rect(), sky);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 230, 170));
        painter.drawEllipse(QPointF(4000, 3300), 700, 700);
        painter.end();
        _exit(image.save(QString::fromStdString(file.string()), "JPEG", 85) ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(ScreenDetailsScreenshot, PhonePhotoOnTheStageAndTheFolderDialogInPortuguese)
{
    sharedJackServer();
    TemporaryDefaults defaults;
    FileFolder files;
    CorvaneApplication application(*defaults);
    application.start();
    ASSERT_TRUE(processEventsUntil([&] { return application.mainWindow().rootView() != nullptr; }));
    PracticeSessionStore& controller = *application.practiceStore();
    RootView* view = application.mainWindow().rootView();

    // A 48-megapixel photo as the stage's background.
    const auto photo = files.path() / "IMG_20261209_0712.jpg";
    ASSERT_TRUE(writePhonePhoto(photo));
    VisualPreset preset = controller.visualPreset();
    preset.background.opacity = 1;
    preset.background.blendMode = BackgroundBlendMode::normal;
    controller.setVisualPreset(preset);
    controller.selectBackgroundImage(photo);
    ASSERT_EQ(controller.backgroundImageError(), std::nullopt);
    // Xvfb's OpenGL draws in software: the stage is drawn on a thread of its own.
    auto stage = application.mainWindow().findChild<ThreadedStageView*>();
    ASSERT_NE(stage, nullptr);
    const auto photoWidth = [&] {
        int width = 0;
        stage->inspectRenderer([&](const GLStageRenderer& renderer) {
            if (const auto texture = renderer.loadedBackgroundTexture()) width = texture->width;
        });
        return width;
    };
    ASSERT_TRUE(processEventsUntil([&] { return photoWidth() > 0; }, std::chrono::seconds(60)));
    EXPECT_EQ(photoWidth(), 4096);
    processEventsFor(std::chrono::milliseconds(500));
    keep(application.mainWindow(), "brelmo-phone-photo.png");
    EXPECT_EQ(controller.backgroundImageError(), std::nullopt);

    // "Adicionar pasta": the folder dialog, in detail view over a folder of pieces.
    for (const char* name : {"Bach", "Barroco", "Beethoven", "Chopin"})
        std::filesystem::create_directory(files.path() / name);
    view->requestImport(FileImportRequest::libraryFolder());
    QFileDialog* dialog = view->fileDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->setViewMode(QFileDialog::Detail);
    dialog->setDirectory(QString::fromStdString(files.path().string()));
    ASSERT_TRUE(processEventsUntil([&] {
        auto list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        return list && list->model()->rowCount(list->rootIndex()) >= 4;
    }));
    auto list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    const QModelIndex first = list->model()->index(0, 2, list->rootIndex());
    EXPECT_EQ(first.data().toString(), QStringLiteral("Pasta"));
    EXPECT_EQ(list->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Tipo"));
    auto field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("B"));
    ASSERT_TRUE(processEventsUntil([&] { return field->completer()->popup()->isVisible(); }));
    processEventsFor(std::chrono::milliseconds(300));
    keep(*dialog, "brelmo-folder-dialog.png");

    // Chosen with the completions open: nothing of the dialog stays over the list.
    field->clear();
    QTest::keyClicks(field, QStringLiteral("Bach"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(processEventsUntil([&] { return !dialog->isVisible(); }));
    processEventsFor(std::chrono::milliseconds(400));
    EXPECT_FALSE(field->completer()->popup()->isVisible());
    keep(application.mainWindow(), "brelmo-after-add-folder.png");
}
