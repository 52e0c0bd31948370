// A dataset of 20 random sequences (10 frames, 512 × 384, both cameras,
// every format) made three ways, side by side: 20 separate `render` runs
// one after another (each pays its process, render context and textures),
// one `batch` with one worker, and one `batch` with a worker per core.
// Frames per second of each, the ratios, and the peak resident memory of
// the largest process (for a batch, of one worker).
//
//   tavrik-batch-bench [--sequences N] [--frames M] [--out DIR]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Measured {
    double seconds = 0.0;
    long peakKiB = 0;
};

// Runs tavrik-cli with `arguments`, its output and messages to /dev/null; exits the bench
// on failure. The peak memory is the largest of the process and the
// workers it waited for.
Measured RunCli(const std::vector<std::string>& arguments)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(TAVRIK_CLI_PATH)};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execv(TAVRIK_CLI_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "tavrik-cli %s ... failed\n", arguments.front().c_str());
        std::exit(1);
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), usage.ru_maxrss};
}

} // namespace

int main(int argc, char** argv)
{
    int sequences = 20;
    int frames = 10;
    fs::path out = fs::temp_directory_path() / "tavrik-batch-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sequences") == 0)
            sequences = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--frames") == 0)
            frames = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
    }
    fs::remove_all(out);
    fs::create_directories(out / "scenes");
    fs::create_directories(out / "render");
    const int seed = 1000;
    std::ofstream(out / "plan.json") << "{\"settings\": {\"size\": \"512x384\", \"camera\": \"both\", \"formats\": "
                                        "\"all\"}, \"sequences\": [{\"random\": {\"count\": "
                                     << sequences << ", \"seed\": " << seed << ", \"frames\": " << frames << "}}]}\n";
    // The very scenes of the plan's random block: seed + i.
    std::vector<std::string> scenes;
    for (int i = 0; i < sequences; ++i) {
        const std::string path = (out / "scenes" / (std::to_string(i) + ".scene")).string();
        const pid_t pid = fork();
        if (pid == 0) {
            std::freopen(path.c_str(), "w", stdout);
            execl(TAVRIK_CLI_PATH, TAVRIK_CLI_PATH, "scene", "random", "--seed", std::to_string(seed + i).c_str(),
                  "--frames", std::to_string(frames).c_str(), nullptr);
            _exit(127);
        }
        waitpid(pid, nullptr, 0);
        scenes.push_back(path);
    }

    const double total = 2.0 * sequences * frames;
    Measured separate;
    for (int i = 0; i < sequences; ++i) {
        const Measured one = RunCli({"render", scenes[i], "--out", (out / "render").string(), "--sequence",
                                     std::to_string(i % 101), "--camera", "both", "--size", "512x384", "--formats",
                                     "all", "--quiet"});
        separate.seconds += one.seconds;
        separate.peakKiB = std::max(separate.peakKiB, one.peakKiB);
    }
    const Measured single = RunCli({"batch", (out / "plan.json").string(), "--out", (out / "batch1").string(),
                                    "--jobs", "1", "--quiet"});
    const Measured parallel =
        RunCli({"batch", (out / "plan.json").string(), "--out", (out / "batch").string(), "--quiet"});

    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    std::printf("%d random sequences of %d frames, 512 x 384, both cameras, --formats all (%.0f frames), %ld cores\n",
                sequences, frames, total, cores);
    std::printf("%-34s %8s %10s %8s %12s\n", "", "seconds", "frames/s", "ratio", "peak MiB");
    const auto row = [&](const char* name, const Measured& m) {
        std::printf("%-34s %8.2f %10.2f %7.2fx %12.1f\n", name, m.seconds, total / m.seconds,
                    separate.seconds / m.seconds, m.peakKiB / 1024.0);
    };
    row("separate render runs", separate);
    row("batch --jobs 1", single);
    row("batch (one worker per core)", parallel);
    fs::remove_all(out);
    return 0;
}
