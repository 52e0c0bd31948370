#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// Makes `path` hold exactly `bytes`, all or nothing: the bytes are written
// under a temporary name in the same folder (see unfinishedFilePrefix), which
// is then renamed to `path`. A regular file of the user's own with no other
// hard link is first renamed to the temporary name and written over there
// (its pages are reused, which is much faster than a new file when a folder
// is written again); any other file is replaced by a new one, so another hard
// link to it (a snapshot made with `cp -al`) keeps its bytes. A new file of a
// megabyte or more goes to the disk past the page cache (direct writes where
// the file system takes them) when that has lately been the faster way:
// filling new cache pages can make a new folder several times slower to
// write than an existing one. No reader and
// no interruption ever sees a file under its real name that is torn or mixes
// an old and a new content: a killed writer leaves at most the temporary
// file, and `path` missing. Throws UserError "Cannot create file %s" with the
// reason when the file cannot be created, when not every byte reaches it (a
// full disk is an error, never a short file reported as success; a file
// being written over is then gone), when an existing file may not be written
// (its permissions), or when `path` names what must never be written through: a
// symbolic link, a FIFO, a device or a folder, or a file of another user.
// The temporary file is removed on every error.
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);
void WriteWholeFile(const std::string& path, std::string_view text);
// The same for a file made of `pieces`, one after another.
void WriteFilePieces(const std::string& path, std::span<const std::string_view> pieces);

// Temporary files of WriteWholeFile are named this prefix, the process id, a
// counter and the real name, so that no run ever writes such a name as a
// file of its own. Only a killed process leaves one behind.
inline constexpr std::string_view unfinishedFilePrefix = ".tavrik-unfinished.";
// Removes what killed runs left in `folder`: every file named with
// unfinishedFilePrefix. Call it only while holding the folder's FolderLock,
// so that no running writer's file goes.
void RemoveUnfinishedFiles(const std::string& folder);

// Removes `path` when it exists (a symbolic link is removed, not what it
// points to). Throws UserError "Cannot remove file %s: reason" when it exists
// and cannot be removed.
void RemoveFileIfPresent(const std::string& path);

// Makes `folder` (its last level only; an existing folder is fine) and
// checks that a file can be created in it, so that a long job fails before
// its work rather than at its first file. Throws UserError "Cannot create
// file %s" naming `firstFile`, the first file the job would write, with the
// system's reason when no file can be created there, and UserError "Folder %s
// belongs to another user" when the folder (or the link naming it) is not the
// running user's: in a shared folder such as /tmp another user could have made
// it to have this job's files written where that user chose.
void PrepareOutputFolder(const std::string& folder, const std::string& firstFile);

// Reads the whole of `path`. Throws UserError "Cannot open file %s" when it
// cannot be opened or read, and `tooLargeMessage` when it holds more than
// `maxBytes` bytes.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                        const std::string& tooLargeMessage);

} // namespace tavrik
