#include "tests/cli/CliRunner.h"

#include "base/FileIo.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

// The default scene's objects over `frames` frames.
std::string LongScene(int frames)
{
    std::string text = "SPHERE; 25; 9; 1;1;1; 0;1;-0.2; 0;0;0; 0.65\n"
                       "QUAD; 160; 0; 1;1;0.5; -1.6;-2;-1.4; 1.6;-2;-1.4; 1.6;6;-1.4; -1.6;6;-1.4\n";
    for (int i = 0; i < frames; ++i)
        text += "EGO; 0; 0; 0.02; 0.1; 0; 0\n";
    return text;
}

// tavrik-cli with `arguments` started in `folder`, stdout and stderr to
// files there; returns its pid.
pid_t StartCli(const std::vector<std::string>& arguments, const fs::path& folder)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0)
            ::_exit(127);
        const int out = ::open("started-stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open("started-stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(TAVRIK_CLI_PATH)};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(TAVRIK_CLI_PATH, argv.data());
        ::_exit(127);
    }
    return pid;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> Unfinished(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(unfinishedFilePrefix))
            names.push_back(entry.path().filename().string());
    return names;
}

class RenderWritingTest : public testing::Test {
protected:
    test::CliResult Render(const std::string& options)
    {
        return RunCli("render scene.txt --size 320x240 --quiet --out . " + options, out_);
    }
    void WriteScene(const std::string& text) { WriteWholeFile((out_ / "scene.txt").string(), text); }

    fs::path out_ = test::ScratchFolder();
    fs::path sequence_ = out_ / "0";
};

// Planted in the sequence folder before a run: what the run must never write
// through. A frame file is refused with its name; a file of the whole run is
// removed when the run starts, so its link goes and the run goes on.
struct Planted {
    const char* name;
    const char* file; // in the sequence folder
    bool refused;
};

void PrintTo(const Planted& planted, std::ostream* os) { *os << planted.name; }

class PlantedOutputTest : public RenderWritingTest, public testing::WithParamInterface<Planted> {};

TEST_P(PlantedOutputTest, IsRefusedAndWhatItLeadsToStaysUntouched)
{
    WriteScene(LongScene(3));
    fs::create_directories(sequence_);
    const fs::path victim = out_ / "victim.txt";
    WriteWholeFile(victim.string(), std::string_view("thesis"));
    const fs::path planted = sequence_ / GetParam().file;
    const std::string kind = GetParam().name;
    if (kind == "fifo")
        ASSERT_EQ(::mkfifo(planted.c_str(), 0600), 0);
    else
        fs::create_symlink(victim, planted);
    // A hang at a FIFO ends at the time-out instead of holding the tests.
    const auto result =
        RunCli("render scene.txt --size 320x240 --quiet --formats all --out .", out_, "timeout -s KILL 60");
    EXPECT_EQ(result.exitCode, GetParam().refused ? 1 : 0) << result.err;
    if (GetParam().refused)
        EXPECT_NE(result.err.find("Cannot create file ./0/" + std::string(GetParam().file)
                                  + ": not a regular file (a link, FIFO, device or folder is never written through)"),
                  std::string::npos)
            << result.err;
    else
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(planted)));
    EXPECT_EQ(test::ReadText(victim), "thesis");
    EXPECT_TRUE(Unfinished(sequence_).empty());
}

