#pragma once

#include "output/Image.h"

namespace tavrik {

// The bundled textures tex0.bmp ... tex10.bmp are made by these patterns.
// Each is a 128 x 128 image, rich in detail everywhere (a stereo matcher
// must find features on every textured surface), free of repeating tiles and
// not symmetric about its diagonal (the renderer transposes textures).
//
// The patterns are bit-for-bit reproducible: they use only integer hashing
// and the IEEE operations + - * / sqrt and floor, never the maths library's
// transcendental functions, and are compiled without contracting a * b + c
// into fused multiply-adds.
constexpr int kTextureCount = 11;
constexpr int kTextureSize = 128;

// Texture `index`, 0 <= index < kTextureCount:
//  0 coloured fractal clouds        6 cells (stained glass)
//  1 bricks                         7 cobblestones
//  2 wood planks                    8 woven fabric
//  3 marble                         9 star field over a nebula
//  4 random dots                   10 colour gradient with noise
//  5 irregular checker
RgbImage MakeTexture(int index);

} // namespace tavrik
