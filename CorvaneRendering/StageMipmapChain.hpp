#pragma once

#include <vector>

#include <QImage>

namespace corvane {

// The mipmap levels of an image, made on the processor so that any thread
// can make them: a software driver generating them itself holds the thread
// that owns the context for a long while. Each level halves the last (down to
// one pixel), each of its pixels the mean of the two-by-two block above it;
// with `srgb` the mean is taken in linear light, as a driver does for sRGB
// textures. Level 0 is the image in RGBA8888; empty for a null image.
std::vector<QImage> stageMipmapChain(const QImage& image, bool srgb);

} // namespace corvane
