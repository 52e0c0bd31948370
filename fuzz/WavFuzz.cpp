// Feeds arbitrary bytes to the WAV chunk walker and to AppendWavAudio as
// in-memory WAV images. The first byte chooses where the rest splits into two
// images, appended in turn to one writer, so both the append that takes the
// audio format and the one that compares against it see malformed files.

#include "video/AviWriter.h"
#include "video/WavImage.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool Expected(tavrik::AviResult result)
{
    return result == tavrik::AVIERR_OK || result == tavrik::AVIERR_BADFORMAT || result == tavrik::AVIERR_ERROR;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrik;
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    const std::size_t split = std::min<std::size_t>(input.size(), std::size_t{data[0]} * 4);

    // The file's bytes do not matter here, only the writer's decisions. A
    // small size limit lets the fuzzer reach the refusal of a full file too.
    std::unique_ptr<AviWriter> writer = OpenAviWriter("/dev/null", 500, std::nullopt, 4096);
    if (!writer)
        std::abort();
    for (const std::span<const std::uint8_t> image : {input.first(split), input.subspan(split)}) {
        // A refusal always says why; accepted samples lie inside the image.
        std::string reason;
        if (const std::optional<WavImage> wav = ParseWavImage(image, &reason)) {
            if (wav->data.data() < image.data() || wav->data.data() + wav->data.size() > image.data() + image.size()
                || wav->format.formatTag != 1 || wav->format.blockAlignment == 0)
                std::abort();
        } else if (reason.empty()) {
            std::abort();
        }
        const std::uint32_t before = writer->sampleCount;
        const AviResult result = AppendWavAudio(writer.get(), image, SND_MEMORY);
        if (!Expected(result) || (result != AVIERR_OK && writer->sampleCount != before))
            std::abort();
    }
    if (CloseAviWriter(std::move(writer)) != AVIERR_OK)
        std::abort();
    return 0;
}
