// The string table ("key" = "text"; lines), loaded from a file as the
// program loads Application.strings.

#include "FuzzInput.h"

#include "core/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::scratchFolder() + "/Fuzz.strings";
    if (!fuzz::writeFile(path, text))
        fuzz::fail("cannot write the string table");
    kit::StringTable table;
    if (!table.loadFromFile(path))
        fuzz::fail("a written string table cannot be read");
    (void)table.valueForStringKey("Untitled");
    // Any bytes quoted as a table writes them read back as the same bytes.
    std::string quoted = kit::detail::quoteString(text);
    std::size_t position = 0;
    std::string back;
    if (!kit::detail::readQuotedString(quoted, position, back) || back != text || position != quoted.size())
        fuzz::fail("a quoted string does not read back");
    kit::StringTable one;
    one.loadFromString("\"k\" = " + quoted + ";\n");
    if (one.valueForStringKey("k") != text)
        fuzz::fail("a quoted entry does not load back");
    return 0;
}
