// Data of one pasteboard type pasted into a text column, as another program
// or another document may put it on the pasteboard: copied selections,
// plain text, copied paragraph styles and rulers, and the types the column
// turns away. The first byte picks the type, the second where the paste
// lands (a caret or a selection) and whether it is a paste-link; the rest
// is the data. After the paste the flow must read, lay out, and store.

#include "FuzzInput.h"
#include "ModelClasses.h"

#include "app/Layvane.h"
#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Pasteboard.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/PboardTypes.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "view/PageView.h"

#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

namespace {

const char* const types[] = {
    LayvanePboardTypeTEXT,  kit::StringPboardType, GxParagraphPboardType, kit::RulerPboardType,
    kit::RTFPboardType,     kit::RTFDPboardType,   ZynICFPboardType,      kit::TabularTextPboardType,
    kit::TIFFPboardType,    kit::PostScriptPboardType,
};

std::unique_ptr<Layvane> delegate;
std::shared_ptr<kit::ScriptedAlertHandler> alerts;

void fill(TextFlow& flow)
{
    const char* const paragraphs[][3] = {{"alpha", "beta", "gamma"}, {"delta", "epsilon", "zeta"}};
    for (std::size_t p = 0; p < std::size(paragraphs); ++p) {
        TextParagraph* paragraph =
            p == 0 ? flow.firstParagraph() : flow.addParagraph(std::make_unique<TextParagraph>());
        for (const char* text : paragraphs[p])
            paragraph->addWord(std::make_unique<TextWord>(text));
    }
}

// Where the paste lands: a caret or a selection made as the mouse makes it.
void place(TextFlow& flow, int where)
{
    static const textPoint points[][2] = {
        {{0, 0, 0}, {0, 0, 0}}, {{0, 1, 2}, {0, 1, 2}}, {{1, 2, 4}, {1, 2, 4}},
        {{0, 1, 0}, {0, 1, 4}}, {{0, 1, 2}, {1, 1, 3}}, {{0, 0, 0}, {1, 2, 4}},
    };
    const auto& [a, b] = points[std::size_t(where) % std::size(points)];
    const int ends[] = {SelectionChar, SelectionWord, SelectionPara};
    if (EqualTextPoints(&a, &b))
        flow.setCurrentPoint(&a);
    else
        flow.selectBetween(&a, &b, ends[std::size_t(where / 8) % std::size(ends)]);
}

// The flow read as the stream, which must end.
void walk(const TextFlow& flow, std::size_t bound)
{
    flowPointer pointer{};
    flow.textFlowSeek(&pointer, 0);
    std::size_t read = 0;
    while (!flow.textFlowAtEnd(&pointer)) {
        (void)flow.textFlowGetc(&pointer);
        if (++read > bound)
            fuzz::fail("the flow reads on past every word it holds");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("XDG_CONFIG_HOME", fuzz::scratchFolder().c_str(), 1);
    alerts = std::make_shared<kit::ScriptedAlertHandler>();
    kit::setAlertHandler(alerts);
    fuzz::initializeModelClasses();
    Layvane::initialize();
    TextWord::initialize();
    delegate = std::make_unique<Layvane>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const char* type = types[in.byte() % std::size(types)];
    const int how = in.byte();
    const std::string bytes = in.rest();
    alerts->reset();

    LayoutDocument document(delegate->preferences());
    document.setup();
    delegate->setMainDocument(&document);
    auto owned = std::make_shared<TextItem>();
    TextItem* column = owned.get();
    column->setFrame(kit::makeRect(72, 72, 300, 200), false);
    document.pageAt(0)->addItems(owned, false);
    TextFlow* flow = column->flow();
    fill(*flow);
    flow->recomputeAll();
    place(*flow, how & 0x3F);
    PageView view(kit::makeRect(0, 0, 612, 792));
    view.setDocument(&document);

    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    pboard.declareTypes({type}, nullptr);
    pboard.setData(bytes, type);
    (void)column->paste(pboard, (how & 0x40) != 0, &view);
    pboard.releaseGlobally();

    walk(*flow, 4 * (bytes.size() + 64));
    flow->recomputeAll();
    // The pasted text is stored with its column and read back whole.
    std::string stored;
    try {
        stored = kit::Archiver::archivedDataWithRootObject(column);
    } catch (const kit::Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::fail("a column holding pasted text cannot be stored");
    }
    try {
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        auto back = kit::Unarchiver::unarchiveObjectWithData<TextItem>(stored, unclaimed);
        if (!back || !back->flow() || back->flow()->paragraphCount() != flow->paragraphCount())
            fuzz::fail("a column holding pasted text reads back different");
    } catch (const kit::Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::fail("a column holding pasted text does not read back");
    }
    delegate->setMainDocument(nullptr);
    return 0;
}
