#pragma once

// The layout document. So far only the services the style sheet calls: style
// references in the document's text and items, and what the selection holds.

#include "core/Geometry.h"
#include "document/Document.h"

#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class Object;
}
class Item;
class Page;
class PageView;
class TextWordSpecial;
class Preferences;
class StyleGraphic;
class StyleInfo;
class StyleParagraph;
class StyleParagraphNamed;

class LayoutDocument : public Document {
public:
    // The style sheet's new styles take their defaults from the preferences
    // (not owned; the built-in values for none).
    explicit LayoutDocument(const Preferences* preferences = nullptr);
    ~LayoutDocument() override;

    // The document's style sheet, made with the document.
    StyleInfo* styleInfo() const { return styleInfo_.get(); }

    // Every flow's paragraphs drop the style as their based-on or next style.
    virtual void removeStyleReference(const StyleParagraph* style);
    // Every page and master item whose graphic style's root is the style
    // goes back to a local style.
    virtual void removeGraphicStyle(const StyleGraphic* style);

    // The style of the current paragraph of the flow of the first selected
    // object, when that object is a text column; nil otherwise.
    virtual StyleParagraph* currentParagraphStyle() const;
    // Bases that current paragraph on the style.
    virtual void setCurrentParagraphBasedOnStyle(StyleParagraphNamed* style);
    // A graphic style standing for the selected items; nil for none.
    virtual std::unique_ptr<StyleGraphic> graphicStyleOfSelection() const;

    // ---- Named items (not owned): names are unique in the document.
    // Appended unless present.
    void addNamedItem(Item* item);
    void removeNamedItem(Item* item);
    // The first item in list order whose name is equal; nil for none.
    Item* findItemNamed(const std::optional<std::string>& name) const;

    // ---- Object links: the selections (description data) that links of
    // other documents point at in this one.
    void addDestinationLink(const std::string& selection);
    void removeDestinationLink(const std::string& selection);
    bool hasDestinationLinkForSelection(const std::string& selection) const;

    // ---- Services of the text engine's words.
    // While an import dispatches into a document (and is not suspended),
    // words are neither measured nor hyphenated.
    static bool isDispatching();
    static bool isDispatchingSuspended();
    static void setDispatching(bool flag);
    static void setDispatchingSuspended(bool flag);

    bool prefersScreenMetrics() const { return prefersScreenMetrics_; }
    void setPrefersScreenMetrics(bool flag) { prefersScreenMetrics_ = flag; }

    // The pages in order and the master page, owned by the document; each
    // added page is told its document. Page numbering counts the pages only:
    // the master page and foreign pages are not found (NSNotFound).
    static constexpr int PageNotFound = INT_MAX;
    Page* addPage(std::unique_ptr<Page> page);
    Page* masterPage() const { return masterPage_.get(); }
    Page* setMasterPage(std::unique_ptr<Page> page);
    virtual int numPages() const { return static_cast<int>(pages_.size()); }
    virtual int indexOfPage(const Page* page) const;
    int firstPageNum() const { return firstPageNum_; }
    void setFirstPageNum(int number) { firstPageNum_ = number; }
    int pageNumberFormat() const { return pageNumberFormat_; }
    void setPageNumberFormat(int format) { pageNumberFormat_ = format; }

    // Header and footer frames, and the marker words that hold them (not owned).
    const kit::Rect& headerFrame() const { return headerFrame_; }
    const kit::Rect& footerFrame() const { return footerFrame_; }
    void setHeaderFrame(const kit::Rect& rect) { headerFrame_ = rect; }
    void setFooterFrame(const kit::Rect& rect) { footerFrame_ = rect; }
    void addHeader(TextWordSpecial* word);
    void addFooter(TextWordSpecial* word);
    void removeHeader(TextWordSpecial* word);
    void removeFooter(TextWordSpecial* word);
    const std::vector<TextWordSpecial*>& headers() const { return headers_; }
    const std::vector<TextWordSpecial*>& footers() const { return footers_; }

    // Outline numbering: one record per level, levels counted from 1.
    struct NumberingLevel {
        std::optional<std::string> prefix;
        std::optional<std::string> suffix;
        short start = 1;
        short unused = 0;
        signed char displayType = 0;
        bool showHigherLevels = false;
    };
    int paragraphNumberingCount() const { return static_cast<int>(paragraphNumbering_.size()); }
    // nil outside 1 to the count.
    const NumberingLevel* paragraphNumberingLevel(int level) const
    {
        return level >= 1 && level <= paragraphNumberingCount() ? &paragraphNumbering_[std::size_t(level - 1)]
                                                                 : nullptr;
    }
    void setParagraphNumbering(std::vector<NumberingLevel> levels) { paragraphNumbering_ = std::move(levels); }

    // The main page view; nil until views arrive.
    PageView* mainView() const { return nullptr; }
    // Tells the views to refresh the items (nil: everything), unless
    // announcements are held back. No views exist yet.
    virtual void notifyUpdate(PageView* view, const std::vector<kit::Object*>* items);

private:
    std::unique_ptr<StyleInfo> styleInfo_;
    std::vector<Item*> namedItems_;
    std::vector<std::string> destinationLinks_;

    // Text engine state.
    std::vector<std::unique_ptr<Page>> pages_;
    std::unique_ptr<Page> masterPage_;
    bool prefersScreenMetrics_ = false;
    int firstPageNum_ = 1;
    int pageNumberFormat_ = 0;
    kit::Rect headerFrame_{};
    kit::Rect footerFrame_{};
    std::vector<TextWordSpecial*> headers_;
    std::vector<TextWordSpecial*> footers_;
    std::vector<NumberingLevel> paragraphNumbering_;
};
