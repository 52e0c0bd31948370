#include "output/Flow.h"

#include "base/Check.h"
#include "base/LittleEndian.h"
#include "base/UserError.h"
#include "output/Pfm.h"

#include <algorithm>
#include <bit>
#include <cmath>
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

void PutFloHeader(std::uint8_t* out, int width, int height)
{
    std::copy_n("PIEH", 4, out);
    PutLittleEndian(out + 4, static_cast<std::int32_t>(width));
    PutLittleEndian(out + 8, static_cast<std::int32_t>(height));
}

std::vector<std::uint8_t> EncodeFlo(const FlowField& flow)
{
    CheckSizes(flow);
    std::vector<std::uint8_t> bytes(floHeaderBytes + flow.u.size() * 8);
    PutFloHeader(bytes.data(), flow.width, flow.height);
    for (std::size_t i = 0; i < flow.u.size(); ++i)
        PutFloPixel(bytes.data() + floHeaderBytes + 8 * i, flow.valid[i] != 0, flow.u[i], flow.v[i]);
    return bytes;
}

std::vector<std::uint8_t> EncodeFlowPfm(const FlowField& flow)
{
    CheckSizes(flow);
    std::vector<std::uint8_t> bytes;
    std::uint8_t* out = StartPfmFile(bytes, flow.width, flow.height, 3);
    const std::size_t w = static_cast<std::size_t>(flow.width);
    for (int row = flow.height - 1; row >= 0; --row)
        for (std::size_t i = row * w; i < (row + 1) * w; ++i, out += 12) {
            const bool known = flow.valid[i] != 0;
            PutPfmValue(out, known ? flow.u[i] : unknownFlow);
            PutPfmValue(out + 4, known ? flow.v[i] : unknownFlow);
            PutPfmValue(out + 8, 0.0f);
        }
    return bytes;
}

std::vector<std::uint16_t> KittiFlowSamples(const FlowField& flow)
{
    CheckSizes(flow);
    const std::size_t count = flow.u.size();
    std::vector<std::uint16_t> samples(count * 3);
    // Pixels two at a time; a last odd one is paired with itself.
    for (std::size_t i = 0; i < count; i += 2) {
        const std::size_t next = std::min(i + 1, count - 1);
        const IntPair valid = {-static_cast<int>(flow.valid[i] != 0), -static_cast<int>(flow.valid[next] != 0)};
        const KittiFlowLanes<2> pair =
            KittiFlowLaneSamples<2>(valid, FloatPair{flow.u[i], flow.u[next]}, FloatPair{flow.v[i], flow.v[next]});
        for (std::size_t lane = 0; i + lane <= next; ++lane) {
            samples[3 * (i + lane)] = static_cast<std::uint16_t>(pair.red[lane]);
            samples[3 * (i + lane) + 1] = static_cast<std::uint16_t>(pair.green[lane]);
            samples[3 * (i + lane) + 2] = static_cast<std::uint16_t>(pair.blue[lane]);
        }
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
