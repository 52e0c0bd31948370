#include "score/DisparityScore.h"

#include "base/Check.h"

#include <cmath>

namespace tavrik {

FrameScore ScoreDisparity(const FloatImage& truth, std::span<const std::uint8_t> occlusion,
                          const FloatImage& estimate)
{
    TAVRIK_CHECK(truth.width == estimate.width && truth.height == estimate.height);
    TAVRIK_CHECK(occlusion.empty() || occlusion.size() == truth.values.size());
    FrameScore score(truth.values.size());
    for (std::size_t i = 0; i < truth.values.size(); ++i) {
        const double expected = truth.values[i];
        if (!std::isfinite(expected))
            continue;
        const bool estimated = std::isfinite(estimate.values[i]);
        const double error = std::fabs((estimated ? estimate.values[i] : 0.0) - expected);
        score.add(DisparityKind(), i, error, std::fabs(expected), estimated, occlusion.empty() ? 0 : occlusion[i]);
    }
    return score;
}

} // namespace tavrik
