#include "CorvaneRendering/StagePhotoDecoder.hpp"

#include <QImageIOHandler>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace corvane::StagePhotoDecoder {

namespace {

constexpr std::int64_t bytesPerPixel = 4;

std::int64_t pictureBytes(QSize size) { return std::int64_t(size.width()) * size.height() * bytesPerPixel; }

// Qt's limit is one value for the whole process: decodes that raise it take
// turns, and each puts back what it found.
std::mutex allocationLimitLock;

} // namespace

QSize scaledSize(QSize original, int longSide)
{
    const int longest = std::max(original.width(), original.height());
    if (original.isEmpty() || longest <= longSide) return original;
    const double factor = double(longSide) / longest;
    return {std::max(1, int(std::lround(original.width() * factor))),
            std::max(1, int(std::lround(original.height() * factor)))};
}

bool fitsBudget(QImageReader& reader, int longSide)
{
    const QSize original = reader.size();
    if (original.isEmpty()) return false;
    // A format that decodes at a smaller size (JPEG) needs at most the
    // picture at half its size beside the scaled one; any other needs the whole picture.
    const QSize scaled = scaledSize(original, longSide);
    const std::int64_t decoded = reader.supportsOption(QImageIOHandler::ScaledSize)
                                     ? std::max(pictureBytes(scaled), pictureBytes(original) / 4)
                                     : pictureBytes(original);
    return decoded <= decodeBudgetBytes - pictureBytes(scaled);
}

std::optional<QImage> decode(const QString& path, int longSide)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!reader.canRead() || !fitsBudget(reader, longSide)) return std::nullopt;
    const QSize scaled = scaledSize(reader.size(), longSide);
    if (scaled != reader.size()) reader.setScaledSize(scaled);
    QImage image;
    {
        std::lock_guard lock(allocationLimitLock);
        const int previous = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(int(decodeBudgetBytes >> 20));
        image = reader.read();
        QImageReader::setAllocationLimit(previous);
    }
    if (image.isNull()) return std::nullopt;
    // In place where the depth allows: no second copy of the picture.
    image.convertTo(QImage::Format_RGBA8888);
    return image;
}

} // namespace corvane::StagePhotoDecoder
