#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

class QImageReader;

namespace corvane {

// The background photo decoded straight to the size the stage draws it at.
// A phone photo is larger than Qt's default allocation limit (128 MiB), so the
// limit is raised for this decode alone, to a bound that a photo whose format
// cannot be decoded at a smaller size (a huge PNG) still meets only when its
// whole picture is small enough.
namespace StagePhotoDecoder {

// The long side a photo is decoded to at most: more than any stage needs on
// a 4K screen, and no GL 3.3 driver refuses it.
inline constexpr int defaultLongSide = 4096;
// The most memory one decode may allocate for a picture, in bytes.
inline constexpr std::int64_t decodeBudgetBytes = std::int64_t(256) << 20;

// `original` shrunk, keeping its proportions, so that its long side is at most
// `longSide`; unchanged when it already fits.
QSize scaledSize(QSize original, int longSide);

// From the header only: the reader names an image whose decode to `longSide`
// stays within the budget.
bool fitsBudget(QImageReader& reader, int longSide);

// The photo as RGBA with its long side at most `longSide`; absent when the
// file is no image, is damaged, or would not decode within the budget.
// Safe on any thread.
std::optional<QImage> decode(const QString& path, int longSide);

} // namespace StagePhotoDecoder

} // namespace corvane
