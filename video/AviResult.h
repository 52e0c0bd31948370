#pragma once

#include <cstdint>

namespace tavrik {

// Result of every AVI operation: 0 for success, otherwise one of the
// published AVI-library error values 0x80044000 + n, so callers and logs can
// compare them with the values other AVI tools report.
using AviResult = std::uint32_t;

inline constexpr AviResult AVIERR_OK = 0;
inline constexpr AviResult AVIERR_BADFORMAT = 0x80044066;   // format differs or is unusable
inline constexpr AviResult AVIERR_BADFLAGS = 0x80044069;    // unknown WAV source kind
inline constexpr AviResult AVIERR_BADPARAM = 0x8004406A;    // missing or invalid argument
inline constexpr AviResult AVIERR_BADSIZE = 0x8004406B;     // headers too large for the file layout
inline constexpr AviResult AVIERR_BADHANDLE = 0x8004406C;   // no writer
inline constexpr AviResult AVIERR_FILEWRITE = 0x8004406E;   // the file refused bytes
inline constexpr AviResult AVIERR_FILEOPEN = 0x8004406F;    // a file cannot be opened or created
inline constexpr AviResult AVIERR_ERROR = 0x800440C7;       // writer failed earlier, or file too large

// WAV source kinds of AppendWavAudio.
inline constexpr std::uint32_t SND_MEMORY = 0x4;       // a whole WAV file image in memory
inline constexpr std::uint32_t SND_FILENAME = 0x20000; // the path of a WAV file

} // namespace tavrik
