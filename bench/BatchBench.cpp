// A dataset of 20 random sequences (10 frames, 512 × 384, both cameras,
// every format) made three ways, side by side: 20 separate `render` runs
// one after another (each pays its process, render context and textures),
// one `batch` with one worker, and one `batch` with a worker per core (or
// --jobs J). The three are repeated R times in turn, each repeat starting
// with the next of them, so load that comes and goes on a shared machine
// falls on all three alike. Before every measured run the output of the one
// before is removed and the page cache written back (sync) outside the
// timing, so every run starts from the same state of the disk cache (a run
// writes about 4.5 GB).
//
// Prints the median seconds of the R runs of each, with the lowest and
// highest, frames per second and the ratio to the separate runs (of the
// medians), the median CPU time (user and system, all threads of every
// process) per frame, which shows the work itself where other programs'
// load moves the wall-clock times, and the peak resident memory of one process over all repeats:
// of a `render` run, or of the largest process of a batch, which for a
// batch with workers is one worker (the parent forks them before it makes
// any engine).
//
//   tavrik-batch-bench [--sequences N] [--frames M] [--repeats R] [--jobs J] [--out DIR]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    double cpuSeconds = 0.0; // user and system, of every process
    long peakKiB = 0;
};

double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs tavrik-cli with `arguments`, its output and messages to /dev/null;
// exits the bench on failure. The peak memory is the largest of the process
// and the workers it waited for, the CPU time that of all of them.
Measured RunCli(const std::vector<std::string>& arguments)
{
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
    return {0.0, Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss};
}

// Times `runs` (each one tavrik-cli process) as one.
Measured TimeRuns(const std::vector<std::vector<std::string>>& runs)
{
    Measured m;
    const auto start = std::chrono::steady_clock::now();
    for (const std::vector<std::string>& arguments : runs) {
        const Measured one = RunCli(arguments);
        m.cpuSeconds += one.cpuSeconds;
        m.peakKiB = std::max(m.peakKiB, one.peakKiB);
    }
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return m;
}

struct Mode {
    const char* name;
    std::vector<std::vector<std::string>> runs;
};

// What the repeats of one mode measured.
struct Results {
    std::vector<double> seconds;
    std::vector<double> cpuSeconds;
    long peakKiB = 0;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char** argv)
{
    int sequences = 20;
    int frames = 10;
    int repeats = 3;
    int jobs = 0;
    fs::path out = fs::temp_directory_path() / "tavrik-batch-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sequences") == 0)
            sequences = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--frames") == 0)
            frames = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--repeats") == 0)
            repeats = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--jobs") == 0)
            jobs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
    }
    fs::remove_all(out);
    fs::create_directories(out / "scenes");
    const int seed = 1000;
    std::ofstream(out / "plan.json") << "{\"settings\": {\"size\": \"512x384\", \"camera\": \"both\", \"formats\": "
                                        "\"all\"}, \"sequences\": [{\"random\": {\"count\": "
                                     << sequences << ", \"seed\": " << seed << ", \"frames\": " << frames << "}}]}\n";
    // The very scenes of the plan's random block: seed + i.
    const fs::path dataset = out / "dataset";
    std::vector<std::vector<std::string>> renders;
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
        renders.push_back({"render", path, "--out", dataset.string(), "--sequence", std::to_string(i % 101),
                           "--camera", "both", "--size", "512x384", "--formats", "all", "--quiet"});
    }
    const std::vector<std::string> batch{"batch", (out / "plan.json").string(), "--out", dataset.string(), "--quiet"};
    std::vector<std::string> batchOne = batch;
    batchOne.insert(batchOne.end(), {"--jobs", "1"});
    std::vector<std::string> batchMany = batch;
    if (jobs > 0)
        batchMany.insert(batchMany.end(), {"--jobs", std::to_string(jobs)});
    const std::string manyName = jobs > 0 ? "batch --jobs " + std::to_string(jobs) : "batch (one worker per core)";
    std::vector<Mode> modes{{"separate render runs", renders}, {"batch --jobs 1", {batchOne}},
                            {manyName.c_str(), {batchMany}}};

    std::vector<Results> results(modes.size());
    for (int r = 0; r < repeats; ++r)
        for (std::size_t k = 0; k < modes.size(); ++k) {
            const std::size_t index = (static_cast<std::size_t>(r) + k) % modes.size();
            fs::remove_all(dataset);
            fs::create_directories(dataset);
            sync();
            const Measured m = TimeRuns(modes[index].runs);
            Results& result = results[index];
            result.seconds.push_back(m.seconds);
            result.cpuSeconds.push_back(m.cpuSeconds);
            result.peakKiB = std::max(result.peakKiB, m.peakKiB);
            std::fprintf(stderr, "repeat %d: %s %.2f s, %.2f s CPU\n", r + 1, modes[index].name, m.seconds,
                         m.cpuSeconds);
        }

    const double total = 2.0 * sequences * frames;
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    std::printf("%d random sequences of %d frames, 512 x 384, both cameras, --formats all (%.0f frames), %ld cores, "
                "medians of %d\n",
                sequences, frames, total, cores, repeats);
    std::printf("%-30s %8s %15s %10s %8s %14s %18s\n", "", "seconds", "(lowest-highest)", "frames/s", "ratio",
                "CPU ms/frame", "peak MiB/process");
    const double separate = Median(results.front().seconds);
    for (std::size_t k = 0; k < modes.size(); ++k) {
        const Results& result = results[k];
        const double median = Median(result.seconds);
        const auto [lowest, highest] = std::minmax_element(result.seconds.begin(), result.seconds.end());
        std::printf("%-30s %8.2f %7.2f-%-7.2f %10.2f %7.2fx %14.1f %18.1f\n", modes[k].name, median, *lowest,
                    *highest, total / median, separate / median, Median(result.cpuSeconds) * 1000.0 / total,
                    result.peakKiB / 1024.0);
    }
    fs::remove_all(out);
    return 0;
}
