#pragma once

// The word processor's document. The page's shape is fixed by eight guides
// of the master layer (the four margins, the top and bottom of the header
// and footer areas); between the margins a column count makes the master
// text columns, chained into one flow that runs over every page. Clicks go
// to the main text, header or footer of the page; Escape switches text
// editing; foreign files are read and written through the import and export
// bundle.

#include "document/LayoutDocument.h"

#include "core/WeakLink.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class ScrivlyPreferences;

class ScrivlyDocument : public LayoutDocument {
public:
    // Slots of the fixed guides in the guide list.
    enum ScrivlyGuideSlot {
        HeaderTopSlot = 0,
        FooterBottomSlot = 1,
        TopMarginSlot = 2,
        BottomMarginSlot = 3,
        LeftMarginSlot = 4,
        RightMarginSlot = 5,
        HeaderBottomSlot = 6,
        FooterTopSlot = 7,
        GuideSlotCount = 8,
    };
    static constexpr int MaxColumnCount = 24;
    // A column narrower than this is refused: the text engine cannot lay a
    // word into nothing.
    static constexpr float MinColumnWidth = 1.0f;

    explicit ScrivlyDocument(const Preferences* preferences = nullptr);
    ~ScrivlyDocument() override;

    // Class set-up: the archiver makes the document by its class name.
    static void initialize();

    std::string className() const override { return "ScrivlyDocument"; }
    std::unique_ptr<LayoutDocument> makeDocument() const override;

    // ---- Identity.
    std::string documentExtension() const override { return "syb"; }
    std::string templateExtension() const override { return "syt"; }
    std::string docEmbeddedFilename() const override { return "SYB.typedstream"; }
    std::string documentPboardType() const override { return "Scrivly Document (syb)"; }
    std::string templatePboardType() const override { return "Scrivly Template (syt)"; }
    kit::Size canvasMargin() const override { return {}; }
    static const std::vector<std::string>& standardAlienTypes();
    // The framework's own files ("lvb", "lvt") are still opened, as the
    // framework's document they are.
    bool _canInitOtherType(const std::string& extension) const override;
    LayoutDocument* _initFromOtherTypeFile(const std::string& path, bool view, bool forRevert) override;
    bool showTextKnobs() const override { return false; }
    bool viewWillChangeOrigin(DocumentView* view, kit::Point point) override
    {
        (void)view, (void)point;
        return false;
    }

    // ---- Set-up.
    void setup() override;
    void emptyDocument() override;
    // The preference "SaveFormat" becomes the file format first.
    void transformToNewUntitled() override;

    // ---- The fixed guides (nil while the list lacks the slot).
    Guide* guideAt(int slot) const;
    Guide* headerTopGuide() const { return guideAt(HeaderTopSlot); }
    Guide* footerBottomGuide() const { return guideAt(FooterBottomSlot); }
    Guide* topMarginGuide() const { return guideAt(TopMarginSlot); }
    Guide* bottomMarginGuide() const { return guideAt(BottomMarginSlot); }
    Guide* leftMarginGuide() const { return guideAt(LeftMarginSlot); }
    Guide* rightMarginGuide() const { return guideAt(RightMarginSlot); }
    Guide* headerBottomGuide() const { return guideAt(HeaderBottomSlot); }
    Guide* footerTopGuide() const { return guideAt(FooterTopSlot); }
    // The location of a slot's guide; 0 without one.
    float locationAt(int slot) const;
    float headerTopLocation() const { return locationAt(HeaderTopSlot); }
    float footerBottomLocation() const { return locationAt(FooterBottomSlot); }
    float topMargin() const { return locationAt(TopMarginSlot); }
    float bottomMargin() const { return locationAt(BottomMarginSlot); }
    float leftMargin() const { return locationAt(LeftMarginSlot); }
    float rightMargin() const { return locationAt(RightMarginSlot); }
    float headerBottomLocation() const { return locationAt(HeaderBottomSlot); }
    float footerTopLocation() const { return locationAt(FooterTopSlot); }
    void setLocationAt(int slot, float location);
    void setLeftMargin(float x) { setLocationAt(LeftMarginSlot, x); }
    void setRightMargin(float x) { setLocationAt(RightMarginSlot, x); }
    // The guides that apply to a page: the four margins, the header's when
    // the page has a header, the footer's when it has a footer. A new list
    // each call: a caller may keep it while it asks again.
    std::vector<Guide*> guidesForPage(const Page* page) const override;
    void getHeaderFrame(kit::Rect* rect) const;
    void getFooterFrame(kit::Rect* rect) const;

    // ---- Guide drags (the guides' delegate).
    bool guideWillDrag(Guide* guide, kit::Point fromPoint, kit::Rect* inRect, bool isNew) override;
    void guideDidDrag(Guide* guide, bool willFree) override;
    // The limits of a drag of the slot's guide.
    void calcDragRect(kit::Rect* rect, int slot) const;

