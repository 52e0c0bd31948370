#include "batch/Tasks.h"

#include "base/Checksum.h"
#include "base/UserError.h"
#include "scene/SceneText.h"

#include <charconv>
#include <cstdio>

namespace tavrik {

namespace {

int ParseCount(const std::string& text, const std::string& what)
{
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        throw UserError(what + " '" + text + "' is not a whole number of 0 or more");
    return value;
}

std::string Shortest(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

} // namespace

std::string SequenceName(int index)
{
    char name[16];
    std::snprintf(name, sizeof name, "%06d", index);
    return name;
}

std::vector<Task> PlanTasks(const Plan& plan)
{
    std::vector<Task> tasks;
    for (const PlanEntry& entry : plan.entries)
        for (int i = 0; i < entry.count; ++i) {
            Task task;
            task.index = static_cast<int>(tasks.size());
            task.name = SequenceName(task.index);
            task.source = entry.source;
            task.source.random.seed += static_cast<std::uint64_t>(i);
            task.settings = entry.settings;
            tasks.push_back(std::move(task));
        }
    return tasks;
}

std::vector<std::string> TaskSceneLines(const Task& task)
{
    switch (task.source.kind) {
    case SceneSource::Kind::file:
        return ReadSceneFile(task.source.path);
    case SceneSource::Kind::text:
        return SplitLines(task.source.text);
    case SceneSource::Kind::random:
        return RandomSceneLines(task.source.random);
    }
    return {};
}

std::string TaskKey(const Task& task, const std::vector<std::string>& sceneLines)
{
    const SequenceSettings& s = task.settings;
    std::string text = "size " + std::to_string(s.size.width) + "x" + std::to_string(s.size.height) + "\nbaseline "
        + Shortest(s.baseline) + "\nfocal " + Shortest(s.focal) + "\nbackground " + std::to_string(s.background[0])
        + "," + std::to_string(s.background[1]) + "," + std::to_string(s.background[2]) + "\ncameras "
        + (s.leftCamera ? "L" : "") + (s.rightCamera ? "R" : "") + "\nformats";
    for (const std::string& name : s.formats.names())
        text += " " + name;
    text += "\nantialias " + std::to_string(s.antialias) + "\npalette " + std::to_string(s.palette) + "\nseed "
        + std::to_string(s.seed) + "\nscene\n";
    for (const std::string& line : sceneLines)
        text += line + "\n";
    return Crc32Text(Crc32(text));
}

bool InShard(const Task& task, const Shard& shard)
{
    return task.index % shard.count == shard.index;
}

Shard ParseShard(const std::string& text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos)
        throw UserError("shard '" + text + "' is not K/N");
    Shard shard;
    shard.index = ParseCount(text.substr(0, slash), "shard index");
    shard.count = ParseCount(text.substr(slash + 1), "shard count");
    if (shard.count < 1 || shard.index >= shard.count)
        throw UserError("shard '" + text + "' needs 0 <= K < N");
    shard.origin = "--shard";
    return shard;
}

std::optional<Shard> SchedulerShard(const std::function<const char*(const char*)>& variable,
                                    std::optional<int> shards)
{
    Shard shard;
    if (const char* id = variable("SLURM_ARRAY_TASK_ID")) {
        const char* count = variable("SLURM_ARRAY_TASK_COUNT");
        const char* min = variable("SLURM_ARRAY_TASK_MIN");
        if (!count || !min)
            throw UserError("SLURM_ARRAY_TASK_ID is set without SLURM_ARRAY_TASK_COUNT and SLURM_ARRAY_TASK_MIN");
        shard.index = ParseCount(id, "SLURM_ARRAY_TASK_ID") - ParseCount(min, "SLURM_ARRAY_TASK_MIN");
        shard.count = ParseCount(count, "SLURM_ARRAY_TASK_COUNT");
        shard.origin = "the Slurm job array (SLURM_ARRAY_TASK_ID " + std::string(id) + ", SLURM_ARRAY_TASK_MIN "
            + min + ", SLURM_ARRAY_TASK_COUNT " + count + ")";
    } else if (const char* index = variable("JOB_COMPLETION_INDEX")) {
        if (!shards)
            throw UserError("JOB_COMPLETION_INDEX is set: --shards N must say how many indexes the job has");
        shard.index = ParseCount(index, "JOB_COMPLETION_INDEX");
        shard.count = *shards;
        shard.origin = "the indexed job (JOB_COMPLETION_INDEX " + std::string(index) + " of --shards "
            + std::to_string(*shards) + ")";
    } else {
        return std::nullopt;
    }
    if (shard.count < 1 || shard.index < 0 || shard.index >= shard.count)
        throw UserError("the scheduler's shard " + std::to_string(shard.index) + "/" + std::to_string(shard.count)
                        + " needs 0 <= K < N (an array with a step other than 1?)");
    return shard;
}

} // namespace tavrik
