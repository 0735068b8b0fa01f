// Draws the stage's two images into a resource folder:
//   Keyboard/teclado88.png  an 88-key keyboard seen from above, 52 white keys
//                           edge to edge, black keys 0.62 of a white key wide
//                           and 0.62 of the height, centred on the boundary
//                           after their lower white neighbour (the stage's key layout)
//   panel-grain.png         a grey noise tile whose red channel varies around 0.5
// Usage: brelmo_generate_stage_images <bundle folder>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int whiteKeyPixels = 40;
constexpr int whiteKeys = 52;
constexpr int keyboardWidth = whiteKeys * whiteKeyPixels;
constexpr int keyboardHeight = 260;

bool isBlack(int note)
{
    const int pitchClass = note % 12;
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

int channel(double value) { return std::clamp(static_cast<int>(std::lround(value * 255)), 0, 255); }

QImage keyboard()
{
    QImage image(keyboardWidth, keyboardHeight, QImage::Format_RGB32);
    for (int y = 0; y < keyboardHeight; ++y) {
        const double v = static_cast<double>(y) / (keyboardHeight - 1);
        // Ivory, a little darker under the key slip and at the rounded front edge.
        const double shade = 0.93 - 0.10 * std::exp(-v * 30) - 0.22 * std::pow(std::max(0.0, v - 0.93) / 0.07, 2);
        for (int x = 0; x < keyboardWidth; ++x) {
            const int inKey = x % whiteKeyPixels;
            const bool gap = inKey == 0 || inKey == whiteKeyPixels - 1;
            const double s = gap ? 0.35 : shade;
            image.setPixel(x, y, qRgb(channel(s), channel(s * 0.985), channel(s * 0.94)));
        }
    }
    const int blackHeight = static_cast<int>(std::lround(keyboardHeight * 0.62));
    const double blackWidth = whiteKeyPixels * 0.62;
    int whiteIndex = -1;
    for (int note = 21; note <= 108; ++note) {
        if (!isBlack(note)) {
            ++whiteIndex;
            continue;
        }
        const double centre = (whiteIndex + 1) * whiteKeyPixels;
        const int left = static_cast<int>(std::lround(centre - blackWidth / 2));
        const int right = static_cast<int>(std::lround(centre + blackWidth / 2));
        for (int y = 0; y < blackHeight; ++y) {
            const double v = static_cast<double>(y) / blackHeight;
            for (int x = left; x < right; ++x) {
                const double u = (x - left + 0.5) / (right - left);
                // A faint sheen along the top face, darker sides and front.
                const double sheen = 0.05 + 0.07 * std::exp(-std::pow((u - 0.5) * 3.2, 2)) * (1 - v);
                const double edge = (u < 0.12 || u > 0.88 || v > 0.92) ? 0.55 : 1.0;
                const double s = sheen * edge;
                image.setPixel(x, y, qRgb(channel(s), channel(s), channel(s * 1.15)));
            }
        }
    }
    return image;
}

QImage panelGrain()
{
    constexpr int width = 480, height = 200;
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t state = 0x2545F491u;
    const auto next = [&] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 4294967296.0;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // The sum of three uniform numbers: a soft bell around 0.5.
            const double value = 0.5 + ((next() + next() + next()) / 3 - 0.5) * 0.45;
            const int grey = channel(value);
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <bundle folder>\n", argv[0]);
        return 2;
    }
    const QString bundle = QString::fromLocal8Bit(argv[1]);
    if (!keyboard().save(bundle + "/Keyboard/teclado88.png", "PNG") || !panelGrain().save(bundle + "/panel-grain.png", "PNG")) {
        std::fprintf(stderr, "could not write the stage images into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
