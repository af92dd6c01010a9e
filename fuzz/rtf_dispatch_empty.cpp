// The RTF dispatcher over any bytes (plain text is wrapped as RTF first)
// with an empty keyword table: every group is skipped, every element
// dropped.

#include "FuzzInput.h"

#include "bundles/convala/markup/ZynDispatchRun.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"
#include "bundles/convala/markup/ZynMarkupStream.h"

#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ZynDispatchTable table;
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream(std::string(reinterpret_cast<const char*>(data), size));
    ZynDispatchRun run;
    if (dispatcher.dispatch(&stream, run) != &dispatcher)
        fuzz::fail("a dispatcher with a table read nothing");
    if (run.unclosedGroups() > ZynMarkupDispatcher::MaxGroupDepth)
        fuzz::fail("groups deeper than the limit");
    if (!table.keywords().empty())
        fuzz::fail("an empty table gained keywords");
    return 0;
}
