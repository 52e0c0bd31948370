#include "score/FlowScore.h"

#include "base/Check.h"

#include <cmath>

namespace tavrik {

FrameScore ScoreFlow(const FlowField& truth, std::span<const std::uint8_t> occlusion, const FlowField& estimate)
{
    TAVRIK_CHECK(truth.width == estimate.width && truth.height == estimate.height);
    TAVRIK_CHECK(occlusion.empty() || occlusion.size() == truth.u.size());
    FrameScore score(truth.u.size());
    for (std::size_t i = 0; i < truth.u.size(); ++i) {
        if (truth.valid[i] == 0)
            continue;
        const bool estimated = estimate.valid[i] != 0;
        const double du = (estimated ? estimate.u[i] : 0.0) - truth.u[i];
        const double dv = (estimated ? estimate.v[i] : 0.0) - truth.v[i];
        score.add(FlowKind(), i, std::hypot(du, dv), std::hypot(double{truth.u[i]}, double{truth.v[i]}), estimated,
                  occlusion.empty() ? 0 : occlusion[i]);
    }
    return score;
}

} // namespace tavrik
