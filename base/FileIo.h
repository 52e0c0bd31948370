#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// Creates or overwrites `path` with exactly `bytes`. Throws UserError
// "Cannot create file %s" when the file cannot be created or when not every
// byte reaches it (a full disk is an error, never a short file reported as
// success).
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);
void WriteWholeFile(const std::string& path, std::string_view text);

// Reads the whole of `path`. Throws UserError "Cannot open file %s" when it
// cannot be opened or read, and `tooLargeMessage` when it holds more than
// `maxBytes` bytes.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                        const std::string& tooLargeMessage);

} // namespace tavrik
