#include "video/StereoAviExport.h"

#include "base/UserError.h"
#include "output/Bmp.h"
#include "output/FrameFiles.h"
#include "video/AviWriter.h"

#include <cerrno>
#include <optional>

namespace tavrik {

namespace {

// The bitmap of `path`, or why there is none.
std::optional<Dib> LoadBitmap(const std::string& path, std::string& problem)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error) {
        problem = path + " is missing";
        return std::nullopt;
    }
    try {
        return ReadDibFile(path);
    } catch (const UserError& e) {
        problem = e.what();
        return std::nullopt;
    }
}

std::string ShapeText(const Dib& bitmap)
{
    return std::to_string(bitmap.width()) + " x " + std::to_string(bitmap.height()) + " pixels of "
        + std::to_string(bitmap.bitCount()) + " bits";
}

} // namespace

AviExportReport ExportStereoAvi(const std::filesystem::path& workFolder, bool rightCamera, int frameCount,
                                const std::string& wavPath)
{
    AviExportReport report;
    report.videoPath = (workFolder / (rightCamera ? "P.avi" : "L.avi")).string();
    std::unique_ptr<AviWriter> writer = OpenAviWriter(report.videoPath, kExportFramePeriod);
    if (!writer) {
        report.failure = CannotCreateFileError(report.videoPath, errno).what();
        return report;
    }
    report.created = true;
    // Stops the export without a video: the temporary file goes with the writer.
    const auto fail = [&](const std::string& what) {
        report.failure = report.videoPath + " not written: " + what + ": " + writer->problem;
        writer.reset();
        return report;
    };

    std::optional<std::string> firstShape;
    int missingInARow = 0;
    for (int i = 0; i < frameCount; ++i) {
        // The colour image of frame i under the name a run gives it.
        const std::string imagePath = (workFolder / FrameFileNames("", i, rightCamera).colour).string();
        std::string problem;
        const std::optional<Dib> bitmap = LoadBitmap(imagePath, problem);
        if (!bitmap) {
            report.imagesLeftOut.push_back(problem);
            if (++missingInARow == kMaxMissingImagesInARow) {
                report.stoppedEarly = "stopped after " + imagePath + ": " + std::to_string(missingInARow)
                    + " images in a row are missing or unusable";
                break;
            }
            continue;
        }
        missingInARow = 0;
        switch (AppendVideoFrame(writer.get(), &*bitmap)) {
        case AVIERR_OK:
            ++report.framesWritten;
            if (!firstShape)
                firstShape = ShapeText(*bitmap);
            break;
        case AVIERR_BADPARAM:
            report.imagesLeftOut.push_back(imagePath + ": " + ShapeText(*bitmap) + ", too large for a video frame");
            break;
        case AVIERR_BADFORMAT:
            report.imagesLeftOut.push_back(imagePath + ": " + ShapeText(*bitmap) + ", unlike the first frame's "
                                           + firstShape.value_or("format"));
            break;
        default:
            return fail("frame " + std::to_string(i));
        }
    }

    switch (AppendWavAudio(writer.get(), wavPath, SND_FILENAME)) {
    case AVIERR_OK:
        report.soundWritten = true;
        break;
    case AVIERR_FILEOPEN:
    case AVIERR_BADFORMAT:
        report.soundProblem = wavPath + ": " + writer->problem;
        break;
    default:
        return fail("the sound");
    }
    report.written = CloseAviWriter(std::move(writer)) == AVIERR_OK;
    if (!report.written)
        report.failure = "Cannot finish file " + report.videoPath + ": the video may be incomplete";
    return report;
}

} // namespace tavrik
