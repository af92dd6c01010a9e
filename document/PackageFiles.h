#pragma once

// A document of the older package form (a folder holding the archive) saved
// as a plain file, and the recovery of a path that such a save, cut short,
// left empty.
//
// At every moment of the save the path names one whole version: the new
// file is written whole beside the folder ("<path>.save-new") and the two
// are exchanged in one step. Where the file system cannot exchange, the new
// archive takes the place of the one inside the folder instead, and the
// document stays a package there.

#include <string>

// Writes the archive bytes over the package folder at path, whose archive
// is the file named embedded. False when nothing changed at the path (the
// folder still holds the old version).
bool writePackageAsFile(const std::string& path, const std::string& embedded, const std::string& data);

// When nothing is at path but a cut-short save left its halves beside it,
// the newest whole one takes the path: the new file ("<path>.save-new") before
// the old folder ("<path>.save-old", the name earlier versions of the program
// moved the folder to before the new file went in). The older half goes, as
// the save would have removed it. True when something was put at the path.
bool recoverInterruptedPackageSave(const std::string& path, const std::string& embedded);
