#include "tests/cli/CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::RunCli;

// Every file under `folder` by its path inside it, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = ReadText(entry.path());
    return files;
}

// The paths that only one of two trees holds or whose bytes differ: a
// failure names them instead of printing megabytes of images.
std::vector<std::string> Differences(const std::map<std::string, std::string>& a,
                                     const std::map<std::string, std::string>& b)
{
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : a)
        if (const auto other = b.find(path); other == b.end() || other->second != bytes)
            paths.push_back(path);
    for (const auto& [path, bytes] : b)
        if (!a.contains(path))
            paths.push_back(path);
    return paths;
}

std::vector<std::string> Temporaries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".tmp-", 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

void WritePlan(const fs::path& path, const std::string& text)
{
    std::ofstream(path) << text;
}

// Eight sequences, one block with a floor plane (whose colours come from
// the engine's seeded generator), both cameras and every format.
constexpr const char* eightSequences = R"({
  "settings": {"size": "320x240", "camera": "both", "formats": "all"},
  "sequences": [
    {"random": {"count": 5, "seed": 300, "frames": 3, "objects": 25}},
    {"random": {"count": 3, "seed": 900, "frames": 3, "motion": "large", "floor": true}, "settings": {"seed": 4}}
  ]
})";

// Sequence k has the same bytes whatever engine rendered it and whatever
// that engine rendered before: one worker, two workers, four shards (by
// hand and from the schedulers' variables).
TEST(BatchCommand, EverySplitOfThePlanWritesTheSameBytes)
{
    const fs::path folder = test::ScratchFolder();
    WritePlan(folder / "plan.json", eightSequences);
    const auto one = RunCli("batch plan.json --out one --jobs 1", folder);
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_NE(one.out.find("rendered 8 of 8 sequences (48 frames"), std::string::npos) << one.out;
    const auto two = RunCli("batch plan.json --out two --jobs 2", folder);
    ASSERT_EQ(two.exitCode, 0) << two.err;

    const char* shardRuns[] = {
        "batch plan.json --out shards --jobs 1 --shard 0/4",
        "batch plan.json --out shards --jobs 2 --shard 1/4",
        "batch plan.json --out shards --shards 4",
        "batch plan.json --out shards",
    };
    const char* environments[] = {"", "", "JOB_COMPLETION_INDEX=2",
                                  "SLURM_ARRAY_TASK_ID=13 SLURM_ARRAY_TASK_MIN=10 SLURM_ARRAY_TASK_COUNT=4"};
    for (int k = 0; k < 4; ++k) {
        const auto run = RunCli(shardRuns[k], folder, std::string(environments[k]) + " exec");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.err.find("2 sequences to render"), std::string::npos) << run.err;
        if (k >= 2) {
            EXPECT_NE(run.err.find("shard " + std::to_string(k) + "/4 from "), std::string::npos) << run.err;
        }
    }

    const auto expected = Tree(folder / "one");
    EXPECT_EQ(expected.count("000007/left_0002.bmp"), 1u);
    EXPECT_EQ(expected.count("000007/record.txt"), 1u);
    EXPECT_THAT(Differences(Tree(folder / "two"), expected), testing::IsEmpty());
    EXPECT_THAT(Differences(Tree(folder / "shards"), expected), testing::IsEmpty());
}