    // ---- Paper and page layout.
    void paperSizeDidChange(const kit::Rect& newRect, const kit::Rect& oldRect);
    // The right and bottom margins and the footer guides keep their
    // distance to the far edges.
    void repositionGuides(const kit::Rect& newRect, const kit::Rect& oldRect);
    void setupPageLayout(kit::PageLayout* panel, PageLayoutAccessory* accessory, bool* paperFollowsPage) override;
    void processPageLayout(PageLayoutAccessory* accessory, bool paperFollowsPage) override;
    void setShowGuides(bool flag) override;

    // ---- Main text and columns.
    TextItem* mainTextItem() const;
    void setMainTextItem(TextItem* item);
    TextItem* mainTextItemForPage(Page* page) const override;
    // The master columns from the main one along the chain, as many as
    // there really are (a damaged file may hold fewer than the count).
    std::vector<TextItem*> masterColumns() const;
    int columnCount() const { return columnCount_; }
    float columnGutterWidth() const { return columnGutterWidth_; }
    // A count outside 1 to 24 is refused (false) and the count kept.
    bool setColumnCount(int count);
    void setColumnGutterWidth(float width) { columnGutterWidth_ = width; }
    // Whether the pair leaves every column at least MinColumnWidth wide
    // between the margins (count 1 to 24, gutter finite and not negative).
    bool acceptsColumns(int count, float gutter) const;
    void resizeMasterTextItems();
    void resizePageTextItems();
    // Makes count columns with the gutter between them on every page; a
    // pair that acceptsColumns refuses changes nothing (false). Any change
    // marks the document edited.
    bool resetDocumentColumnCount(int count, float gutter);
    // The master frames of the main text's chain stay when the master layer
    // is edited: their page copies carry the text.
    bool keepsItemOnDelete(const Item* item) const override;

    // ---- Views.
    void resetWithView(kit::ScrollView* scrollView, int pageNumber, bool forceToScreen);
    // Without a flow edited last, editing begins in the main text of the
    // active page.
    void toggleTextEditing(DocumentView* view) override;

    // ---- Events (ScrivlyDocumentEvents.cpp).
    void mouseDown(const kit::Event& event, CanvasView* view) override;
    bool keyDown(const kit::Event& event, CanvasView* view) override;

    // ---- Foreign files and saving (ScrivlyDocumentFiles.cpp).
    bool _canInitStandardAlienType(const std::string& path) const;
    // Reads the file into the active document contents; YES when read as
    // the interchange format.
    bool _initFromStandardAlienFile(const std::string& path);
    LayoutDocument* _initFromAlienTypeFile(const std::string& path, bool view, bool forRevert) override;
    bool saveAs(kit::Object* sender) override;
    bool saveTo(kit::Object* sender);
    bool saveFile(const std::string& path, bool withBackup) override;
    // Whether a save mode and format write the native form.
    bool savesNatively() const;
    // The save-to type the delegate's panel chose (tests replace it).
    using SaveToTypeSource = std::function<std::string()>;
    static SaveToTypeSource& saveToTypeSource();

    // ---- Stored form (ScrivlyDocumentArchiving.cpp).
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;
    // The window frame of an older file, put on the screen.
    static kit::Rect clampFrameToScreen(const kit::Rect& frame, const kit::Rect& screen);

private:
    kit::Object* initWithOlderCoder(kit::Coder& coder);
    void makeMissingGuides();
    void setPartners();
    TextItem* newMasterColumn(int series) const;
    const ScrivlyPreferences* scrivlyPreferences() const;
    // The old header and footer frames of a file before 2.6, made markers
    // of the main flow.
    struct OldHeaders {
        bool header = false;
        bool secondHeader = false;
        bool footer = false;
        bool secondFooter = false;
        kit::WeakLink<TextItem> footerFrame;
        kit::WeakLink<TextItem> headerFrame;
        kit::WeakLink<TextItem> secondFooterFrame;
        kit::WeakLink<TextItem> secondHeaderFrame;
    };
    void convertOldHeaders(const OldHeaders& old);
    void convertPendingOldHeaders();
    // Revert: each view's place on its most visible page.
    struct ViewPlace;

    // Old header and footer frames waiting for the main text that set-up
    // completes.
    std::unique_ptr<OldHeaders> pendingOldHeaders_;
    std::vector<kit::WeakLink<Guide>> guideList_;
    kit::WeakLink<TextItem> mainTextItem_;
    int columnCount_ = 1;
    float columnGutterWidth_ = 18.0f;
};

// Whether saving knows the format title: the native form (""), RTF, RTFD,
// the interchange format, plain text and what the filters make of the
// interchange format.
bool fileFormatPresent(const std::string& format);
