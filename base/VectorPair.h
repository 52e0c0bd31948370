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
