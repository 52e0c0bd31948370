#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// Creates or overwrites `path` with exactly `bytes`. Throws UserError
// "Cannot create file %s" when the file cannot be created or when not every
// byte reaches it (a full disk is an error, never a short file reported as
// success).
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);
void WriteWholeFile(const std::string& path, std::string_view text);
// The same for a file made of `pieces`, one after another.
void WriteFilePieces(const std::string& path, std::span<const std::string_view> pieces);

// Makes `folder` (its last level only; an existing folder is fine) and
// checks that a file can be created in it, so that a long job fails before
// its work rather than at its first file. Throws UserError "Cannot create
// file %s" naming `firstFile`, the first file the job would write, with the
// system's reason when no file can be created there.
void PrepareOutputFolder(const std::string& folder, const std::string& firstFile);

// Reads the whole of `path`. Throws UserError "Cannot open file %s" when it
// cannot be opened or read, and `tooLargeMessage` when it holds more than
// `maxBytes` bytes.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                        const std::string& tooLargeMessage);

} // namespace tavrik
