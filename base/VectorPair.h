#pragma once

#include <cstdint>
#include <cstring>

namespace tavrik {

// Two values side by side, and the masks (all ones or all zeros) their
// comparisons give: a loop over a row's pixels written in these keeps its
// selections in vector instructions, where as scalars the compiler's
// optimisations make them branches on what changes from pixel to pixel.
using DoublePair = double __attribute__((vector_size(16)));
using MaskPair = std::int64_t __attribute__((vector_size(16)));
using IntPair = std::int32_t __attribute__((vector_size(8)));
using FloatPair = float __attribute__((vector_size(8)));

// The same types for `lanes` values side by side: pairs, or fours in code
// made for AVX2, where each is one register.
template <int lanes>
struct VectorLanes;
template <>
struct VectorLanes<2> {
    using Doubles = DoublePair;
    using Masks = MaskPair;
    using Ints = IntPair;
    using Floats = FloatPair;
    using Shorts = std::uint16_t __attribute__((vector_size(4)));
};
template <>
struct VectorLanes<4> {
    using Doubles = double __attribute__((vector_size(32)));
    using Masks = std::int64_t __attribute__((vector_size(32)));
    using Ints = std::int32_t __attribute__((vector_size(16)));
    using Floats = float __attribute__((vector_size(16)));
    using Shorts = std::uint16_t __attribute__((vector_size(8)));
};

template <typename Pair, typename Value>
[[gnu::always_inline]] inline Pair LoadPair(const Value* values)
{
    Pair pair;
    std::memcpy(&pair, values, sizeof pair);
    return pair;
}

template <typename Pair, typename Value>
[[gnu::always_inline]] inline void StorePair(Value* values, Pair pair)
{
    std::memcpy(values, &pair, sizeof pair);
}

} // namespace tavrik
