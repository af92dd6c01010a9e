// The unarchiver decoding a root object, with every class the program
// registers reachable. The first byte picks the stored form's version (old
// documents are read with older forms); the rest is the archive.

#include "FuzzInput.h"
#include "ModelClasses.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/Item.h"
#include "text/TableParagraph.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"

#include <iterator>

namespace {

const float versions[] = {kit::OpenFileVersionIdle, 2.1f, 2.2f, 2.5f, 2.53f, 2.55f, 2.56f, 2.6f, 3.0f};

// What the layout asks of every cell of a decoded flow: rows and margins
// are indexed by the cell's stored row and column.
void askCells(const kit::Object& root)
{
    const auto* flow = dynamic_cast<const TextFlow*>(&root);
    if (!flow)
        return;
    for (const auto& paragraph : flow->paragraphList())
        if (const auto* cell = dynamic_cast<const TableParagraph*>(paragraph.get())) {
            (void)cell->borderInItem(nullptr);
            (void)cell->lowestAvailableY();
            (void)cell->lastEffectiveY();
            (void)cell->topBorderWidth();
            (void)cell->spaceAfter();
        }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initializeModelClasses();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const float version = versions[in.byte() % std::size(versions)];
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    std::unique_ptr<kit::Object> root;
    try {
        kit::Unarchiver u(in.rest());
        u.setOpenFileVersion(version);
        root = u.decodeOwnedObject<kit::Object>();
        unclaimed = u.releaseUnclaimed();
    } catch (const kit::Exception&) {
        return 0;
    }
    if (!root)
        return 0;
    // The walks every decoded graph must survive.
    (void)root->description();
    (void)root->isEqual(*root);
    askCells(*root);
    for (const auto& o : unclaimed)
        (void)o->isEqual(*root);
    // What we write of a decoded graph we must read back.
    std::string again;
    try {
        again = kit::Archiver::archivedDataWithRootObject(root.get());
    } catch (const kit::Exception&) {
        return 0; // some graphs cannot be written (too deep for the stack)
    }
    try {
        std::vector<std::unique_ptr<kit::Object>> unclaimedAgain;
        auto back = kit::Unarchiver::unarchiveObjectWithData(again, unclaimedAgain);
        if (!back)
            fuzz::fail("a decoded root archived again reads back as nil");
    } catch (const kit::Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::fail("a decoded root archived again does not read back");
    }
    return 0;
}
