#pragma once

// PostScript files written by other programs: counting their pages from the
// document structuring comments, splitting them into one file per page, and
// sending the program's own PostScript resources to the drawing context.

#include <string>

// The page count the file announces outside embedded documents; at least 1.
int countPostScriptPages(const std::string& path);

// Results of splitPostScriptFile.
inline constexpr int PSSplitDone = 0;
inline constexpr int PSSplitQuarkXPress = 1; // written; the caller warns the user
inline constexpr int PSSplitPageTooLong = 99;
inline constexpr int PSSplitFailed = -1; // unreadable, no line end, or a page not written

// Writes pages first .. first + count - 1 (as far as the file has them) to
// pageFileName(name, page). At most `capacity` pages are recorded.
int splitPostScriptFile(const std::string& path, const std::string& name, int firstPage, int numPages,
                        int capacity);

// "<tempPath>/<last component of name>_p<page>.ps".
std::string pageFileName(const std::string& name, int page);

// Sends the resource file's bytes unchanged to the current drawing context;
// a missing one sends a line that makes the interpreter report it, and
// answers false.
bool sendPSFile(const std::string& resourceName);
bool sendDropShadowDict();
bool sendDropShadowEnd();
