#include "scene/MovementGenerator.h"

#include "base/NumberText.h"

#include <array>

namespace tavrik {

namespace {

double ValueOfLine(const MovementSettings& s, int k)
{
    if (!s.returnFrame)
        return k * s.step + s.start;
    if (k % 2 == 0)
        return s.start + s.step * (k / 2);
    return -(s.start + s.step * ((k - 1) / 2));
}

} // namespace

std::vector<std::string> GenerateEgoLines(const MovementSettings& settings, char separator)
{
    const std::array<bool, 6> moving{settings.x, settings.y, settings.z, settings.a, settings.b, settings.g};
    std::vector<std::string> lines;
    for (int k = 0; k < settings.frames; ++k) {
        const double v = ValueOfLine(settings, k);
        std::string line = "EGO; ";
        for (const bool component : moving) {
            line += FormatFixedPoint(component ? v : 0.0, separator);
            line += ';';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace tavrik
