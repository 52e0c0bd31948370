// Feeds arbitrary bytes to the BMP decoder: every input must either decode
// to an image of the header's size or be refused with a UserError; crashes,
// over-reads and other exceptions are bugs.

#include "base/UserError.h"
#include "output/Bmp.h"

#include "base/Check.h"
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const tavrik::Dib dib = tavrik::DecodeDib(std::span(data, size), "fuzz.bmp");
        const tavrik::RgbImage image = tavrik::DibToImage(dib);
        TAVRIK_CHECK_EQ(image.width(), dib.width());
        TAVRIK_CHECK_EQ(image.height(), std::abs(dib.height()));
    } catch (const tavrik::UserError&) {
    }
    return 0;
}
