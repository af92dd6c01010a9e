// Whole RTF imports into a word-processor document over any bytes: as a
// file being opened (the page words apply), as pasted text, or as an RTFD
// folder in its pasteboard form ("RTFD" then the text up to a NUL byte,
// then the bytes of its one picture "pic.tiff"). Whatever the bytes, the
// import leaves the keyword table as it was, the document's pages inside
// their limits with the main column inside the page, and a document that
// writes itself as RTF again.

#include "FuzzInput.h"

#include "bundles/convala/markup/Convala.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/LayvaneIOMethods.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/rtf/RTFExportMethods.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "app/Scrivly.h"
#include "core/FileManager.h"
#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/ZMemoryStream.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Setting {
    std::unique_ptr<Scrivly> delegate;
    Setting()
    {
        const std::string folder = kit::FileManager::uniqueTemporaryPath("fuzz-rtf-import");
        kit::FileManager::createDirectoryAtPath(folder);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        Scrivly::initialize();
        TextWord::initialize();
        TextSelection::initialize();
        PlacedItem::initialize();
        delegate = std::make_unique<Scrivly>();
        Convala::installHooks();
    }
};

// The word processor's one Letter page with its main column "MainText".
std::unique_ptr<LayoutDocument> newDocument(Scrivly& delegate)
{
    auto document = std::make_unique<LayoutDocument>(delegate.preferences());
    document->setPageSize(kit::makeSize(612, 792));
    document->setPaperSize(kit::makeSize(612, 792));
    document->setFirstPageNum(1);
    document->setMasterPage(std::make_unique<Page>());
    auto master = std::make_unique<TextItem>();
    master->setFrame(kit::makeRect(72, 72, 468, 648), false);
    master->setTextType(1);
    master->setAutoFlowText(true);
    master->setMasterFlags(3);
    master->setName(std::string("MainText"));
    document->addMasterItem(std::move(master));
    document->addPages(1, 0);
    return document;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setting s;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<LayoutDocument> document = newDocument(*s.delegate);
    const ZynDispatchTable::Depths before = LayvaneIOMethods::markupDispatchTable()->depths();

    bool lost = false;
    if (bytes.rfind("RTFD", 0) == 0) {
        const std::size_t nul = bytes.find('\0', 4);
        kit::FileWrapper::Wrappers files;
        files.emplace("TXT.rtf", kit::FileWrapper::initRegularFileWithContents(bytes.substr(4, nul - 4)));
        if (nul != std::string::npos)
            files.emplace("pic.tiff", kit::FileWrapper::initRegularFileWithContents(bytes.substr(nul + 1)));
        const std::string folder = kit::FileWrapper::initDirectoryWithFileWrappers(std::move(files))->serializedRepresentation();
        (void)LayoutDocumentIOMethods::dispatchMarkup(*document, kit::RTFDPboardType, folder, &lost, true);
    } else {
        // The first byte's low bit: pasted rather than opened.
        const bool opening = size == 0 || (data[0] & 1) == 0;
        (void)LayoutDocumentIOMethods::dispatchRTFStream(*document, bytes, &lost, ZynImportOptions{opening, nullptr});
    }

    const ZynDispatchTable::Depths after = LayvaneIOMethods::markupDispatchTable()->depths();
    for (const std::string& keyword : LayvaneIOMethods::markupDispatchTable()->keywords())
        if (after.depthOf(keyword) != before.depthOf(keyword))
            fuzz::fail("a registration outlived the import");
    const kit::Size page = document->pageSize();
    if (!(page.width >= RTFImportMethods::MinPageSide && page.width <= RTFImportMethods::MaxPageSide &&
          page.height >= RTFImportMethods::MinPageSide && page.height <= RTFImportMethods::MaxPageSide))
        fuzz::fail("a page outside the limits");
    if (const TextItem* main = RTFLayoutPageSetup::mainMasterColumn(*document)) {
        const kit::Rect frame = main->frame();
        if (frame.origin.x < 0 || frame.origin.y < 0 || frame.origin.x + frame.size.width > page.width + 0.01f ||
            frame.origin.y + frame.size.height > page.height + 0.01f)
            fuzz::fail("the main column outside the page");
    }
    ZMemoryStream stream;
    RTFExportRun run(stream);
    RTFExportMethods::writeRTF(*document, run);
    if (stream.data()->rfind("{\\rtf1", 0) != 0)
        fuzz::fail("the document does not write itself again");
    return 0;
}
