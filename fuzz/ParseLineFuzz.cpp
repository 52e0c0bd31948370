// Feeds arbitrary bytes to the scene parser, as one line and as a scene text,
// and checks what every parsed object must satisfy.
#include "base/NumberText.h"
#include "scene/Parser.h"
#include "scene/SceneText.h"
#include "scene/SceneWarnings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckNumber(double value)
{
    // The parser only produces numbers it read, so they are finite. Their
    // fixed-point text reads back (also in the scientific form) to within
    // half a unit of the last kept digit: 3 significant digits, 3 decimals.
    Require(std::isfinite(value));
    // From 1.795e308 on the text rounds to 1.80E308, beyond the largest
    // double, so it cannot read back.
    if (std::fabs(value) >= 1.795e308)
        return;
    const double rounded = tavrik::ParseDecimal(tavrik::FormatFixedPoint(value, '.'), '.');
    const double bound = std::max(0.0005, 0.005 * std::fabs(value));
    Require(std::fabs(rounded - value) <= bound * (1 + 1e-9));
}

void CheckObject(const tavrik::Obiekt& object)
{
    for (const auto* v : {&object.colour, &object.position, &object.rotation})
        for (const double c : *v)
            CheckNumber(c);
    if (const auto* quad = dynamic_cast<const tavrik::Czworobok*>(&object)) {
        const auto& p = quad->vertices;
        double n[3];
        tavrik::Obiekt::NormalFromPoints(p[0][0], p[1][0], p[2][0], p[0][1], p[1][1], p[2][1], p[0][2], p[1][2],
                                         p[2][2], n[0], n[1], n[2]);
        Require(std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(n[2]));
        Require(std::fabs(n[0] * n[0] + n[1] * n[1] + n[2] * n[2] - 1) < 1e-9);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::uint32_t> textures{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const auto sink = [](const tavrik::ParseMessage& message) { Require(!message.text.empty()); };

    if (const auto object = tavrik::Analiza().ParseLine(text, textures, sink))
        CheckObject(*object);

    for (const std::string& warning : tavrik::LineWarnings(text))
        Require(!warning.empty());

    tavrik::Scene scene;
    tavrik::ParseSceneLines(tavrik::SplitLines(text), textures, scene, {});
    for (const auto& object : scene.objects)
        CheckObject(*object);
    for (const auto& ego : scene.egos)
        CheckObject(*ego);
    // The check of a scene text parses it alike and orders its messages by line.
    const tavrik::SceneCheck check = tavrik::CheckSceneText(tavrik::SplitLines(text), textures.size());
    Require(check.objects == scene.objects.size() && check.frames == scene.egos.size());
    Require(std::ranges::is_sorted(check.messages, {}, &tavrik::SceneLineMessage::lineNumber));
    return 0;
}
