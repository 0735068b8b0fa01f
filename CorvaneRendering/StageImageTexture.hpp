#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QImage>

#include "CorvaneRendering/StageTexture.hpp"

class QOpenGLFunctions_3_3_Core;

namespace corvane {

// Uploads an image with its first row at v = 0. `srgb` decodes its colours
// to linear on sampling (photographs); without it the values are read as
// they are (the grain tile). Absent when the image is null or the driver refuses.
std::optional<StageTexture> makeImageTexture(QOpenGLFunctions_3_3_Core& gl, const QImage& image, bool srgb);

// Uploads a chain of levels as stageMipmapChain() makes them, level 0 first.
std::optional<StageTexture> makeMipmappedTexture(QOpenGLFunctions_3_3_Core& gl, const std::vector<QImage>& levels,
                                                 bool srgb);

// A texture of one pixel of the given bytes.
std::optional<StageTexture> makeSolidTexture(QOpenGLFunctions_3_3_Core& gl, unsigned char red, unsigned char green,
                                             unsigned char blue, unsigned char alpha);

void deleteTexture(QOpenGLFunctions_3_3_Core& gl, const StageTexture& texture);

} // namespace corvane
