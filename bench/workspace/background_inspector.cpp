// The "Fundo" category with a large photo chosen, on the offscreen platform
// (no audio device: the controller runs without an engine). It measures
//   - the controller's photo check on selection (header read) beside what a
//     whole decode of the same file costs, which the check used to be;
//   - the first preview decode, scaled to the frame;
//   - each "Grão" step (the look written, every row shown again, the
//     events and paints that follow), and counts the preview decodes over
//     the steps, which must stay at zero.
//
//   bench_background_inspector [width] [height] [steps]   (defaults: 4000 3000 400)

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/inspector/VisualBackgroundInspectorView.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "session/SessionBench.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;
using namespace sessionbench;

namespace {

// Noise and a gradient, so the file is as hard to compress as a photo.
std::filesystem::path writePhoto(const TestFolder& folder, int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 27);
            line[x] = qRgb((x * 255 / width + noise) & 255, (y * 255 / height + noise) & 255, (128 + noise) & 255);
        }
    }
    const auto file = folder.path() / (std::string("foto.") + format);
    if (!image.save(QString::fromStdString(file.string()), format, 90)) std::exit(1);
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    const int width = argc > 1 ? std::atoi(argv[1]) : 4000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 3000;
    const int steps = argc > 3 ? std::atoi(argv[3]) : 400;
    if (width < 1 || height < 1 || steps < 2) return 2;
    printLoad();

    ControllerHarness harness(false);
    PracticeSessionStore& c = harness.controller();
    TestFolder folder("brelmo-bench-background");

    for (const char* format : {"jpg", "png"}) {
        const auto file = writePhoto(folder, width, height, format);
        std::printf("%d x %d %s, %lld bytes\n", width, height, format,
                    static_cast<long long>(std::filesystem::file_size(file)));

        // The old check: the whole picture decoded (refused beyond 128 MiB).
        QFile raw(QString::fromStdString(file.string()));
        raw.open(QIODevice::ReadOnly);
        const QByteArray bytes = raw.readAll();
        auto start = Clock::now();
        QImage whole;
        const bool decoded = whole.loadFromData(bytes);
        std::printf("  whole decode (the former check)          %9.3f ms (%s)\n", microsecondsSince(start) / 1000,
                    decoded ? "decoded" : "refused");

        c.removeBackgroundImage();
        start = Clock::now();
        c.selectBackgroundImage(file);
        std::printf("  selectBackgroundImage (header check)     %9.3f ms\n", microsecondsSince(start) / 1000);
        if (c.backgroundImageError()) {
            std::fprintf(stderr, "refused: %s\n", c.backgroundImageError()->c_str());
            return 1;
        }

        // The first preview: made when the view shows, at the frame's size.
        const int decodesBefore = VisualBackgroundInspectorView::previewDecodeCount();
        VisualBackgroundInspectorView view(c);
        view.resize(230, 700);
        start = Clock::now();
        view.show();
        QCoreApplication::processEvents();
        std::printf("  view shown, preview decoded              %9.3f ms (%d decode)\n",
                    microsecondsSince(start) / 1000, VisualBackgroundInspectorView::previewDecodeCount() - decodesBefore);
        if (!view.showsPreview()) {
            std::fprintf(stderr, "no preview\n");
            return 1;
        }

        // A wider frame: decoded once more, now with the widgets already polished.
        start = Clock::now();
        view.resize(250, 700);
        QCoreApplication::processEvents();
        std::printf("  frame widened, preview decoded again     %9.3f ms (%d decodes in all)\n",
                    microsecondsSince(start) / 1000, VisualBackgroundInspectorView::previewDecodeCount() - decodesBefore);

        // "Grão" steps, up and down, each with the events and paints it brings.
        StudioTrackSlider* grain = view.grainRow()->slider();
        const int decodesAtSteps = VisualBackgroundInspectorView::previewDecodeCount();
        std::vector<double> times;
        times.reserve(std::size_t(steps));
        for (int i = 0; i < steps; ++i) {
            start = Clock::now();
            if ((i / 50) % 2 == 0) grain->accessibleIncrement();
            else grain->accessibleDecrement();
            view.repaint();
            QCoreApplication::processEvents();
            times.push_back(microsecondsSince(start));
        }
        print("\"Grão\" step (write, show, paint)", times, "us");
        std::printf("  preview decodes during the steps         %d\n",
                    VisualBackgroundInspectorView::previewDecodeCount() - decodesAtSteps);
    }
    return 0;
}
