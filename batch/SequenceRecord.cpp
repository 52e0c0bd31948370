#include "batch/SequenceRecord.h"

#include "base/Checksum.h"
#include "base/UserError.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavrik {

namespace {

constexpr std::string_view header = "tavrik sequence record";

// Sums a file piece by piece, so a large one never sits in memory whole.
RecordedFile SumFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CannotOpenFileError(path.string());
    RecordedFile file;
    file.name = path.filename().string();
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        file.crc = Crc32(std::string_view(buffer.data(), got), file.crc);
        file.size += got;
    }
    if (in.bad())
        throw CannotOpenFileError(path.string());
    return file;
}

} // namespace

std::string RecordText(const SequenceRecord& record)
{
    std::string text = std::string(header) + "\ntask " + record.task + "\nframes " + std::to_string(record.frames)
        + "\n";
    for (const RecordedFile& f : record.files)
        text += Crc32Text(f.crc) + " " + std::to_string(f.size) + " " + f.name + "\n";
    return text;
}

std::optional<SequenceRecord> ParseRecord(std::string_view text)
{
    std::istringstream in{std::string(text)};
    std::string line;
    SequenceRecord record;
    if (!std::getline(in, line) || line != header)
        return std::nullopt;
    if (!std::getline(in, line) || line.rfind("task ", 0) != 0)
        return std::nullopt;
    record.task = line.substr(5);
    if (!(in >> line) || line != "frames" || !(in >> record.frames))
        return std::nullopt;
    std::getline(in, line);
    while (std::getline(in, line)) {
        RecordedFile f;
        const std::size_t first = line.find(' ');
        const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second == std::string::npos || first != 8)
            return std::nullopt;
        const char* begin = line.data();
        if (std::from_chars(begin, begin + first, f.crc, 16).ptr != begin + first
            || std::from_chars(begin + first + 1, begin + second, f.size).ptr != begin + second)
            return std::nullopt;
        f.name = line.substr(second + 1);
        record.files.push_back(std::move(f));
    }
    return record;
}

SequenceRecord RecordOfFolder(const std::string& folder, const std::string& task, int frames)
{
    SequenceRecord record{task, frames, {}};
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename() != recordFileName)
            record.files.push_back(SumFile(entry.path()));
    std::sort(record.files.begin(), record.files.end(),
              [](const RecordedFile& a, const RecordedFile& b) { return a.name < b.name; });
    return record;
}

bool SequenceComplete(const std::string& folder, const std::string& task)
{
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return false;
    std::ifstream in(folder + recordFileName, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    const std::optional<SequenceRecord> record = ParseRecord(text.str());
    if (!record || record->task != task)
        return false;
    try {
        return RecordOfFolder(folder, task, record->frames) == *record;
    } catch (const UserError&) {
        return false;
    }
}

} // namespace tavrik
