#include "batch/Batch.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "batch/BatchWorker.h"
#include "batch/DatasetFolder.h"
#include "batch/SequenceRecord.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace tavrik {

namespace {

struct Work {
    Task task;
    std::vector<std::string> lines;
    std::string key;
};

SequenceOutcome RenderOne(BatchWorker& worker, const DatasetFolder& dataset, const Work& work)
{
    SequenceOutcome outcome;
    outcome.name = work.task.name;
    const auto start = std::chrono::steady_clock::now();
    try {
        SequenceInProgress sequence(dataset, work.task.name);
        outcome.frames = worker.Render(work.task, work.lines, sequence.outputFolder());
        const std::string content = sequence.contentFolder() + "/";
        WriteWholeFile(content + recordFileName, RecordText(RecordOfFolder(content, work.key, outcome.frames)));
        sequence.Commit();
        dataset.ClearFailure(work.task.name);
        outcome.ok = true;
    } catch (const UserError& e) {
        outcome.reason = e.what();
        try {
            dataset.RecordFailure(work.task.name, outcome.reason);
        } catch (const UserError& again) {
            outcome.reason += "; recording it failed too: " + std::string(again.what());
        }
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

// One line per finished sequence on the pipe from a worker process:
// "ok NAME FRAMES SECONDS" or "fail NAME REASON".
std::string OutcomeLine(const SequenceOutcome& o)
{
    if (o.ok)
        return "ok " + o.name + " " + std::to_string(o.frames) + " " + std::to_string(o.seconds) + "\n";
    std::string reason = o.reason;
    for (char& c : reason)
        if (c == '\n' || c == '\r')
            c = ' ';
    return "fail " + o.name + " " + reason + "\n";
}

std::optional<SequenceOutcome> ParseOutcomeLine(const std::string& line)
{
    std::istringstream in(line);
    std::string word;
    SequenceOutcome o;
    if (!(in >> word >> o.name))
        return std::nullopt;
    o.ok = word == "ok";
    if (o.ok) {
        in >> o.frames >> o.seconds;
    } else {
        std::getline(in, o.reason);
        if (!o.reason.empty() && o.reason.front() == ' ')
            o.reason.erase(0, 1);
    }
    return o;
}

void RunInWorkers(const std::vector<Work>& work, const DatasetFolder& dataset, const BatchOptions& options,
                  const SequenceFinished& finished, BatchSummary& summary)
{
    const int jobs = std::max(1, std::min(options.jobs, static_cast<int>(work.size())));
    const auto record = [&](const SequenceOutcome& o) {
        summary.outcomes.push_back(o);
        finished(o);
    };
    if (jobs == 1) {
        BatchWorker worker(options.texturesFolder);
        for (const Work& w : work)
            record(RenderOne(worker, dataset, w));
        return;
    }
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw UserError("cannot start the worker processes: " + std::string(std::strerror(errno)));
    std::fflush(nullptr);
    std::vector<pid_t> workers;
    for (int j = 0; j < jobs; ++j) {
        const pid_t pid = fork();
        if (pid < 0)
            break;
        if (pid == 0) {
            // A worker: its own engine, every jobs-th sequence of the list.
            close(pipeEnds[0]);
            BatchWorker worker(options.texturesFolder);
            for (std::size_t i = static_cast<std::size_t>(j); i < work.size(); i += static_cast<std::size_t>(jobs)) {
                const std::string line = OutcomeLine(RenderOne(worker, dataset, work[i]));
                // One write per line: lines of several workers never mix.
                if (write(pipeEnds[1], line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                    _exit(3);
            }
            _exit(0);
        }
        workers.push_back(pid);
    }
    close(pipeEnds[1]);
    FILE* lines = fdopen(pipeEnds[0], "r");
    char* buffer = nullptr;
    std::size_t capacity = 0;
    while (lines && getline(&buffer, &capacity, lines) > 0)
        if (const std::optional<SequenceOutcome> o = ParseOutcomeLine(buffer))
            record(*o);
    std::free(buffer);
    if (lines)
        std::fclose(lines);
    if (static_cast<int>(workers.size()) < jobs)
        summary.workerErrors.push_back("only " + std::to_string(workers.size()) + " of " + std::to_string(jobs)
                                       + " worker processes started");
    for (const pid_t pid : workers) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFSIGNALED(status))
            summary.workerErrors.push_back("worker " + std::to_string(pid) + " was ended by signal "
                                           + std::to_string(WTERMSIG(status)));
        else if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
            summary.workerErrors.push_back("worker " + std::to_string(pid) + " ended with exit code "
                                           + std::to_string(WEXITSTATUS(status)));
    }
}

} // namespace

BatchSummary RunBatch(const Plan& plan, const std::string& planText, const BatchOptions& options,
                      const BatchPlanned& planned, const SequenceFinished& finished)
{
    const DatasetFolder dataset(options.out);
    dataset.AdoptPlan(planText, plan.canonical, options.force);
    BatchSummary summary;
    summary.removedTemporaries = dataset.RemoveStaleTemporaries();

    std::vector<Work> work;
    std::vector<SequenceOutcome> unreadable;
    for (Task& task : PlanTasks(plan)) {
        if (!InShard(task, options.shard))
            continue;
        ++summary.tasks;
        Work w;
        try {
            w.lines = TaskSceneLines(task);
        } catch (const UserError& e) {
            unreadable.push_back({task.name, false, 0, 0.0, e.what()});
            continue;
        }
        w.key = TaskKey(task, w.lines);
        if (SequenceComplete(dataset.SequencePath(task.name), w.key)) {
            ++summary.skipped;
            dataset.ClearFailure(task.name);
            continue;
        }
        w.task = std::move(task);
        work.push_back(std::move(w));
    }
    planned(static_cast<int>(work.size() + unreadable.size()), summary.skipped);
    for (const SequenceOutcome& o : unreadable) {
        dataset.RecordFailure(o.name, o.reason);
        summary.outcomes.push_back(o);
        finished(o);
    }
    if (!work.empty())
        RunInWorkers(work, dataset, options, finished, summary);
    return summary;
}

DatasetStatus ReadDatasetStatus(const Plan& plan, const std::string& out)
{
    DatasetStatus status;
    if (!std::filesystem::is_directory(out)) {
        for (const Task& task : PlanTasks(plan))
            status.missing.push_back(task.name);
        return status;
    }
    const DatasetFolder dataset(out);
    for (const Task& task : PlanTasks(plan)) {
        std::string key;
        try {
            key = TaskKey(task, TaskSceneLines(task));
        } catch (const UserError& e) {
            status.failed.emplace_back(task.name, e.what());
            continue;
        }
        if (SequenceComplete(dataset.SequencePath(task.name), key))
            status.done.push_back(task.name);
        else if (const std::optional<std::string> reason = dataset.Failure(task.name))
            status.failed.emplace_back(task.name, *reason);
        else
            status.missing.push_back(task.name);
    }
    return status;
}

} // namespace tavrik
