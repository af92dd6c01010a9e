// The RTF dispatcher over any bytes with a counting handler registered for
// every word of the RTF import vocabulary; groups that define tables,
// styles, headers and bullets register handlers for their length, and one
// keyword makes a handler give up. However the read ends, the table is left
// as it was.

#include "FuzzInput.h"
#include "RTFDispatchSupport.h"

#include <memory>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ZynDispatchTable table;
    fuzz::CountingHandler nested;
    fuzz::CountingHandler handler(&table, &nested);
    for (std::string_view word : convala_test::RTFVocabulary)
        table.registerObject(&handler, fuzz::CountingHandler::selector(), word);
    const ZynDispatchTable::Depths before = table.depths();

    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream(std::string(reinterpret_cast<const char*>(data), size));
    ZynDispatchRun run;
    try {
        dispatcher.dispatch(&stream, run);
    } catch (const std::runtime_error&) {
    }
    const ZynDispatchTable::Depths after = table.depths();
    for (std::string_view word : convala_test::RTFVocabulary)
        if (after.depthOf(word) != before.depthOf(word))
            fuzz::fail("a registration outlived the read");
    if (table.keywords().size() != convala_test::RTFVocabulary.size())
        fuzz::fail("the table gained keywords");
    // Every element delivered stands for at least one byte read.
    if (static_cast<std::size_t>(handler.elements + nested.elements) > stream.length())
        fuzz::fail("more elements than bytes");
    if (run.unclosedGroups() > ZynMarkupDispatcher::MaxGroupDepth)
        fuzz::fail("groups deeper than the limit");
    return 0;
}
