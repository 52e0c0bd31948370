#pragma once

#include "base/Check.h"
#include <cstdint>
#include <vector>

namespace tavrik {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A 24-bit colour image, top row first as viewed, rows tightly packed,
// three bytes (red, green, blue) per pixel.
class RgbImage {
public:
    RgbImage() = default;
    RgbImage(int width, int height, Rgb fill = {})
        : width_(width), height_(height)
    {
        TAVRIK_CHECK(width >= 0 && height >= 0);
        const std::size_t size = static_cast<std::size_t>(width) * height * 3;
        if (fill.red == fill.green && fill.green == fill.blue) {
            pixels_.assign(size, fill.red);
            return;
        }
        pixels_.resize(size);
        std::uint8_t* p = pixels_.data();
        for (std::size_t i = 0; i < size; i += 3) {
            p[i] = fill.red;
            p[i + 1] = fill.green;
            p[i + 2] = fill.blue;
        }
    }

    int width() const { return width_; }
    int height() const { return height_; }

    // (x, y) with y = 0 the top row.
    Rgb at(int x, int y) const
    {
        const std::uint8_t* p = &pixels_[offset(x, y)];
        return {p[0], p[1], p[2]};
    }
    void set(int x, int y, Rgb c)
    {
        std::uint8_t* p = &pixels_[offset(x, y)];
        p[0] = c.red;
        p[1] = c.green;
        p[2] = c.blue;
    }

    const std::vector<std::uint8_t>& bytes() const { return pixels_; }
    std::vector<std::uint8_t>& bytes() { return pixels_; }

    friend bool operator==(const RgbImage&, const RgbImage&) = default;

private:
    std::size_t offset(int x, int y) const
    {
        TAVRIK_CHECK(x >= 0 && x < width_ && y >= 0 && y < height_);
        return (static_cast<std::size_t>(y) * width_ + x) * 3;
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
};

} // namespace tavrik
