// The background photo: a phone photo reaches the stage at the size the stage
// uses, a picture that cannot be decoded within bounds is refused, and the
// memory both take stays bounded.
#include <gtest/gtest.h>

#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <QFile>

#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/GLStageView.hpp"
#include "CorvaneRendering/StagePhotoDecoder.hpp"
#include "support/QtEventLoop.hpp"
#include "StagePixelSupport.hpp"

using namespace corvane;

namespace {

// The process's peak resident memory in bytes, and its reset to the present.
long long peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    return -1;
}

void resetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Writes the picture in a child process, so that drawing it leaves this
// process's memory as it was.
bool writeInChild(const std::function<bool()>& write)
{
    const pid_t child = fork();
    if (child == 0) _exit(write() ? 0 : 1);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A 48-megapixel landscape as a phone takes it: a JPEG of 8000 × 6000.
bool writePhonePhoto(const QString& path)
{
    return writeInChild([&] {
        QImage image(8000, 6000, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient sky(0, 0, 0, 6000);
        sky.setColorAt(0, QColor(20, 60, 170));
        sky.setColorAt(1, QColor(250, 190, 90));
        painter.fillRect(image.rect(), sky);
        painter.setBrush(QColor(240, 30, 30));
        painter.drawEllipse(QPointF(4000, 3000), 1500, 1500);
        painter.end();
        return image.save(path, "JPEG", 85);
    });
}

// 16384 × 16384: 1 GiB once decoded. One bit a pixel keeps the file and its writing small.
bool writeHugePNG(const QString& path)
{
    return writeInChild([&] {
        QImage image(16384, 16384, QImage::Format_Mono);
        image.fill(0);
        return image.save(path, "PNG");
    });
}

} // namespace

TEST(StagePhoto, ScaledSizeKeepsProportionsAndNeverEnlarges)
{
    EXPECT_EQ(StagePhotoDecoder::scaledSize(QSize(8000, 6000), 4096), QSize(4096, 3072));
    EXPECT_EQ(StagePhotoDecoder::scaledSize(QSize(3000, 9000), 4096), QSize(1365, 4096));
    EXPECT_EQ(StagePhotoDecoder::scaledSize(QSize(1600, 900), 4096), QSize(1600, 900));
    EXPECT_EQ(StagePhotoDecoder::scaledSize(QSize(40000, 10), 4096), QSize(4096, 1));
}

TEST(StagePhoto, PhonePhotoBecomesTheStageTextureAtItsScaledSize)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("IMG_2041.jpg");
    ASSERT_TRUE(writePhonePhoto(path));

    GLStageView view;
    view.resize(960, 540);
    view.show();
    ASSERT_TRUE(processEventsUntil([&] { return view.framesDrawn() >= 2; }));
    ASSERT_TRUE(view.hasRenderer());
    const int longSide = view.renderer()->backgroundPhotoLongSide();
    EXPECT_LE(longSide, StagePhotoDecoder::defaultLongSide);

    StageInputs inputs;
    inputs.preset = quietPreset();
    inputs.preset.background.opacity = 1;
    inputs.preset.background.blendMode = BackgroundBlendMode::normal;
    inputs.preset.background.contentMode = BackgroundImageContentMode::fill;
    inputs.backgroundImagePath = path.toStdString();
    int failures = 0;
    QObject::connect(&view, &GLStageView::backgroundPhotoFailed, [&] { ++failures; });
    resetPeakResident();
    const long long before = peakResidentBytes();
    view.update(inputs);
    ASSERT_TRUE(processEventsUntil([&] { return view.renderer()->loadedBackgroundTexture().has_value(); },
                                   std::chrono::seconds(30)));
    const long long grown = peakResidentBytes() - before;
    const auto texture = *view.renderer()->loadedBackgroundTexture();
    EXPECT_EQ(QSize(texture.width, texture.height), StagePhotoDecoder::scaledSize(QSize(8000, 6000), longSide));
    EXPECT_LT(grown, 200ll << 20);
    std::cout << "peak memory grown by the decode and upload: " << grown / (1 << 20) << " MiB\n";
    EXPECT_EQ(failures, 0);

    // The red sun in the middle of the stage, the sky above it.
    const auto frames = view.framesDrawn();
    ASSERT_TRUE(processEventsUntil([&] { return view.framesDrawn() >= frames + 2; }));
    const QImage frame = view.grabFramebuffer();
    const QRgb middle = frame.pixel(frame.width() / 2, frame.height() / 3);
    EXPECT_GT(qRed(middle), 150);
    EXPECT_LT(qGreen(middle), 90);
#ifdef BRELMO_SCREENSHOT_FOLDER
    const QString shot = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/stage-phone-photo.png");
    EXPECT_TRUE(frame.save(shot));
    std::cout << "stage picture: " << shot.toStdString() << "\n";
#endif
}

TEST(StagePhoto, HugePNGIsRefusedWithMemoryBoundedAndTheViewSaysSo)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("panorama.png");
    ASSERT_TRUE(writeHugePNG(path));

    // Refused from the header alone, before anything is decoded.
    QImageReader reader(path);
    EXPECT_EQ(reader.size(), QSize(16384, 16384));
    EXPECT_FALSE(StagePhotoDecoder::fitsBudget(reader, StagePhotoDecoder::defaultLongSide));
    resetPeakResident();
    const long long before = peakResidentBytes();
    EXPECT_FALSE(StagePhotoDecoder::decode(path, StagePhotoDecoder::defaultLongSide));
    EXPECT_LT(peakResidentBytes() - before, 50ll << 20);

    // Damaged past its header: a PNG cut after its first bytes decodes to nothing.
    const QString damaged = folder.filePath("damaged.png");
    {
        QImage small(64, 64, QImage::Format_RGB32);
        small.fill(Qt::blue);
        ASSERT_TRUE(small.save(damaged, "PNG"));
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.resize(60);
    }

    GLStageView view;
    view.resize(320, 200);
    view.show();
    ASSERT_TRUE(processEventsUntil([&] { return view.hasRenderer(); }));
    QStringList failed;
    QObject::connect(&view, &GLStageView::backgroundPhotoFailed, [&](const QString& p) { failed << p; });
    StageInputs inputs;
    for (const QString& photo : {path, damaged}) {
        inputs.backgroundImagePath = photo.toStdString();
        view.update(inputs);
        ASSERT_TRUE(processEventsUntil([&] { return failed.contains(photo); }));
        EXPECT_FALSE(view.renderer()->loadedBackgroundTexture());
    }
    // Pushed again unchanged, a refused photo is not tried again.
    view.update(inputs);
    processEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(failed, QStringList({path, damaged}));
}
