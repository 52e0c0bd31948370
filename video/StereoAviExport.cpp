#include "video/StereoAviExport.h"

#include "base/UserError.h"
#include "output/Bmp.h"
#include "output/FrameFiles.h"
#include "video/AviWriter.h"

#include <optional>

namespace tavrik {

namespace {

std::optional<Dib> LoadBitmap(const std::string& path)
{
    try {
        return ReadDibFile(path);
    } catch (const UserError&) {
        return std::nullopt;
    }
}

} // namespace

AviExportReport ExportStereoAvi(const std::filesystem::path& workFolder, bool rightCamera, int frameCount,
                                const std::string& wavPath)
{
    AviExportReport report;
    report.videoPath = (workFolder / (rightCamera ? "P.avi" : "L.avi")).string();
    std::unique_ptr<AviWriter> writer = OpenAviWriter(report.videoPath, kExportFramePeriod);
    if (!writer)
        return report;
    report.created = true;

    for (int i = 0; i < frameCount; ++i) {
        // The colour image of frame i under the name a run gives it.
        const std::string imagePath = (workFolder / FrameFileNames("", i, rightCamera).colour).string();
        const std::optional<Dib> bitmap = LoadBitmap(imagePath);
        if (AppendVideoFrame(writer.get(), bitmap ? &*bitmap : nullptr) == AVIERR_OK)
            ++report.framesWritten;
    }
    report.soundWritten = AppendWavAudio(writer.get(), wavPath, SND_FILENAME) == AVIERR_OK;
    report.written = CloseAviWriter(std::move(writer)) == AVIERR_OK;
    return report;
}

} // namespace tavrik
