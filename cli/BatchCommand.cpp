#include "cli/Command.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "batch/Batch.h"
#include "render/GenerationSettings.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace tavrik::cli {

namespace {

struct BatchCommandOptions {
    std::string plan;
    std::string out;
    int jobs = 0;
    std::string shard;
    int shards = 0;
    bool force = false;
    bool status = false;
    bool quiet = false;
    std::string textures;
};

// One line per finished sequence, and under it a bar of the whole batch
// while stderr is a terminal.
class BatchReporter {
public:
    explicit BatchReporter(bool bar) : bar_(bar), start_(std::chrono::steady_clock::now()) {}

    void Planned(int toRender, int skipped)
    {
        total_ = toRender;
        std::fprintf(stderr, "tavrik-cli: %d sequences to render, %d complete already\n", toRender, skipped);
        ShowBar();
    }
    void Finished(const SequenceOutcome& o)
    {
        ++done_;
        frames_ += o.frames;
        if (bar_)
            std::fputs("\r\033[K", stderr);
        if (o.ok)
            std::fprintf(stderr, "%s: %d frames in %.2f s\n", o.name.c_str(), o.frames, o.seconds);
        else
            std::fprintf(stderr, "%s: failed: %s\n", o.name.c_str(), o.reason.c_str());
        ShowBar();
    }
    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    long frames() const { return frames_; }

private:
    void ShowBar()
    {
        if (!bar_ || total_ == 0)
            return;
        constexpr int width = 30;
        const int filled = done_ * width / total_;
        const double elapsed = seconds();
        const double left = done_ > 0 ? elapsed * (total_ - done_) / done_ : 0.0;
        std::fprintf(stderr, "[%.*s%*s] %d/%d sequences, %.1f frames/s, %d:%02d left", filled,
                     "##############################", width - filled, "", done_, total_,
                     elapsed > 0 ? frames_ / elapsed : 0.0, static_cast<int>(left) / 60, static_cast<int>(left) % 60);
        if (done_ == total_)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }

    bool bar_;
    std::chrono::steady_clock::time_point start_;
    int total_ = 0;
    int done_ = 0;
    long frames_ = 0;
};

void PrintNames(const char* label, const std::vector<std::string>& names)
{
    std::printf("%s %zu", label, names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        std::printf("%s%s", i == 0 ? ": " : " ", names[i].c_str());
    std::printf("\n");
}

int PrintStatus(const Plan& plan, const std::string& out)
{
    const DatasetStatus status = ReadDatasetStatus(plan, out);
    std::vector<std::string> failed;
    for (const auto& [name, reason] : status.failed)
        failed.push_back(name);
    PrintNames("done", status.done);
    PrintNames("failed", failed);
    for (const auto& [name, reason] : status.failed)
        std::printf("  %s: %s\n", name.c_str(), reason.c_str());
    PrintNames("missing", status.missing);
    return exitOk;
}

int RunBatchCommand(const BatchCommandOptions& options)
{
    std::string planText;
    Plan plan;
    Shard shard;
    try {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(options.plan, 64u << 20, "Plan too large: " + options.plan);
        planText.assign(bytes.begin(), bytes.end());
        plan = ParsePlan(planText, options.plan);
        if (options.status)
            return PrintStatus(plan, options.out);
        if (!options.shard.empty())
            shard = ParseShard(options.shard);
        else if (const std::optional<Shard> scheduled = SchedulerShard(
                     [](const char* name) { return std::getenv(name); },
                     options.shards > 0 ? std::optional<int>(options.shards) : std::nullopt))
            shard = *scheduled;
    } catch (const UserError& e) {
        std::cerr << "tavrik-cli: " << e.what() << '\n';
        return exitUsage;
    }
    if (shard.count > 1)
        std::cerr << "tavrik-cli: shard " << shard.index << "/" << shard.count << " from " << shard.origin << '\n';
    else
        std::cerr << "tavrik-cli: the whole plan (no --shard and no scheduler shard in the environment)\n";

    BatchOptions batch;
    batch.out = options.out;
    batch.shard = shard;
    batch.force = options.force;
    // Each worker draws on one core while its writer thread uses another's
    // spare time, so one per core keeps every core busy.
    batch.jobs = options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    batch.texturesFolder = options.textures.empty() ? DefaultTexturesFolder() : options.textures;

    BatchReporter reporter(!options.quiet && isatty(STDERR_FILENO));
    const BatchSummary summary = RunBatch(
        plan, planText, batch, [&](int toRender, int skipped) { reporter.Planned(toRender, skipped); },
        [&](const SequenceOutcome& o) { reporter.Finished(o); });

    for (const std::string& name : summary.removedTemporaries)
        std::cerr << "tavrik-cli: removed " << name << ", left by a process that is gone\n";
    std::vector<std::string> failed;
    int rendered = 0;
    for (const SequenceOutcome& o : summary.outcomes) {
        if (o.ok)
            ++rendered;
        else
            failed.push_back(o.name + " (" + o.reason + ")");
    }
    for (const std::string& error : summary.workerErrors)
        std::cerr << "tavrik-cli: " << error << '\n';
    const double seconds = reporter.seconds();
    std::printf("rendered %d of %d sequences (%ld frames, %.1f frames/s), %d complete already, %zu failed\n",
                rendered, summary.tasks, reporter.frames(), seconds > 0 ? reporter.frames() / seconds : 0.0,
                summary.skipped, failed.size());
    if (!failed.empty()) {
        std::cerr << "tavrik-cli: failed sequences:";
        for (const std::string& f : failed)
            std::cerr << ' ' << f;
        std::cerr << '\n';
    }
    const int missing = summary.tasks - summary.skipped - static_cast<int>(summary.outcomes.size());
    if (missing > 0)
        std::cerr << "tavrik-cli: " << missing << " sequences were not finished; a re-run renders them\n";
    return failed.empty() && summary.workerErrors.empty() && missing == 0 ? exitOk : exitFailure;
}

} // namespace

Command AddBatchCommand(CLI::App& app)
{
    auto options = std::make_shared<BatchCommandOptions>();
    CLI::App* sub = app.add_subcommand("batch", "Render a dataset plan (JSON) into numbered sequence folders, "
                                                "resuming where an earlier run stopped");
    sub->add_option("PLAN", options->plan, "Dataset plan, a JSON file")->required()->check(CLI::ExistingFile);
    sub->add_option("--out", options->out, "Dataset folder")->required();
    sub->add_option("--jobs,-j", options->jobs, "Worker processes (default: one per core)")->check(CLI::Range(1, 256));
    sub->add_option("--shard", options->shard,
                    "Render only the sequences whose index is K modulo N (K/N); default: the scheduler's share");
    sub->add_option("--shards", options->shards,
                    "Number of indexes of a Kubernetes Indexed Job (with JOB_COMPLETION_INDEX)")
        ->check(CLI::Range(1, 1000000));
    sub->add_flag("--force", options->force, "Render a changed plan into a folder made from another one");
    sub->add_flag("--status", options->status, "Print the done, failed and missing sequences; render nothing");
    sub->add_flag("--quiet,-q", options->quiet, "No progress bar");
    sub->add_option("--textures", options->textures,
                    "Folder holding tex0.bmp to tex10.bmp (default: as for render)");
    return {sub, [options] { return RunBatchCommand(*options); }};
}

} // namespace tavrik::cli