INSTANTIATE_TEST_SUITE_P(Files, PlantedOutputTest,
                         testing::Values(Planted{"scene_link", "scene.txt", false},
                                         Planted{"frame_link", "left_0001.bmp", true},
                                         Planted{"fifo", "ldisp_0000.bmp", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A hard-linked snapshot of a sequence keeps its bytes when the sequence is
// rendered again with other settings.
TEST_F(RenderWritingTest, AHardLinkedSnapshotIsNotChangedByTheNextRun)
{
    WriteScene(LongScene(2));
    ASSERT_EQ(Render("--formats all").exitCode, 0);
    ASSERT_EQ(std::system(("cp -al '" + sequence_.string() + "' '" + (out_ / "snapshot").string() + "'").c_str()), 0);
    const std::string before = test::ReadText(out_ / "snapshot" / "lbindisp_0001.dat");
    ASSERT_EQ(Render("--formats all --baseline 0.3").exitCode, 0);
    // Compared as a whole: a diff of megabytes would take the test's time.
    EXPECT_TRUE(test::ReadText(out_ / "snapshot" / "lbindisp_0001.dat") == before);
    EXPECT_FALSE(test::ReadText(sequence_ / "lbindisp_0001.dat") == before);
}

// A frame's ground truth beyond the five files is written while the next
// frame is made; when one of its files fails, the run still ends at that
// frame: the files after it are missing, and so is every file of the next.
TEST_F(RenderWritingTest, AFailingGroundTruthFileEndsTheRunAtItsFrame)
{
    WriteScene(LongScene(4));
    fs::create_directories(sequence_ / "locc_0001.png");
    const auto result = Render("--formats all");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Cannot create file ./0/locc_0001.png"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(sequence_ / "ldepth_0001.pfm"));
    EXPECT_FALSE(fs::exists(sequence_ / "lflow_0000.flo"));
    for (const char* name : {"left_0002.bmp", "lbindisp_0002.dat", "ldisp_0002.pfm", "tavrik.json"})
        EXPECT_FALSE(fs::exists(sequence_ / name)) << name;
    EXPECT_TRUE(Unfinished(sequence_).empty());
}

// Another user's folder at the sequence's name in a shared folder.
TEST_F(RenderWritingTest, ASequenceFolderOfAnotherUserIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a folder to another user";
    WriteScene(LongScene(1));
    fs::create_directories(sequence_);
    ASSERT_EQ(::chown(sequence_.c_str(), 65534, 65534), 0);
    const auto result = Render("");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tavrik-cli: Folder ./0/ belongs to another user: its files are not written\n");
    EXPECT_TRUE(fs::is_empty(sequence_));
}

// Stopped or killed at any moment, a re-render with another baseline leaves
// either a manifest of its own complete runs (the left camera's alone when it
// ended between the cameras) or none; the calibration never describes the
// old run. SIGINT and SIGTERM end it with their exit codes, a message and
// no temporary file.
class InterruptedRenderTest : public RenderWritingTest, public testing::WithParamInterface<int> {};

TEST_P(InterruptedRenderTest, NeverLeavesAManifestOfOtherFiles)
{
    const int signal = GetParam();
    WriteScene(LongScene(30));
    const std::vector<std::string> rerun{"render", "scene.txt", "--size", "320x240", "--quiet", "--out", ".",
                                         "--camera", "both", "--formats", "all", "--baseline", "0.2"};
    for (const int delayMs : {100, 400, 900, 1600}) {
        ASSERT_EQ(Render("--camera both --formats all").exitCode, 0);
        const std::string firstDisparity = test::ReadText(sequence_ / "ldisp_0000.pfm");
        const pid_t pid = StartCli(rerun, out_);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(pid, signal);
        const int exitCode = WaitFor(pid);
        const std::string err = test::ReadText(out_ / "started-stderr.txt");
        const bool finished = exitCode == 0;
        if (!finished) {
            EXPECT_EQ(exitCode, 128 + signal) << err;
        }
        if (signal != SIGKILL) {
            EXPECT_TRUE(Unfinished(sequence_).empty()) << "after " << delayMs << " ms";
            if (!finished) {
                EXPECT_NE(err.find(std::string("stopped by ") + (signal == SIGINT ? "SIGINT" : "SIGTERM")),
                          std::string::npos)
                    << err;
            }
        }
        // Stopped before its first file (a slow start-up), the run leaves the
        // old run's folder as it was, manifest and all.
        const bool untouched = test::ReadText(sequence_ / "ldisp_0000.pfm") == firstDisparity;
        const std::string manifest = test::ReadText(sequence_ / "tavrik.json");
        EXPECT_TRUE(manifest.empty() || manifest.find("\"baseline\": 0.2,") != std::string::npos || untouched)
            << "after " << delayMs << " ms";
        const std::string calib = test::ReadText(sequence_ / "calib.txt");
        EXPECT_TRUE(calib.empty() || calib.find("baseline=0.2\n") != std::string::npos || untouched) << calib;
    }
    // The next run cleans up after the killed ones.
    ASSERT_EQ(Render("--camera both --formats all --baseline 0.2").exitCode, 0);
    EXPECT_TRUE(Unfinished(sequence_).empty());
    EXPECT_NE(test::ReadText(sequence_ / "tavrik.json").find("\"baseline\": 0.2,"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedRenderTest, testing::Values(SIGKILL, SIGTERM, SIGINT),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST_F(RenderWritingTest, ASecondRunIntoABusyFolderIsRefused)
{
    WriteScene(LongScene(60));
    const pid_t first = StartCli({"render", "scene.txt", "--size", "1024x768", "--quiet", "--out", "."}, out_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(sequence_ / ".tavrik.lock") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto second = Render("");
    ::kill(first, SIGTERM);
    EXPECT_EQ(WaitFor(first), 143);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err, "tavrik-cli: Folder ./0/ is in use by another run\n");
}

// A left and a right run make one stereo manifest only when they render the
// same scene text with the same settings.
TEST_F(RenderWritingTest, TheManifestJoinsOnlyRunsOfTheSameScene)
{
    WriteScene(LongScene(2));
    ASSERT_EQ(Render("--formats pfm --camera left").exitCode, 0);
    const auto same = Render("--formats pfm --camera right");
    EXPECT_EQ(same.err, "");
    const std::string both = test::ReadText(sequence_ / "tavrik.json");
    EXPECT_NE(both.find("\"left\""), std::string::npos);
    EXPECT_NE(both.find("\"right\""), std::string::npos);

    WriteScene(LongScene(2) + "SPHERE; 7; -1; 1;1;1; 0;2;0; 0;0;0; 0.2\n");
    const auto other = Render("--formats pfm --camera left");
    EXPECT_EQ(other.err, "tavrik-cli: warning: the manifest's entry of the right camera is dropped: its run had "
                         "other settings or another scene text\n");
    const std::string left = test::ReadText(sequence_ / "tavrik.json");
    EXPECT_NE(left.find("\"left\""), std::string::npos);
    EXPECT_EQ(left.find("\"right\""), std::string::npos);
}

// A longer earlier run's files of every format are counted, and the flow of
// the new last frame, which has none, does not stay.
struct StaleCase {
    const char* formats;
    int files; // of frames 1 and 2 left by a 3-frame run
};

void PrintTo(const StaleCase& c, std::ostream* os) { *os << c.formats; }

class StaleFilesTest : public RenderWritingTest, public testing::WithParamInterface<StaleCase> {};

TEST_P(StaleFilesTest, EveryFormatsFilesAreCountedAndTheLastFlowGoes)
{
    WriteScene(LongScene(3));
    ASSERT_EQ(Render(std::string("--formats ") + GetParam().formats).exitCode, 0);
    WriteScene(LongScene(1));
    const auto result = Render(std::string("--formats ") + GetParam().formats);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "tavrik-cli: warning: " + std::to_string(GetParam().files)
                              + " files of frames 1 and later of the left camera remain in ./0/ from an earlier run\n");
    EXPECT_FALSE(fs::exists(sequence_ / "lflow_0000.flo"));
    EXPECT_FALSE(fs::exists(sequence_ / "lflow_0000.png"));
    EXPECT_FALSE(fs::exists(sequence_ / "ldispchange_0000.pfm"));
}

// Per frame: spec 5, pfm, kitti, depth, occlusion 1 each; forward flow 2 and
// disparity change 1 but none for the last frame; backward flow 2 but none
// for the first.
INSTANTIATE_TEST_SUITE_P(Formats, StaleFilesTest,
                         testing::Values(StaleCase{"all", 18 + 2 + 4 + 1}, StaleCase{"pfm,flow", 2 + 2 + 4}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// Paths are bytes: one that is not UTF-8 reaches the manifest unchanged in
// its escaped form, and the run ends as it should.
TEST_F(RenderWritingTest, PathsThatAreNotUtf8AreWrittenLosslessly)
{
    WriteScene(LongScene(1));
    const std::string bad = "bad\xff";
    fs::create_directories(out_ / bad);
    fs::create_directory_symlink(TAVRIK_SOURCE_DIR "/assets/textures", out_ / ("tex" + bad));
    const auto result = RunCli("render scene.txt --size 320x240 --quiet --formats all --out '" + bad
                                   + "' --textures 'tex" + bad + "'",
                               out_);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string manifest = test::ReadText(out_ / bad / "0" / "tavrik.json");
    EXPECT_NE(manifest.find("\"outputFolder\": \"bad\\udcff\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("\"texturesFolder\": \"texbad\\udcff\""), std::string::npos) << manifest;
}

// Numbers on the command line are decimal whatever their leading zeros.
TEST_F(RenderWritingTest, WholeNumberOptionsAreDecimal)
{
    WriteScene(LongScene(1));
    const auto sequence = Render("--sequence 012 --seed 010 --formats poses");
    ASSERT_EQ(sequence.exitCode, 0) << sequence.err;
    EXPECT_NE(test::ReadText(out_ / "12" / "tavrik.json").find("\"seed\": 10,"), std::string::npos);
    for (const char* refused : {"render scene.txt --sequence 0x10", "render scene.txt --seed 1e3",
                                "ego -z --frames 0x4", "avi --folder . --frames 0x10"}) {
        const auto result = RunCli(refused, out_);
        EXPECT_EQ(result.exitCode, 2) << refused;
        EXPECT_NE(result.err.find("is not a whole number in decimal digits"), std::string::npos) << result.err;
    }
    const auto ego = RunCli("ego -z --frames 010 --no-return", out_);
    EXPECT_EQ(std::count(ego.out.begin(), ego.out.end(), '\n'), 10) << ego.out;
}

// A motion near the largest double overflows the camera of the second frame.
TEST_F(RenderWritingTest, ANonFinitePoseEndsTheRunBeforeItsFrame)
{
    const std::string nearMax = "17" + std::string(307, '0'); // 1.7e308, which the scene text has no form for
    std::string scene = "SPHERE; 25; 9; 1;1;1; 0;1;-0.2; 0;0;0; 0.65\n";
    for (int frame = 0; frame < 3; ++frame)
        scene += "EGO; 0; 0; " + nearMax + "; 0; 0; 0\n";
    WriteScene(scene);
    const auto result = Render("--formats all");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tavrik-cli: Frame 1: the camera's pose is not finite (the EGO motions up to this frame "
                          "are too large): the run ends before its files\n");
    EXPECT_TRUE(fs::exists(sequence_ / "left_0000.bmp"));
    EXPECT_FALSE(fs::exists(sequence_ / "left_0001.bmp"));
    EXPECT_FALSE(fs::exists(sequence_ / "poses.txt"));
}

} // namespace
} // namespace tavrik
