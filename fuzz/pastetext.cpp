// Plain text from another program's clipboard, turned into words and
// paragraphs and pasted at the caret of a flow.

#include "FuzzInput.h"

#include "text/TextFlow.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<TextSelection> selection = TextSelection::selectionFromPlainText(text);
    if (text.empty() != (selection == nullptr))
        fuzz::fail("only empty text makes no selection");
    if (!selection)
        return 0;
    TextFlow flow;
    if (!selection->canInsertInFlow(&flow))
        return 0;
    selection->insertInFlow(&flow, nullptr, true);
    // Every line of the text is a paragraph of the flow, which held one
    // empty paragraph before.
    const auto lines = std::count(text.begin(), text.end(), '\n');
    if (flow.paragraphCount() != lines + 1)
        fuzz::fail("the pasted lines are not the flow's paragraphs");
    flowPointer pointer{};
    flow.textFlowSeek(&pointer, 0);
    std::size_t read = 0;
    while (!flow.textFlowAtEnd(&pointer) && read <= 2 * size + 2) {
        (void)flow.textFlowGetc(&pointer);
        ++read;
    }
    if (read > 2 * size + 2)
        fuzz::fail("the flow reads back longer than the text pasted");
    return 0;
}
