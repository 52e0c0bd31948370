#pragma once

#include "base/FolderLock.h"

#include <string>

namespace tavrik {

// A writing run's hold on its sequence folder, from the start of the run to
// its end: the folder is made and checked to take `firstFile`, the first
// file the run writes (PrepareOutputFolder), then locked against every other
// run (FolderLock), then cleared of the temporary files killed runs left in
// it. The command line and the windows both start their runs this way, so
// neither writes into a folder the other is writing.
class RunFolder {
public:
    RunFolder(const std::string& folder, const std::string& firstFile);

private:
    static const std::string& Prepared(const std::string& folder, const std::string& firstFile);

    FolderLock lock_;
};

} // namespace tavrik
