#pragma once

// PostScript files written by other programs: counting their pages from the
// document structuring comments, splitting them into one file per page, and
// sending the program's own PostScript resources to the drawing context.

#include <string>

// The page count the file announces outside embedded documents; at least 1.
int countPostScriptPages(const std::string& path);

// Statuses of splitPostScriptFile.
inline constexpr int PSSplitDone = 0;        // every page asked for was written
inline constexpr int PSSplitQuarkXPress = 1; // the same, from a QuarkXPress file: the caller warns the user
inline constexpr int PSSplitMissingPages = 2; // the file has fewer pages than asked for (or more than
                                              // the table holds): only pagesWritten were written
inline constexpr int PSSplitPageTooLong = 99; // stopped at a page too long to copy
inline constexpr int PSSplitFailed = -1;      // unreadable, no line end, or a page file not written

// What a split did. Page files exist for pages firstPage to
// firstPage + pagesWritten - 1, whatever the status: a caller places those
// and no others, and tells the user when the status is not PSSplitDone or
// PSSplitQuarkXPress.
struct PSSplitResult {
    int status = PSSplitFailed;
    int pagesWritten = 0;
    bool fromQuarkXPress = false;

    bool complete() const { return status == PSSplitDone || status == PSSplitQuarkXPress; }
};

// Writes pages firstPage .. firstPage + numPages - 1 (numbered from 1) to
// pageFileName(name, page), stopping at the first page it cannot write. At
// most `capacity` pages of the file are recorded.
[[nodiscard]] PSSplitResult splitPostScriptFile(const std::string& path, const std::string& name, int firstPage,
                                                int numPages, int capacity);

// "<tempPath>/<last component of name>_p<page>.ps".
std::string pageFileName(const std::string& name, int page);

// Sends the resource file's bytes unchanged to the current drawing context;
// a missing one sends a line that makes the interpreter report it, and
// answers false.
bool sendPSFile(const std::string& resourceName);
bool sendDropShadowDict();
bool sendDropShadowEnd();
