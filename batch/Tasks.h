#pragma once

#include "batch/Plan.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {

// One sequence of a plan, the unit of work of a batch.
struct Task {
    int index = 0;    // 0-based position among the plan's sequences
    std::string name; // SequenceName(index): the sequence folder's name
    SceneSource source; // for a random block the seed of this very sequence
    SequenceSettings settings;
};

// "000123": the index with six digits at least, so names sort in plan order.
std::string SequenceName(int index);

// Every sequence of the plan, in order; a random block of count N gives N
// tasks whose scene seeds are seed, seed + 1, …
std::vector<Task> PlanTasks(const Plan& plan);

// The scene text of a task. Throws UserError when its scene file cannot be read.
std::vector<std::string> TaskSceneLines(const Task& task);

// A fingerprint of everything the task's files depend on (its settings and
// scene text), as eight hex digits; a sequence folder made with another one
// is out of date.
std::string TaskKey(const Task& task, const std::vector<std::string>& sceneLines);

// The share K of N a process renders: the tasks whose index is K modulo N.
struct Shard {
    int index = 0;
    int count = 1;
    std::string origin = "whole plan"; // what set it, for the user
};

bool InShard(const Task& task, const Shard& shard);

// "K/N" with 0 ≤ K < N. Throws UserError otherwise.
Shard ParseShard(const std::string& text);

// The shard a scheduler gives through the environment (`variable` returns
// the value of a variable or null): a Slurm job array (SLURM_ARRAY_TASK_ID
// minus SLURM_ARRAY_TASK_MIN of SLURM_ARRAY_TASK_COUNT), or a Kubernetes
// Indexed Job (JOB_COMPLETION_INDEX of `shards`, which must then be given).
// No value when neither is set. Throws UserError for values that make no shard.
std::optional<Shard> SchedulerShard(const std::function<const char*(const char*)>& variable,
                                    std::optional<int> shards);

} // namespace tavrik