TEST(BatchCommand, AKilledWorkerLeavesNothingThatARerunDoesNotRepair)
{
    const fs::path folder = test::ScratchFolder();
    WritePlan(folder / "plan.json", R"({"settings": {"size": "320x240", "camera": "both", "formats": "all"},
        "sequences": [{"random": {"count": 3, "seed": 5, "frames": 12}}]})");
    ASSERT_EQ(RunCli("batch plan.json --out whole --jobs 1", folder).exitCode, 0);

    const fs::path log = folder / "killed.txt";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        chdir(folder.c_str());
        execl(TAVRIK_CLI_PATH, TAVRIK_CLI_PATH, "batch", "plan.json", "--out", "killed", "--jobs", "1", nullptr);
        _exit(127);
    }
    // The first sequence's line says the second one is being written; the
    // kill comes once some of its files are there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    const auto midSequence = [&] {
        if (ReadText(log).find("000000: ") == std::string::npos || !fs::exists(folder / "killed"))
            return false;
        for (const std::string& name : Temporaries(folder / "killed"))
            if (name.rfind(".tmp-000001-", 0) == 0 && fs::exists(folder / "killed" / name / "0")
                && !fs::is_empty(folder / "killed" / name / "0"))
                return true;
        return false;
    };
    while (!midSequence() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before the kill: " << ReadText(log);
    ASSERT_EQ(Temporaries(folder / "killed").size(), 1u);
    struct stat first {};
    ASSERT_EQ(stat((folder / "killed" / "000000").c_str(), &first), 0);

    const auto rerun = RunCli("batch plan.json --out killed --jobs 1", folder);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err;
    EXPECT_NE(rerun.err.find("2 sequences to render, 1 complete already"), std::string::npos) << rerun.err;
    EXPECT_NE(rerun.err.find("removed .tmp-000001-"), std::string::npos) << rerun.err;
    struct stat after {};
    ASSERT_EQ(stat((folder / "killed" / "000000").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, first.st_ino) << "the complete sequence was rendered again";
    EXPECT_TRUE(Temporaries(folder / "killed").empty());
    EXPECT_THAT(Differences(Tree(folder / "killed"), Tree(folder / "whole")), testing::IsEmpty());
}

TEST(BatchCommand, BrokenSequencesAreNamedAndTheOthersRendered)
{
    const fs::path folder = test::ScratchFolder();
    WritePlan(folder / "plan.json", R"({"settings": {"size": "320x240"}, "sequences": [
        {"text": "SPHERE; id 1; texture: 2; colour: 1; 1; 1; position: 0; 2; 0; 0; 0; 0; dim: 0.5\nEGO; 0; 0; 0.1; 0; 0; 0"},
        {"text": "SPHERE; id 1; texture: 2; colour: 1; 1; 1; position: 0; 2; 0; 0; 0; 0; dim: 0.5x.5\nEGO; 0; 0; 0; 0; 0; 0"},
        {"scene": "nowhere.scene"},
        {"text": "// no frames"}]})");
    const auto run = RunCli("batch plan.json --out data --jobs 2", folder);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("failed sequences: "), std::string::npos) << run.err;
    const std::string convert = "the scene has convert errors: line 1: Convert error: '      0.5 .5' is not a valid floating "
                                "point value (field 12: \" dim: 0.5x.5\")";
    EXPECT_NE(run.err.find("000001 (" + convert + ")"), std::string::npos) << run.err;
    EXPECT_EQ(ReadText(folder / "data" / "failed" / "000001.txt"), convert + "\n");
    EXPECT_EQ(ReadText(folder / "data" / "failed" / "000003.txt"), "the scene has no EGO line\n");
    EXPECT_TRUE(fs::exists(folder / "data" / "000000" / "record.txt"));

    const auto status = RunCli("batch plan.json --out data --status", folder);
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.out, "done 1: 000000\nfailed 3: 000001 000002 000003\n  000001: " + convert
                              + "\n  000002: Cannot open file nowhere.scene\n  000003: the scene has no EGO line\nmissing 0\n");
    EXPECT_EQ(RunCli("batch plan.json --out elsewhere --status", folder).out,
              "done 0\nfailed 0\nmissing 4: 000000 000001 000002 000003\n");
}

TEST(BatchCommand, AChangedPlanIsRefusedUnlessForced)
{
    const fs::path folder = test::ScratchFolder();
    WritePlan(folder / "plan.json", R"({"settings": {"size": "320x240"},
        "sequences": [{"random": {"count": 2, "seed": 1, "frames": 1}}]})");
    ASSERT_EQ(RunCli("batch plan.json --out data", folder).exitCode, 0);
    WritePlan(folder / "plan.json", R"({"settings": {"size": "320x240"},
        "sequences": [{"random": {"count": 2, "seed": 2, "frames": 1}}]})");
    const auto refused = RunCli("batch plan.json --out data", folder);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("data was made from another plan"), std::string::npos) << refused.err;
    // Seeds 2 and 3 now: the old sequence 1 (seed 2) is not sequence 0's
    // scene under its key, so both are rendered again.
    const auto forced = RunCli("batch plan.json --out data --force", folder);
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(forced.err.find("2 sequences to render, 0 complete already"), std::string::npos) << forced.err;
    EXPECT_EQ(ReadText(folder / "data" / "plan.json"), ReadText(folder / "plan.json"));
}

} // namespace
} // namespace tavrik
