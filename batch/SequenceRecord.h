#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// The file that marks a finished sequence folder and lists what it holds.
inline constexpr const char* recordFileName = "record.txt";

struct RecordedFile {
    std::string name; // inside the sequence folder
    std::uint64_t size = 0;
    std::uint32_t crc = 0; // CRC-32 of its bytes
    friend bool operator==(const RecordedFile&, const RecordedFile&) = default;
};

// What a finished sequence folder holds: the key of the task it was made
// for (TaskKey), its frame count, and every file but the record itself.
struct SequenceRecord {
    std::string task;
    int frames = 0;
    std::vector<RecordedFile> files; // by name
    friend bool operator==(const SequenceRecord&, const SequenceRecord&) = default;
};

// The record as text, line by line: "tavrik sequence record", "task KEY",
// "frames N", then "CRC SIZE NAME" per file (CRC as eight hex digits).
std::string RecordText(const SequenceRecord& record);
// The record of RecordText's text; no value for anything else.
std::optional<SequenceRecord> ParseRecord(std::string_view text);

// The record of the files now in `folder` (a path ending in "/"), each read
// and summed. Throws UserError "Cannot open file …" for a file that cannot be read.
SequenceRecord RecordOfFolder(const std::string& folder, const std::string& task, int frames);

// Whether `folder` holds a finished sequence of task `task`: its record
// reads, names that task, and lists exactly the files there with their
// sizes and sums.
bool SequenceComplete(const std::string& folder, const std::string& task);

} // namespace tavrik
