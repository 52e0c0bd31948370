#include "batch/Tasks.h"

#include "base/UserError.h"
#include "batch/DatasetFolder.h"

#include <gtest/gtest.h>

#include <map>

namespace tavrik {
namespace {

TEST(Tasks, RandomBlocksGiveOneNumberedTaskPerSceneSeed)
{
    const Plan plan = ParsePlan(R"({"sequences": [{"text": "EGO; 0; 0; 0; 0; 0; 0"},
        {"random": {"count": 3, "seed": 10, "frames": 2}}]})",
                                "p.json");
    const std::vector<Task> tasks = PlanTasks(plan);
    ASSERT_EQ(tasks.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tasks[i].index, i);
        EXPECT_EQ(tasks[i].name, "00000" + std::to_string(i));
    }
    EXPECT_EQ(tasks[3].source.random.seed, 12u);
    EXPECT_EQ(TaskSceneLines(tasks[2]), RandomSceneLines({11, 0, 2, MotionPreset::medium, false}));
    EXPECT_EQ(SequenceName(1234567), "1234567");

    // The key follows the scene and every setting.
    const std::string key = TaskKey(tasks[1], TaskSceneLines(tasks[1]));
    EXPECT_NE(TaskKey(tasks[1], TaskSceneLines(tasks[2])), key);
    Task other = tasks[1];
    other.settings.seed = 2;
    EXPECT_NE(TaskKey(other, TaskSceneLines(tasks[1])), key);
    EXPECT_EQ(TaskKey(tasks[1], TaskSceneLines(tasks[1])), key);
}

struct ShardCase {
    std::map<std::string, std::string> environment;
    std::optional<int> shards;
    std::optional<std::pair<int, int>> shard; // K, N; none: no scheduler
    bool error;
};

class SchedulerShardTest : public ::testing::TestWithParam<ShardCase> {};

TEST_P(SchedulerShardTest, ReadsTheSchedulersVariables)
{
    const ShardCase& c = GetParam();
    const auto variable = [&](const char* name) -> const char* {
        const auto found = c.environment.find(name);
        return found == c.environment.end() ? nullptr : found->second.c_str();
    };
    if (c.error) {
        EXPECT_THROW(SchedulerShard(variable, c.shards), UserError);
        return;
    }
    const std::optional<Shard> shard = SchedulerShard(variable, c.shards);
    ASSERT_EQ(shard.has_value(), c.shard.has_value());
    if (shard) {
        EXPECT_EQ(shard->index, c.shard->first);
        EXPECT_EQ(shard->count, c.shard->second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SchedulerShardTest,
    ::testing::Values(
        ShardCase{{}, std::nullopt, std::nullopt, false},
        ShardCase{{{"SLURM_ARRAY_TASK_ID", "7"}, {"SLURM_ARRAY_TASK_MIN", "5"}, {"SLURM_ARRAY_TASK_COUNT", "4"}},
                  std::nullopt, std::pair{2, 4}, false},
        ShardCase{{{"SLURM_ARRAY_TASK_ID", "4"}, {"SLURM_ARRAY_TASK_MIN", "0"}, {"SLURM_ARRAY_TASK_COUNT", "4"}},
                  std::nullopt, std::nullopt, true},
        ShardCase{{{"SLURM_ARRAY_TASK_ID", "1"}}, std::nullopt, std::nullopt, true},
        ShardCase{{{"JOB_COMPLETION_INDEX", "3"}}, 8, std::pair{3, 8}, false},
        ShardCase{{{"JOB_COMPLETION_INDEX", "3"}}, std::nullopt, std::nullopt, true},
        ShardCase{{{"JOB_COMPLETION_INDEX", "x"}}, 8, std::nullopt, true}));

TEST(Tasks, ShardTextAndTemporaryFolderNames)
{
    const Shard shard = ParseShard("2/5");
    EXPECT_EQ(shard.index, 2);
    EXPECT_EQ(shard.count, 5);
    for (const char* bad : {"5/5", "2", "-1/3", "1/0", "a/b", "1/3x"})
        EXPECT_THROW(ParseShard(bad), UserError) << bad;

    const std::optional<TemporaryOwner> owner = TemporaryFolderOwner(".tmp-000042-node-07.cluster-12345");
    ASSERT_TRUE(owner);
    EXPECT_EQ(owner->sequence, "000042");
    EXPECT_EQ(owner->host, "node-07.cluster");
    EXPECT_EQ(owner->pid, 12345);
    EXPECT_FALSE(TemporaryFolderOwner("000042"));
    EXPECT_FALSE(TemporaryFolderOwner(".tmp-000042-host-"));
}

} // namespace
} // namespace tavrik
