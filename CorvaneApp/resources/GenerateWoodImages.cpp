// Draws the wooden trim's images into the application's resource folder:
//   wood1.png, wood2.png, wood3.png  vertical boards for the window's columns:
//                                    the wanted plank (pixels 2-29 of 38,
//                                    14-38 of 53, 14-38 of 39) between slices
//                                    of its neighbours, a dark seam between
//   wood-horizontal-piano.png        the rail along the top of the keyboard
// Dark warm wood, grain along the length, bevelled edges; fixed seeds, so
// every build draws the same pixels.
// Usage: brelmo_generate_wood_images <bundle folder>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int columnHeight = 1524; // sharp at twice the window's 762

// One board across the image: pixels [start, end) across the grain.
struct Board {
    int start;
    int end;
    std::uint32_t seed;
    double tone; // neighbours a little darker than the wanted plank
};

double hash(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = seed ^ (static_cast<std::uint32_t>(x) * 0x27d4eb2du);
    h ^= static_cast<std::uint32_t>(y) * 0x165667b1u;
    h ^= h >> 15;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h / 4294967296.0;
}

// Smooth value noise in 0...1.
double noise(double x, double y, std::uint32_t seed)
{
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const double fx = x - ix, fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = hash(ix, iy, seed) + (hash(ix + 1, iy, seed) - hash(ix, iy, seed)) * sx;
    const double bottom = hash(ix, iy + 1, seed) + (hash(ix + 1, iy + 1, seed) - hash(ix, iy + 1, seed)) * sx;
    return top + (bottom - top) * sy;
}

// Four octaves of `noise`, still in 0...1.
double fractal(double x, double y, std::uint32_t seed)
{
    double sum = 0, amplitude = 0.5, total = 0;
    for (int octave = 0; octave < 4; ++octave) {
        sum += amplitude * noise(x, y, seed + octave * 101u);
        total += amplitude;
        x *= 2;
        y *= 2;
        amplitude *= 0.5;
    }
    return sum / total;
}

int channel(double value) { return std::clamp(static_cast<int>(std::lround(value * 255)), 0, 255); }

// The colour of a board `across` pixels in from its first edge, `along` the
// grain; `width` is the board's width across.
QRgb wood(double across, double along, double width, const Board& board)
{
    // Growth rings cut lengthwise: lines across the board that wander slowly along it.
    const double wander = 2.2 * fractal(along * 0.0025, across * 0.02, board.seed) + 0.25 * std::sin(along * 0.004);
    const double ring = 0.5 + 0.5 * std::cos(2 * pi * (across / 7.0 + wander));
    const double lateWood = std::pow(ring, 5);
    // Fibres: fine streaks, long along the grain; slow patches of colour.
    const double fibre = fractal(across * 0.8, along * 0.018, board.seed + 7);
    const double patch = fractal(across * 0.03, along * 0.0012, board.seed + 13);
    double value = 0.62 + 0.45 * (fibre - 0.5) + 0.35 * (patch - 0.5) - 0.40 * lateWood;
    value = std::clamp(value * board.tone, 0.0, 1.0);

    // Light from the upper left: a lit first edge, a shaded far edge, a slightly rounded face.
    const double u = across / width;
    double light = 1.0 - 0.30 * std::pow(2 * u - 1, 2) + 0.10 * std::exp(-std::pow((u - 0.3) * 5, 2));
    light += 0.40 * std::max(0.0, 1 - across / 3.0);
    light -= 0.55 * std::max(0.0, 1 - (width - across) / 3.5);

    const double r = (0.13 + 0.30 * value) * light;
    const double g = (0.060 + 0.155 * value) * light;
    const double b = (0.028 + 0.070 * value) * light;
    return qRgb(channel(r), channel(g), channel(b));
}

// `pixels` across by `length` along; pixels in no board are the seam between boards.
QImage boards(int pixels, int length, const std::vector<Board>& list, bool vertical)
{
    QImage image(vertical ? pixels : length, vertical ? length : pixels, QImage::Format_RGB32);
    const QRgb seam = qRgb(18, 9, 5);
    for (int a = 0; a < pixels; ++a) {
        const Board* board = nullptr;
        for (const auto& candidate : list)
            if (a >= candidate.start && a < candidate.end) board = &candidate;
        for (int l = 0; l < length; ++l) {
            const QRgb colour = board ? wood(a - board->start + 0.5, l, board->end - board->start, *board) : seam;
            if (vertical) image.setPixel(a, l, colour);
            else image.setPixel(l, a, colour);
        }
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
    const struct {
        const char* name;
        QImage image;
    } images[] = {
        {"wood1", boards(38, columnHeight, {{0, 1, 11, 0.8}, {2, 30, 12, 1.0}, {31, 38, 13, 0.8}}, true)},
        {"wood2", boards(53, columnHeight, {{0, 13, 21, 0.8}, {14, 39, 22, 1.0}, {40, 53, 23, 0.8}}, true)},
        {"wood3", boards(39, columnHeight, {{0, 13, 31, 0.8}, {14, 39, 32, 1.0}}, true)},
        {"wood-horizontal-piano", boards(16, 2048, {{0, 16, 41, 1.0}}, false)},
    };
    for (const auto& [name, image] : images)
        if (!image.save(bundle + "/" + name + ".png", "PNG")) {
            std::fprintf(stderr, "could not write %s.png into %s\n", name, argv[1]);
            return 1;
        }
    return 0;
}
