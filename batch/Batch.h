#pragma once

#include "batch/Plan.h"
#include "batch/Tasks.h"

#include <functional>
#include <string>
#include <vector>

namespace tavrik {

// How one sequence of a batch ended.
struct SequenceOutcome {
    std::string name;
    bool ok = false;
    int frames = 0;
    double seconds = 0.0;
    std::string reason; // why it failed
};

struct BatchOptions {
    std::string out; // the dataset folder
    Shard shard;
    int jobs = 1; // worker processes
    bool force = false;
    std::string texturesFolder;
};

// What a batch did, for its summary.
struct BatchSummary {
    int tasks = 0;   // sequences of this shard
    int skipped = 0; // found complete
    std::vector<std::string> removedTemporaries;
    std::vector<SequenceOutcome> outcomes;  // in the order they finished
    std::vector<std::string> workerErrors;  // workers that died (a signal, a crash)
};

// Called once the work is known: sequences to render and found complete.
using BatchPlanned = std::function<void(int toRender, int skipped)>;
using SequenceFinished = std::function<void(const SequenceOutcome&)>;

// Renders this shard's sequences of `plan` into the dataset folder
// options.out, skipping those already complete, with options.jobs worker
// processes (one engine each; the sequences are dealt out in turn). A
// failed sequence is recorded in DIR/failed/ and the others go on.
// `planText` is the plan file's text, stored with the dataset. Throws
// UserError for a dataset made from another plan (without force).
BatchSummary RunBatch(const Plan& plan, const std::string& planText, const BatchOptions& options,
                      const BatchPlanned& planned, const SequenceFinished& finished);

// The state of every sequence of `plan` in the dataset folder `out`.
struct DatasetStatus {
    std::vector<std::string> done;
    std::vector<std::pair<std::string, std::string>> failed; // name and reason
    std::vector<std::string> missing;
};
DatasetStatus ReadDatasetStatus(const Plan& plan, const std::string& out);

} // namespace tavrik
