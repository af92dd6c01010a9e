#pragma once

// Names for new documents and temporary files.

#include <optional>
#include <string>

// "Untitled-1", "Untitled-2", ... (the text of "Untitled" from the string table).
std::string newUntitled();
// A folder of this run for temporary files, made on first use.
const std::string& tempPath();
// "<tempPath>/lvb<seconds>.<extension>", seconds with three decimals; never
// the same name twice in a run, and never one that exists.
std::string tempFilenameWithExtension(const std::string& extension);
// The file name's base, a time stamp and its extension, under the folder
// when one is given; none for no name.
std::optional<std::string> uniqueEmbeddedFilename(const std::optional<std::string>& name,
                                                  const std::optional<std::string>& folder);
