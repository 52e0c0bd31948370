#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavrik {

// The layout of a dataset folder DIR:
//   DIR/plan.json              the plan the dataset is made from
//   DIR/NAME/                  a finished sequence, its record.txt last
//   DIR/failed/NAME.txt        why sequence NAME failed in its last attempt
//   DIR/.tmp-NAME-HOST-PID/    sequence NAME being written by process PID on
//                              HOST, which holds an flock on the folder
// A sequence appears under its name only by a rename of a folder that holds
// all its files, so a folder named NAME is never half-written.
class DatasetFolder {
public:
    // Makes DIR (and its parents) when missing.
    explicit DatasetFolder(std::string folder);

    // Takes the plan for this folder: a folder without plan.json gets a copy
    // of `planText`; one whose plan has another `canonical` text is refused
    // (UserError) unless `force`, which puts the new plan in its place.
    void AdoptPlan(const std::string& planText, const std::string& canonical, bool force) const;

    // DIR/NAME/
    std::string SequencePath(const std::string& name) const;
    const std::string& path() const { return folder_; }

    // Removes the temporary folders of processes of this host that are gone
    // (no such pid, and the folder's lock is free); returns their names.
    std::vector<std::string> RemoveStaleTemporaries() const;

    // DIR/failed/NAME.txt holds `reason`; ClearFailure removes it.
    void RecordFailure(const std::string& name, const std::string& reason) const;
    void ClearFailure(const std::string& name) const;
    std::optional<std::string> Failure(const std::string& name) const;

private:
    std::string folder_;
};

// The owner of a temporary folder's name ".tmp-NAME-HOST-PID".
struct TemporaryOwner {
    std::string sequence;
    std::string host;
    long pid = 0;
};
std::optional<TemporaryOwner> TemporaryFolderOwner(const std::string& folderName);

// This machine's short host name (up to the first ".").
std::string ShortHostName();

// One sequence being written, in DIR/.tmp-NAME-HOST-PID/, whose lock this
// object holds; the renderer writes its folder "0/" inside. Commit puts that
// folder in place as DIR/NAME/ (replacing an outdated one); a sequence not
// committed is removed when the object goes.
class SequenceInProgress {
public:
    SequenceInProgress(const DatasetFolder& dataset, const std::string& name);
    ~SequenceInProgress();
    SequenceInProgress(const SequenceInProgress&) = delete;
    SequenceInProgress& operator=(const SequenceInProgress&) = delete;

    // The output folder to render into with sequence number 0.
    const std::string& outputFolder() const { return folder_; }
    // outputFolder()/0, the folder that becomes the sequence.
    std::string contentFolder() const { return folder_ + "/0"; }
    void Commit();

private:
    const DatasetFolder& dataset_;
    std::string name_;
    std::string folder_;
    int lock_ = -1;
};

} // namespace tavrik
