#include "bundles/convala/rtf/RTFScrivlyPageSetup.h"

#include "app/ScrivlyDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"

kit::Size RTFScrivlyPageSetup::pageSize() const { return document_.pageSize(); }

void RTFScrivlyPageSetup::setPageSize(const kit::Size& size)
{
    // The margins are the reader's to place: the guides keep their places
    // here and the reader moves them as the words say.
    rtfimport::setPaperOfPages(document_, size);
    document_.calcPageRectsFor(1);
    document_.notifyDocumentDidChangeSize();
}

void RTFScrivlyPageSetup::setLandscape() { rtfimport::setLandscape(document_); }

float RTFScrivlyPageSetup::leftMargin() const { return document_.leftMargin(); }
float RTFScrivlyPageSetup::rightMargin() const { return document_.rightMargin(); }
float RTFScrivlyPageSetup::topMargin() const { return document_.topMargin(); }
float RTFScrivlyPageSetup::bottomMargin() const { return document_.bottomMargin(); }
void RTFScrivlyPageSetup::setLeftMargin(float x) { document_.setLocationAt(ScrivlyDocument::LeftMarginSlot, x); }
void RTFScrivlyPageSetup::setRightMargin(float x) { document_.setLocationAt(ScrivlyDocument::RightMarginSlot, x); }
void RTFScrivlyPageSetup::setTopMargin(float y) { document_.setLocationAt(ScrivlyDocument::TopMarginSlot, y); }
void RTFScrivlyPageSetup::setBottomMargin(float y) { document_.setLocationAt(ScrivlyDocument::BottomMarginSlot, y); }
float RTFScrivlyPageSetup::headerTop() const { return document_.headerTopLocation(); }
float RTFScrivlyPageSetup::headerBottom() const { return document_.headerBottomLocation(); }
float RTFScrivlyPageSetup::footerTop() const { return document_.footerTopLocation(); }
float RTFScrivlyPageSetup::footerBottom() const { return document_.footerBottomLocation(); }
void RTFScrivlyPageSetup::setHeaderTop(float y) { document_.setLocationAt(ScrivlyDocument::HeaderTopSlot, y); }
void RTFScrivlyPageSetup::setHeaderBottom(float y) { document_.setLocationAt(ScrivlyDocument::HeaderBottomSlot, y); }
void RTFScrivlyPageSetup::setFooterTop(float y) { document_.setLocationAt(ScrivlyDocument::FooterTopSlot, y); }
void RTFScrivlyPageSetup::setFooterBottom(float y) { document_.setLocationAt(ScrivlyDocument::FooterBottomSlot, y); }
void RTFScrivlyPageSetup::resizeMasterTextItems() { document_.resizeMasterTextItems(); }
int RTFScrivlyPageSetup::columnCount() const { return document_.columnCount(); }
float RTFScrivlyPageSetup::columnGutterWidth() const { return document_.columnGutterWidth(); }

void RTFScrivlyPageSetup::resetDocumentColumnCount(int count, float gutter)
{
    document_.resetDocumentColumnCount(count, gutter);
}

void RTFScrivlyPageSetup::setFirstPageNum(int number) { document_.setFirstPageNum(number); }
void RTFScrivlyPageSetup::setPageNumberFormat(int format) { document_.setPageNumberFormat(format); }

TextItem* RTFScrivlyPageSetup::insertHeaderOrFooter(bool header, int masterFlags, bool notOnFirstPage)
{
    // The frames go between the header or footer guides.
    RTFLayoutPageSetup layout(document_);
    layout.setLeftMargin(leftMargin());
    layout.setRightMargin(rightMargin());
    layout.setHeaderTop(headerTop());
    layout.setHeaderBottom(headerBottom());
    layout.setFooterTop(footerTop());
    layout.setFooterBottom(footerBottom());
    return layout.insertHeaderOrFooter(header, masterFlags, notOnFirstPage);
}

std::vector<TextItem*> RTFScrivlyPageSetup::headerOrFooterColumns(bool header) const
{
    return RTFLayoutPageSetup(document_).headerOrFooterColumns(header);
}
