#include "output/FrameWriter.h"

#include "base/FileIo.h"
#include "output/Bmp.h"
#include "output/Disparity.h"
#include "output/FrameFiles.h"
#include "output/Segmentation.h"

#include "base/Check.h"
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tavrik {

RgbImage ImageFromBottomUpRows(const std::uint8_t* rgb, int width, int height)
{
    RgbImage image(width, height);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::uint8_t* pixels = image.bytes().data();
    for (int j = 0; j < height; ++j)
        std::memcpy(pixels + static_cast<std::size_t>(height - 1 - j) * rowBytes,
                    rgb + static_cast<std::size_t>(j) * rowBytes, rowBytes);
    return image;
}

void WriteFrameOutputs(const FrameCapture& frame, const FrameOutputSettings& settings, int frameIndex,
                       DisparityText& text)
{
    const std::size_t pixelCount = static_cast<std::size_t>(frame.width) * frame.height;
    TAVRIK_CHECK_EQ(frame.colour.size(), pixelCount * 3);
    TAVRIK_CHECK_EQ(frame.depth.size(), pixelCount);
    TAVRIK_CHECK_EQ(frame.segmentation.size(), pixelCount);

    const std::string folder = sequenceFolder(settings.outputFolder, settings.sequenceNumber);
    // Only the last level is created; an existing folder or a missing parent
    // is not reported here, the first file that cannot be written is.
    std::error_code ignored;
    std::filesystem::create_directory(folder, ignored);
    const FrameFiles files = FrameFileNames(folder, frameIndex, settings.rightCamera);

    const DisparityOutputs disparity =
        ConvertDepth(frame.depth, frame.width, frame.height, settings.baseline, settings.focalLength);
    // The text takes longest to make: it is formatted while the images
    // before it are made and written. The files are still written in order,
    // and none after the first that fails.
    AsyncResult<void> formatted = RunAsync([&] {
        text.Format(disparity.values, frame.width, frame.height);
    });
    WriteBmpFile(files.colour, ImageFromBottomUpRows(frame.colour.data(), frame.width, frame.height));
    WriteBmpFile(files.fineDisparity, disparity.fine);
    WriteBmpFile(files.wholeDisparity, disparity.whole);
    formatted.get();
    WriteFilePieces(files.disparityText, text.pieces());
    WriteBmpFile(files.segmentation, SegmentationImage(frame.segmentation, frame.width, frame.height,
                                                       settings.paletteSegmentation));
}

void WriteFrameOutputs(const FrameCapture& frame, const FrameOutputSettings& settings, int frameIndex)
{
    DisparityText text;
    WriteFrameOutputs(frame, settings, frameIndex, text);
}

FrameOutputQueue::~FrameOutputQueue()
{
    if (pending_.valid())
        pending_.wait();
}

void FrameOutputQueue::Submit(FrameCapture frame, FrameOutputSettings settings, int frameIndex)
{
    Submit([frame = std::move(frame), settings = std::move(settings), frameIndex] {
        WriteFrameOutputs(frame, settings, frameIndex);
    }, frameIndex);
}

void FrameOutputQueue::Submit(std::function<void()> write, int frameIndex)
{
    TAVRIK_CHECK(!pending_.valid());
    pendingIndex_ = frameIndex;
    pending_ = RunAsync(std::move(write));
}

bool FrameOutputQueue::writing() const
{
    return !pending_.done();
}

std::optional<int> FrameOutputQueue::Finish()
{
    if (!pending_.valid())
        return std::nullopt;
    try {
        pending_.get();
    } catch (const FrameFilesError& error) {
        failedFrame_ = error.frameIndex();
        throw;
    } catch (...) {
        failedFrame_ = pendingIndex_;
        throw;
    }
    return pendingIndex_;
}

} // namespace tavrik
