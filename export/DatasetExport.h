#pragma once

#include "export/ExportLayouts.h"

#include <string>

namespace tavrik {

// What an export did.
struct ExportReport {
    int sequences = 0;
    int samples = 0;   // samples of the layout's first file
    int linked = 0;    // files that are hard links to the source
    int copied = 0;    // files copied where a hard link cannot be made
    int converted = 0; // files encoded anew
};

// Builds `layout`'s tree under `outFolder` from `source`: one sequence
// folder (it holds tavrik.json) or a dataset folder, every sequence folder
// below it in path order. Files already in the tree are replaced. Throws
// UserError "No sequence folder (tavrik.json) in %s" when there is none, and
// "%s: the %s layout needs %s: render with --formats %s" (or
// "--camera both") when a sequence lacks a file the layout is made from;
// the errors of reading and writing files otherwise.
ExportReport ExportDataset(const std::string& source, const ExportLayout& layout, const std::string& outFolder);

} // namespace tavrik
