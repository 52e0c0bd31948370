#pragma once

#include "output/Disparity.h"
#include "output/Image.h"
#include "render/Camera.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavrik {

// Vertical field of view in degrees of a pinhole camera of `focalLength`
// pixels over an image `height` pixels high: atan(h / 2F) · 2, converted to
// degrees with π taken as 3.1415 (384 px at F = 389 gives 52.541°, where the
// exact π would give 52.539°). The focal length is not scaled with the
// resolution.
double FieldOfViewY(int height, double focalLength);

// width / height, rounded to single precision.
double AspectRatio(int width, int height);

// gluPerspective(FieldOfViewY, AspectRatio, nearDistance, farDistance): the
// same near and far distances with which depth is turned into disparity.
Mat4 ViewPerspective(int width, int height, double focalLength);

// Number of texture bitmaps, tex0.bmp to tex10.bmp, and their texel size.
inline constexpr int textureCount = 11;
inline constexpr int textureSize = 128;

// The RGBA texels of a texture made from `bitmap`: 128 × 128, rows of 512
// bytes, alpha 255. The texel at row r, column c takes the bitmap pixel at
// x = r, y = c (y down from the top-left corner), so the picture is
// transposed: s runs down the bitmap and t across it. Only the top-left
// 128 × 128 pixels count; pixels beyond a smaller bitmap are white.
std::vector<std::uint8_t> TextureTexels(const RgbImage& bitmap);

// Path of texture file `index`: folder + "/tex" + index + ".bmp".
std::string TexturePath(const std::string& folder, int index);

// The fixed render state every view is drawn with: depth test, lights,
// material, antialiasing switches. Needs a current context; leaves the
// matrix mode at GL_MODELVIEW. The projection matrix is the camera's
// business and is loaded at every view.
void SetFixedRenderState(bool antiAliasing);
void SetAntiAliasing(bool antiAliasing);

// Replaces the GL textures of `names` by the eleven textures of `folder`.
// A file that cannot be read throws its reader's UserError; the textures
// loaded before it stay in `names`.
void LoadTextures(const std::string& folder, std::vector<std::uint32_t>& names);

// What the textures of `folder` would be loaded from: the folder's name and
// the inode, size and modification time of each of its eleven files ("-"
// for one that is missing). Equal stamps mean textures loaded earlier are
// still those of the folder, so they need not be read again; a file written
// over or replaced changes the stamp.
std::string TextureFolderStamp(const std::string& folder);

} // namespace tavrik
