// PostScript files of other programs: the page count, then the split into
// one file per page with its line-end conversion.

#include "FuzzInput.h"

#include "foundation/PostScriptFiles.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::scratchFolder() + "/input.ps";
    if (!fuzz::writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size)))
        fuzz::fail("cannot write the PostScript file");
    int pages = countPostScriptPages(path);
    if (pages < 1)
        fuzz::fail("a page count below 1");
    // The whole file, and then a middle page with room for just one.
    struct Split {
        int first, count, capacity;
    } splits[] = {{1, pages, 64}, {2, 1, 1}};
    for (const Split& s : splits) {
        const PSSplitResult result = splitPostScriptFile(path, "fuzz", s.first, s.count, s.capacity);
        const int st = result.status;
        if (st != PSSplitDone && st != PSSplitQuarkXPress && st != PSSplitPageTooLong && st != PSSplitFailed &&
            st != PSSplitMissingPages)
            fuzz::fail("an unknown split result");
        if (result.pagesWritten < 0 || result.pagesWritten > s.count)
            fuzz::fail("more pages written than asked");
        if (result.complete() && result.pagesWritten != s.count)
            fuzz::fail("a split answered complete with pages missing");
        for (int p = 0; p <= s.first + std::min(s.count, 64); ++p)
            std::remove(pageFileName("fuzz", p).c_str());
    }
    return 0;
}
