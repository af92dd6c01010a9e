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

namespace {

struct Setting {
    ZynDispatchTable table;
    fuzz::CountingHandler nested;
    fuzz::CountingHandler handler{&table, &nested};
    ZynMarkupDispatcher dispatcher{&table};
    Setting()
    {
        for (std::string_view word : convala_test::RTFVocabulary)
            table.registerObject(&handler, fuzz::CountingHandler::selector(), word);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One table for every input: each read must leave it as it found it.
    static Setting s;
    s.handler.elements = s.nested.elements = 0;
    ZynMarkupStream stream(std::string(reinterpret_cast<const char*>(data), size));
    ZynDispatchRun run;
    try {
        s.dispatcher.dispatch(&stream, run);
    } catch (const std::runtime_error&) {
    }
    for (std::string_view word : convala_test::RTFVocabulary) {
        const ZynDispatchTable::Stack* stack = s.table.stackForKeyword(word);
        if (!stack || stack->size() != 1 || stack->back()->object() != &s.handler)
            fuzz::fail("a registration outlived the read");
    }
    // Every element delivered stands for at least one byte read.
    if (static_cast<std::size_t>(s.handler.elements + s.nested.elements) > stream.length())
        fuzz::fail("more elements than bytes");
    if (run.unclosedGroups() > ZynMarkupDispatcher::MaxGroupDepth)
        fuzz::fail("groups deeper than the limit");
    return 0;
}
