#pragma once

// What the text engine asks of the document its flows stand in: the notices
// that have its views repaint, its pages and their numbers, its settings,
// the outline-numbering table, and the header, footer and footnote markers
// it lists. The layout document implements it; text never includes the
// document's own header. Markers refer to the document that lists them
// weakly, hence the weak target.

#include "core/Geometry.h"
#include "core/WeakLink.h"

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class Object;
}
class DocumentView;
class GraphicLink;
class Item;
class Page;
class ParagraphPanel;
class StyleInfo;
class TextItem;
class TextWordSpecial;

class TextDocument : public kit::WeakTarget {
public:
    // Page numbering counts the pages only: the master page and foreign
    // pages are not found (NSNotFound).
    static constexpr int PageNotFound = INT_MAX;

    // One outline-numbering level (record 0 of the table carries none).
    struct NumberingLevel {
        std::optional<std::string> prefix;
        std::optional<std::string> suffix;
        short start = 1;
        short width = 0;
        char displayType = 0;
        char attachPrevious = 0;
    };

    virtual ~TextDocument() = default;

    // ---- Edits and imports.
    virtual void setEdited(bool flag) = 0;
    // While an import dispatches into the document (and is not suspended),
    // its words are neither measured nor hyphenated.
    virtual bool isDispatching() const = 0;
    virtual bool isDispatchingSuspended() const = 0;

    // ---- The views and the notices that have them repaint. Unless
    // announcements are held back, the given view first and then every other
    // view refresh the items (nil: everything)...
    virtual void notifyUpdate(DocumentView* view, const std::vector<kit::Object*>* items) = 0;
    // ...the rectangle (empty: all they show)...
    virtual void notifyUpdate(DocumentView* view, const kit::Rect& rect) = 0;
    // ...or the text of the columns from..to (nil: the chain's end),
    // paragraphs from..to, within the rectangle (empty: all they show).
    virtual void notifyUpdate(DocumentView* view, const kit::Rect& rect, TextItem* fromItem, TextItem* toItem,
                              int fromParagraph, int toParagraph) = 0;
    // Whether the last text redraw ran to its end (typing did not cut it short).
    virtual bool lastTextDrawFinished() const = 0;
    virtual const std::vector<DocumentView*>& views() const = 0;
    // The first view; nil without one.
    virtual DocumentView* mainView() const = 0;
    virtual void disableNotify() = 0;
    virtual void reenableNotify() = 0;
    virtual bool isNotifyDisabled() const = 0;
    // Tells the views that the canvas size changed.
    virtual void notifyDocumentDidChangeSize() = 0;

    // ---- Pages.
    virtual int numPages() const = 0;
    virtual int indexOfPage(const Page* page) const = 0;
    virtual int firstPageNum() const = 0;
    virtual int pageNumberFormat() const = 0;
    virtual Page* activePage() const = 0;
    virtual void setActivePage(Page* page) = 0;
    virtual void disableCalcPages() = 0;
    virtual void reenableCalcPages() = 0;
    virtual void calcPageRectsFor(int mode) = 0;
    // In the word processor: drops trailing pages left without text.
    virtual void deleteEmptyPages() = 0;

    // ---- Settings and the selection.
    virtual StyleInfo* styleInfo() const = 0;
    virtual bool prefersScreenMetrics() const = 0;
    // Text markers (spaces, paragraph ends, breaks, tokens) on screen.
    virtual bool showTextMarkers() const = 0;
    virtual float defaultTabSpacing() const = 0;
    virtual std::vector<Item*> selected() const = 0;
    // The tabs panel when one was made (never made for the asking).
    virtual ParagraphPanel* tabsPanel() const { return nullptr; }

    // ---- Outline numbering: the record of a level (levels count from 1);
    // nil outside 1 to the count.
    virtual int paragraphNumberingCount() const = 0;
    virtual const NumberingLevel* paragraphNumberingLevel(int level) const = 0;

    // ---- Header, footer and footnote markers (not owned), and the frames
    // new headers and footers take.
    virtual const kit::Rect& headerFrame() const = 0;
    virtual const kit::Rect& footerFrame() const = 0;
    virtual void addHeader(TextWordSpecial* word) = 0;
    virtual void addFooter(TextWordSpecial* word) = 0;
    virtual void removeHeader(TextWordSpecial* word) = 0;
    virtual void removeFooter(TextWordSpecial* word) = 0;
    virtual void removeFootnote(TextWordSpecial* word) = 0;

    // ---- In-line pictures: the document's graphic-links list (its
    // linksInfo) takes and drops an in-line graphic word, and a picture
    // that leaves gives up its object-link number.
    virtual void addLink(GraphicLink* link) = 0;
    virtual void removeLink(GraphicLink* link) = 0;
    virtual void removedObjectLinkItem(Item* item) = 0;
};
