#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kit {

// What became of a print job. ok is true only when the print system took
// the job or the file was written whole.
struct PrintResult {
    bool ok = false;
    std::string error; // why not, for the user
    int jobId = 0;     // the print system's number for the job
};

// Hands finished PostScript to the print system (CUPS, through libcups) or
// writes it to a file.
class PrintJob {
public:
    // One IPP Print-Job to the destination (empty: the print system's
    // default) on the server libcups is set up for ($CUPS_SERVER, the
    // client configuration, else the local scheduler): the document as
    // "application/postscript", the copies and the job title. A destination
    // that does not exist, a server that cannot be reached or a refused job
    // is a failure.
    static PrintResult sendToPrinter(std::string_view postscript, const std::string& destination, int copies,
                                     const std::string& title);
    // Through a temporary file beside the target, renamed over it once
    // complete: a failure (a full disk) leaves nothing new under the name.
    static PrintResult writeToFile(std::string_view postscript, const std::string& path);

    // The destinations the print system offers, and its default (empty
    // when none).
    static std::vector<std::string> destinations();
    static std::string defaultDestination();
};

} // namespace kit
