#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// The kinds of file a writing run can produce, chosen by name. `classic`
// is the five files per frame (camera image, two grey disparity maps, disparity
// text, segmentation map); the others are ground truth in the forms stereo,
// optical-flow and odometry tools read.
enum class OutputFormat : unsigned {
    classic = 1u << 0,   // the five files per frame, named "spec" on the command line
    pfm = 1u << 1,       // disparity as float PFM
    kitti = 1u << 2,     // disparity as 16-bit PNG
    depth = 1u << 3,     // distance Z as float PFM
    occlusion = 1u << 4, // 8-bit occlusion mask against the other camera
    flow = 1u << 5,      // forward and backward optical flow as .flo and 16-bit PNG
    poses = 1u << 6,     // camera poses of the run, once per run
    dispchange = 1u << 7, // disparity change to the next frame as float PFM
};

class OutputFormats {
public:
    OutputFormats() = default;
    explicit OutputFormats(OutputFormat format) : bits_(static_cast<unsigned>(format)) {}

    bool has(OutputFormat format) const { return (bits_ & static_cast<unsigned>(format)) != 0; }
    void add(OutputFormat format) { bits_ |= static_cast<unsigned>(format); }
    // Anything beyond the five files per frame; it brings the calibration,
    // the manifest and the scene text along.
    bool beyondClassic() const { return (bits_ & ~static_cast<unsigned>(OutputFormat::classic)) != 0; }
    // The names of the formats held, in the order of OutputFormat.
    std::vector<std::string> names() const;

    friend bool operator==(const OutputFormats&, const OutputFormats&) = default;

private:
    unsigned bits_ = static_cast<unsigned>(OutputFormat::classic);
};

// Reads a comma list of format names ("spec", "pfm", "kitti", "depth",
// "occlusion", "flow", "poses", "dispchange", or "all" for every one); blanks
// around names are ignored. Throws UserError "unknown format '<name>'; choose
// from spec, pfm, kitti, depth, occlusion, flow, poses, dispchange, all" for anything else,
// including an empty list.
OutputFormats ParseOutputFormats(std::string_view list);

} // namespace tavrik
