// Whole document files, as the program opens them. The first byte's low bit
// says whether the archive is read as the one inside an old package folder
// (whose version is preset); the rest is the file. A document that reads
// must write again and read back from what it wrote.

#include "FuzzInput.h"

#include "app/ScrivlyDocument.h"
#include "core/Alert.h"
#include "document/DocumentFiles.h"
#include "document/LayoutDocument.h"
#include "text/TextFlow.h"
#include "text/TextWord.h"

#include <memory>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    LayoutDocument::initialize();
    // The word processor's documents and their older records too.
    ScrivlyDocument::initialize();
    TextWord::initialize();
    // A newer version is opened anyway, as the user may choose.
    kit::setAlertHandler(std::make_shared<kit::ScriptedAlertHandler>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const bool package = (in.byte() & 1) != 0;
    std::unique_ptr<LayoutDocument> document = readDocumentData(in.rest(), package);
    if (!document)
        return 0;
    // What every opened document is asked soon after.
    for (TextFlow* flow : document->flows())
        (void)flow->paragraphCount();
    (void)document->numDisplayedPages();
    const std::optional<std::string> again = writeDocumentData(*document);
    if (!again)
        return 0; // some graphs cannot be written (too deep for the stack)
    if (!readDocumentData(*again))
        fuzz::fail("a document that was read does not read back from what it wrote");
    return 0;
}
