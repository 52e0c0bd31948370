#include "output/Flow.h"

#include "base/Check.h"
#include "base/LittleEndian.h"
#include "base/UserError.h"

#include <bit>
#include <cmath>
#include <optional>
#include <string>

namespace tavrik {

namespace {

void CheckSizes(const FlowField& flow)
{
    const std::size_t count = static_cast<std::size_t>(flow.width) * static_cast<std::size_t>(flow.height);
    TAVRIK_CHECK(flow.width > 0 && flow.height > 0);
    TAVRIK_CHECK_EQ(flow.u.size(), count);
    TAVRIK_CHECK_EQ(flow.v.size(), count);
    TAVRIK_CHECK_EQ(flow.valid.size(), count);
}

} // namespace

std::vector<std::uint8_t> EncodeFlo(const FlowField& flow)
{
    CheckSizes(flow);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(12 + flow.u.size() * 8);
    for (const char c : {'P', 'I', 'E', 'H'})
        bytes.push_back(static_cast<std::uint8_t>(c));
    AppendLittleEndian(bytes, static_cast<std::int32_t>(flow.width));
    AppendLittleEndian(bytes, static_cast<std::int32_t>(flow.height));
    for (std::size_t i = 0; i < flow.u.size(); ++i) {
        const bool known = flow.valid[i] != 0;
        AppendLittleEndian(bytes, std::bit_cast<std::uint32_t>(known ? flow.u[i] : unknownFlow));
        AppendLittleEndian(bytes, std::bit_cast<std::uint32_t>(known ? flow.v[i] : unknownFlow));
    }
    return bytes;
}

std::vector<std::uint8_t> EncodeFlowPfm(const FlowField& flow)
{
    CheckSizes(flow);
    const std::string header = "PF\n" + std::to_string(flow.width) + " " + std::to_string(flow.height) + "\n-1.0\n";
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.reserve(header.size() + flow.u.size() * 12);
    const std::size_t w = static_cast<std::size_t>(flow.width);
    for (int row = flow.height - 1; row >= 0; --row)
        for (std::size_t i = row * w; i < (row + 1) * w; ++i) {
            const bool known = flow.valid[i] != 0;
            AppendLittleEndian(bytes, std::bit_cast<std::uint32_t>(known ? flow.u[i] : unknownFlow));
            AppendLittleEndian(bytes, std::bit_cast<std::uint32_t>(known ? flow.v[i] : unknownFlow));
            AppendLittleEndian(bytes, std::bit_cast<std::uint32_t>(0.0f));
        }
    return bytes;
}

std::vector<std::uint16_t> KittiFlowSamples(const FlowField& flow)
{
    CheckSizes(flow);
    std::vector<std::uint16_t> samples(flow.u.size() * 3, 0);
    // The 16 bits hold −512 ≤ flow < 512 in steps of 1/64; NaN fails the
    // range test too.
    const auto encode = [](float component) -> std::optional<std::uint16_t> {
        const double sample = std::round(static_cast<double>(component) * 64.0) + 32768.0;
        if (!(sample >= 0.0 && sample <= 65535.0))
            return std::nullopt;
        return static_cast<std::uint16_t>(sample);
    };
    for (std::size_t i = 0; i < flow.u.size(); ++i) {
        const auto u = encode(flow.u[i]);
        const auto v = encode(flow.v[i]);
        if (flow.valid[i] == 0 || !u || !v)
            continue;
        samples[3 * i] = *u;
        samples[3 * i + 1] = *v;
        samples[3 * i + 2] = 1;
    }
    return samples;
}

FlowField DecodeFlo(std::span<const std::uint8_t> file, const std::string& fileName)
{
    const auto fail = [&](const std::string& reason) { return UserError(fileName + ": not a .flo file: " + reason); };
    if (file.size() < 12 || std::string(file.begin(), file.begin() + 4) != "PIEH")
        throw fail("it does not start with PIEH");
    FlowField flow;
    flow.width = GetLittleEndian<std::int32_t>(file.data() + 4);
    flow.height = GetLittleEndian<std::int32_t>(file.data() + 8);
    if (flow.width <= 0 || flow.height <= 0 || flow.width > (1 << 20) || flow.height > (1 << 20))
        throw fail("bad width or height");
    const std::size_t count = static_cast<std::size_t>(flow.width) * static_cast<std::size_t>(flow.height);
    if ((file.size() - 12) / 8 < count)
        throw fail("fewer values than width × height");
    flow.u.resize(count);
    flow.v.resize(count);
    flow.valid.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        flow.u[i] = std::bit_cast<float>(GetLittleEndian<std::uint32_t>(file.data() + 12 + 8 * i));
        flow.v[i] = std::bit_cast<float>(GetLittleEndian<std::uint32_t>(file.data() + 16 + 8 * i));
        flow.valid[i] = std::fabs(flow.u[i]) > 1e9f || std::fabs(flow.v[i]) > 1e9f ? 0 : 1;
    }
    return flow;
}

FlowField FlowFromKittiSamples(std::span<const std::uint16_t> samples, int width, int height)
{
    TAVRIK_CHECK(width > 0 && height > 0);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    TAVRIK_CHECK_EQ(samples.size(), 3 * count);
    FlowField flow{width, height, std::vector<float>(count), std::vector<float>(count), std::vector<std::uint8_t>(count)};
    for (std::size_t i = 0; i < count; ++i) {
        flow.u[i] = static_cast<float>((samples[3 * i] - 32768.0) / 64.0);
        flow.v[i] = static_cast<float>((samples[3 * i + 1] - 32768.0) / 64.0);
        flow.valid[i] = samples[3 * i + 2] != 0 ? 1 : 0;
    }
    return flow;
}

} // namespace tavrik
