// A whole document as RTF, and the word processor's page set-up.

#include "bundles/convala/rtf/RTFExportMethods.h"

#include "bundles/convala/markup/LayoutDocumentIOMethods.h"

#include "app/Layvane.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/UnitsInfo.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"

#include <string>

namespace {

void writeColumnText(const TextItem* column, RTFExportRun& run)
{
    if (!column || !column->flow())
        return;
    // Through the flow's first column, which writes the whole flow.
    const TextItem* first = column->flow()->firstTextItem();
    RTFExportMethods::writeRTF(first ? *first : *column, run);
}

// The word processor's main master column: the one named "MainText", else
// the automatic master column.
const TextItem* mainMasterColumn(const LayoutDocument& document)
{
    const TextItem* automatic = nullptr;
    for (const auto& item : document.masterItems()) {
        const auto* column = dynamic_cast<const TextItem*>(item.get());
        if (!column)
            continue;
        if (column->name() && *column->name() == "MainText")
            return column;
        if (!automatic && column->autoFlowMaster())
            automatic = column;
    }
    return automatic;
}

} // namespace

bool RTFExportMethods::isWordProcessorDocument(const LayoutDocument& document)
{
    (void)document;
    // The word processor's documents are those of the word processor's
    // application.
    return Main && Main->prefersAutomaticTextItems();
}

void RTFExportMethods::writeRTF(const LayoutDocument& document, RTFExportRun& run)
{
    if (isWordProcessorDocument(document)) {
        writeRTFWordProcessor(document, run);
        return;
    }
    LayoutDocumentIOMethods::buildMarkupLists(document, run.context(), run.flowList);
    writeRTFPrefix(run);
    writeRTFTables(run);
    writeRTFPlacedGraphicInfo(run);
    writeRTFContents(document, run);
    writeRTFSuffix(run);
}

void RTFExportMethods::writeRTFContents(const LayoutDocument& document, RTFExportRun& run)
{
    writeColumnText(document.activeTextItem(), run);
}

void RTFExportMethods::writeRTFWordProcessor(const LayoutDocument& document, RTFExportRun& run)
{
    LayoutDocumentIOMethods::buildMarkupLists(document, run.context(), run.flowList);
    writeRTFPrefix(run);
    writeRTFTables(run);
    writeRTFDocumentInfo(pageSetupOf(document), run);
    writeRTFPlacedGraphicInfo(run);
    writeRTFWordProcessorContents(document, run);
    writeRTFSuffix(run);
}

void RTFExportMethods::writeRTFWordProcessorContents(const LayoutDocument& document, RTFExportRun& run)
{
    if (document.numPages() > 0)
        writeColumnText(LayoutDocumentIOMethods::mainTextItemForPage(document.pageAt(0)), run);
}

RTFPageSetup RTFExportMethods::pageSetupOf(const LayoutDocument& document)
{
    RTFPageSetup setup;
    if (const UnitsInfo* units = Layvane::applicationUnitsInfo())
        setup.units = units->units();
    setup.pageSize = document.pageSize();
    setup.paperSize = document.paperSize();
    if (setup.paperSize.width <= 0 || setup.paperSize.height <= 0)
        setup.paperSize = setup.pageSize;
    // The margin guides stand where the main master column's edges are.
    if (const TextItem* main = mainMasterColumn(document)) {
        const kit::Rect frame = main->frame();
        setup.leftMargin = frame.origin.x;
        setup.topMargin = frame.origin.y;
        setup.rightMargin = frame.origin.x + frame.size.width;
        setup.bottomMargin = frame.origin.y + frame.size.height;
    } else {
        setup.leftMargin = setup.topMargin = 72.0f;
        setup.rightMargin = setup.paperSize.width - 72.0f;
        setup.bottomMargin = setup.paperSize.height - 72.0f;
    }
    setup.defaultTabSpacing = document.defaultTabSpacing();
    setup.firstPageNum =
        document.firstPageNum() == LayoutDocument::FirstPageNumNotSet ? 1 : document.firstPageNum();
    setup.landscape = document.printInfo().orientation == 1;
    setup.pageNumberFormat = document.pageNumberFormat();
    const kit::Rect header =
        document.headerFrame().size.height > 0 ? document.headerFrame() : LayoutDocument::defaultHeaderFrame();
    const kit::Rect footer =
        document.footerFrame().size.height > 0 ? document.footerFrame() : LayoutDocument::defaultFooterFrame();
    setup.headerTopLocation = header.origin.y;
    setup.footerBottomLocation = footer.origin.y + footer.size.height;
    return setup;
}

void RTFExportMethods::writeRTFDocumentInfo(const RTFPageSetup& setup, RTFExportRun& run)
{
    std::string& out = run.out();
    auto word = [&out](const char* name, int value) {
        out += name;
        out += std::to_string(value);
    };
    word("\\zynunits", setup.units);
    word("\\paperw", twips(setup.paperSize.width));
    word("\\paperh", twips(setup.paperSize.height));
    word("\\margl", twips(setup.leftMargin));
    word("\\margr", twips(setup.paperSize.width - setup.rightMargin));
    word("\\margt", twips(setup.topMargin));
    word("\\margb", twips(setup.paperSize.height - setup.bottomMargin));
    word("\\deftab", twips(setup.defaultTabSpacing));
    word("\\pgnstart", setup.firstPageNum);
    if (setup.landscape)
        out += "\\landscape ";
    out += "\\widowctrl \n";
    writeRTFSectionInfo(setup, run);
}

void RTFExportMethods::writeRTFSectionInfo(const RTFPageSetup& setup, RTFExportRun& run)
{
    static const char* const formats[] = {"pgndec", "pgnlcrm", "pgnucrm", "pgnlcltr", "pgnucltr"};
    const int format = setup.pageNumberFormat >= 1 && setup.pageNumberFormat <= 4 ? setup.pageNumberFormat : 0;
    std::string& out = run.out();
    out += "\\sectd \\pgnstarts" + std::to_string(setup.firstPageNum) + "\\" + formats[format] + " \\headery" +
           std::to_string(twips(setup.headerTopLocation)) + "\\footery" +
           std::to_string(twips(setup.pageSize.height - setup.footerBottomLocation));
}
