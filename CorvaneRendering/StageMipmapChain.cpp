#include "CorvaneRendering/StageMipmapChain.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace corvane {

namespace {

struct SRGBTables {
    std::array<float, 256> toLinear{};
    std::array<std::uint8_t, 4096> toEncoded{}; // by linear value in 1/4095 steps

    SRGBTables()
    {
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            toLinear[static_cast<std::size_t>(i)] =
                static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        for (int i = 0; i < 4096; ++i) {
            const double l = i / 4095.0;
            const double c = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
            toEncoded[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
        }
    }
};

const SRGBTables& tables()
{
    static const SRGBTables instance;
    return instance;
}

// One level down: a source row or column of odd length folds its last pixel into the last block.
QImage halved(const QImage& source, bool srgb)
{
    const int width = std::max(1, source.width() / 2);
    const int height = std::max(1, source.height() / 2);
    QImage result(width, height, QImage::Format_RGBA8888);
    const auto& t = tables();
    for (int y = 0; y < height; ++y) {
        const int y0 = std::min(2 * y, source.height() - 1);
        const int y1 = std::min(y0 + 1, source.height() - 1);
        const auto* row0 = source.constScanLine(y0);
        const auto* row1 = source.constScanLine(y1);
        auto* out = result.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int x0 = std::min(2 * x, source.width() - 1);
            const int x1 = std::min(x0 + 1, source.width() - 1);
            const std::uint8_t* block[4] = {row0 + 4 * x0, row0 + 4 * x1, row1 + 4 * x0, row1 + 4 * x1};
            for (int c = 0; c < 4; ++c) {
                if (srgb && c < 3) {
                    float sum = 0;
                    for (const auto* p : block) sum += t.toLinear[p[c]];
                    out[4 * x + c] = t.toEncoded[static_cast<std::size_t>(std::lround(sum / 4 * 4095))];
                } else {
                    const int sum = block[0][c] + block[1][c] + block[2][c] + block[3][c];
                    out[4 * x + c] = static_cast<std::uint8_t>((sum + 2) / 4);
                }
            }
        }
    }
    return result;
}

} // namespace

std::vector<QImage> stageMipmapChain(const QImage& image, bool srgb)
{
    std::vector<QImage> levels;
    if (image.isNull()) return levels;
    levels.push_back(image.convertToFormat(QImage::Format_RGBA8888));
    while (levels.back().width() > 1 || levels.back().height() > 1) levels.push_back(halved(levels.back(), srgb));
    return levels;
}

} // namespace corvane
