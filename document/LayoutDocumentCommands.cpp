// The document's display switches and page arrangement, and the commands
// the page view forwards to it: page layout, paper, move by, the resource
// report, revision marks and the switch between text and object editing.

#include "document/LayoutDocument.h"

#include "appkit/Application.h"
#include "appkit/PageLayout.h"
#include "appkit/RunLoop.h"
#include "appkit/SavePanel.h"
#include "appkit/TextField.h"
#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "document/DocumentPanels.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleSheetEntry.h"
#include "foundation/UnitsInfo.h"
#include "graphics/Font.h"
#include "graphics/PrintInfo.h"
#include "items/Item.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextPoint.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

namespace {

bool usableSize(kit::Size size)
{
    return std::isfinite(size.width) && std::isfinite(size.height) && size.width > 0.0f && size.height > 0.0f;
}

// The shared print settings take the size upright: a size wider than high
// is the same paper turned to landscape.
void setPortraitForm(kit::PrintInfo& info, kit::Size size)
{
    if (size.height < size.width) {
        info.setPaperSize(kit::makeSize(size.height, size.width));
        info.setOrientation(kit::PrintInfo::Orientation::Landscape);
    } else {
        info.setPaperSize(size);
        info.setOrientation(kit::PrintInfo::Orientation::Portrait);
    }
}

// The paper the shared settings describe, as it lies (landscape turned).
kit::Size paperAsLaid(const kit::PrintInfo& info)
{
    const kit::Size size = info.paperSize();
    if (info.orientation() == kit::PrintInfo::Orientation::Landscape && size.height > size.width)
        return kit::makeSize(size.height, size.width);
    return size;
}

bool sameSize(kit::Size a, kit::Size b) { return a.width == b.width && a.height == b.height; }

void showTitle(kit::PageLayout* panel, const std::string& key)
{
    if (kit::TextField* title = panel ? panel->titleField() : nullptr)
        title->setStringValue(StyleSheetEntry::stringForKey(key));
}

} // namespace

// ---- Display and snapping switches.

void LayoutDocument::setShowGraphics(bool flag)
{
    showGraphics_ = flag;
    notifyUpdate(nullptr, kit::Rect{});
}

void LayoutDocument::toggleShowGraphics(kit::Object* sender)
{
    (void)sender;
    setShowGraphics(!showGraphics());
}

void LayoutDocument::setShowGuides(bool flag)
{
    showGuides_ = flag;
    notifyUpdate(nullptr, kit::Rect{});
}

void LayoutDocument::toggleShowGuides(kit::Object* sender)
{
    (void)sender;
    setShowGuides(!showGuides());
}

void LayoutDocument::setShowTextRects(bool flag)
{
    showTextRects_ = flag;
    notifyUpdate(nullptr, kit::Rect{});
}

void LayoutDocument::toggleShowTextRects(kit::Object* sender)
{
    (void)sender;
    setShowTextRects(!showTextRects());
}

void LayoutDocument::setShowTextMarkers(bool flag)
{
    showTextMarkers_ = flag;
    notifyUpdate(nullptr, kit::Rect{});
}

void LayoutDocument::toggleTextMarkers(kit::Object* sender)
{
    (void)sender;
    setShowTextMarkers(!showTextMarkers());
}

void LayoutDocument::setPrefersScreenMetrics(bool flag)
{
    prefersScreenMetrics_ = flag;
    notifyUpdate(nullptr, kit::Rect{});
}

void LayoutDocument::toggleFontMetrics(kit::Object* sender)
{
    (void)sender;
    setPrefersScreenMetrics(!prefersScreenMetrics());
}

// ---- Page arrangement.

void LayoutDocument::setTileMode(int mode)
{
    if (tileMode_ == (mode & 3))
        return;
    tileMode_ = mode & 3;
    calcPageRectsFor(1);
    notifyDocumentDidChangeSize();
}

void LayoutDocument::setSidedMode(int mode)
{
    if (sidedMode_ == (mode & 3))
        return;
    sidedMode_ = mode & 3;
    calcPageRectsFor(1);
    notifyDocumentDidChangeSize();
}

// ---- Text or object editing.

void LayoutDocument::toggleTextEditing(DocumentView* view)
{
    if (!view)
        return;
    if (view->isEditing()) {
        view->endEditingIfNeeded();
        return;
    }
    TextFlow* flow = lastActiveTextFlow();
    TextItem* column = nullptr;
    if (flow && flow->firstTextItem()) {
        textPoint point;
        flow->getCurrentTextPoint(&point);
        column = flow->item(flow->firstTextItem(), &point);
    }
    // Nothing to edit: no flow was edited, or no column holds its caret.
    if (!column) {
        kit::beep();
        return;
    }
    view->beginEditingItem(column);
}

// ---- Page layout and paper.

LayoutDocument::FileOpener& LayoutDocument::fileOpener()
{
    static FileOpener opener = [](const std::string& path) { return kit::Workspace::sharedWorkspace().openFile(path); };
    return opener;
}

void LayoutDocument::runPageLayout(kit::Object* sender)
{
    (void)sender;
    kit::PageLayout* panel = kit::PageLayout::pageLayout();
    PageLayoutAccessory* accessory = DocumentPanels::shared().pageLayoutAccessory(true);
    bool paperFollowsPage = false;
    setupPageLayout(panel, accessory, &paperFollowsPage);
    const int answer = panel->runModal();
    panel->setAccessoryView(nullptr);
    if (answer == kit::PageLayout::OK)
        processPageLayout(accessory, paperFollowsPage);
}

void LayoutDocument::setupPageLayout(kit::PageLayout* panel, PageLayoutAccessory* accessory, bool* paperFollowsPage)
{
    if (paperFollowsPage)
        *paperFollowsPage = sameSize(pageSize_, paperSize_);
    setPortraitForm(*kit::PrintInfo::sharedPrintInfo(), pageSize_);
    if (panel)
        panel->setAccessoryView(accessory ? accessory->view() : nullptr);
    showTitle(panel, "Page Layout");
    if (!accessory)
        return;
    accessory->setUnitName(UnitsInfo().unitName());
    accessory->setSidedMode(sidedMode_);
    // Facing pages show their arrangement by codes of their own.
    if (sidedMode_ == 1) {
        if (tileMode_ == 0)
            accessory->setTileMode(3);
        else if (tileMode_ == 2)
            accessory->setTileMode(4);
    }
    accessory->setPageNumber(firstPageNum_);
    accessory->setPageNumberFormat(pageNumberFormat_);
    accessory->setDefaultTabInfo(this);
}

void LayoutDocument::processPageLayout(PageLayoutAccessory* accessory, bool paperFollowsPage)
{
    bool layoutChanged = false, numbersChanged = false;
    if (accessory) {
        int tile = accessory->tileMode();
        tile = tile == 3 ? 0 : tile == 4 ? 2 : tile;
        if (tile != tileMode_) {
            tileMode_ = tile & 3;
            layoutChanged = true;
        }
        const int sided = accessory->sidedMode();
        if (sided != sidedMode_) {
            sidedMode_ = sided & 3;
            layoutChanged = true;
        }
        // A first page number that is "not set" or that does not fit with
        // the pages in 16 bits is refused: page numbers would wrap.
        const int first = accessory->pageNumber();
        const bool fits = first != FirstPageNumNotSet && first >= SHRT_MIN &&
                          static_cast<long long>(first) + numPages() <= SHRT_MAX;
        if (fits && first != firstPageNum_) {
            if (sidedMode_ == 1 && ((first - firstPageNum_) & 1))
                layoutChanged = true;
            firstPageNum_ = static_cast<short>(first);
            numbersChanged = true;
        }
        const short format = accessory->pageNumberFormat();
        if (format != pageNumberFormat_) {
            pageNumberFormat_ = format;
            numbersChanged = true;
        }
        const float tab = accessory->defaultTabFromDocument(this);
        if (std::isfinite(tab) && tab > 0.0f)
            setDefaultTabSpacing(tab);
    }
    const kit::Size paper = paperAsLaid(*kit::PrintInfo::sharedPrintInfo());
    if (usableSize(paper) && !sameSize(paper, pageSize_)) {
        pageSize_ = paper;
        for (const auto& page : pages_)
            page->setSize(paper);
        for (const auto& run : pagesCollapsed_)
            run->setSize(paper);
        layoutChanged = true;
    }
    if (layoutChanged) {
        calcPageRectsFor(1);
        notifyDocumentDidChangeSize();
        if (paperFollowsPage)
            paperSize_ = pageSize_;
        setEdited(true);
    } else if (numbersChanged) {
        notifyUpdatePageNumber(mainView());
        setEdited(true);
    }
}

void LayoutDocument::runPaper(kit::Object* sender)
{
    (void)sender;
    kit::PageLayout* panel = kit::PageLayout::pageLayout();
    kit::PrintInfo& info = *kit::PrintInfo::sharedPrintInfo();
    const kit::Size shown = paperSize_.width > 0.0f ? paperSize_ : pageSize_;
    setPortraitForm(info, shown);
    info.setScalingFactor(1.0);
    panel->setAccessoryView(nullptr);
    showTitle(panel, "Paper Size");
    if (panel->runModal() == kit::PageLayout::OK) {
        const kit::Size chosen = paperAsLaid(info);
        if (usableSize(chosen) && !sameSize(chosen, paperSize_)) {
            paperSize_ = chosen;
            setEdited(true);
        }
    }
    // Whatever happened, the shared settings describe the document's page.
    setPortraitForm(info, pageSize_);
}

// ---- Move by.

void LayoutDocument::runMoveBy(kit::Object* sender)
{
    (void)sender;
    MoveByPanel* panel = DocumentPanels::shared().moveByPanel(true);
    DocumentView* view = mainView();
    if (!panel || !view)
        return;
    const int answer = panel->runModal();
    if (answer != MoveByPanel::OK && answer != MoveByPanel::Clone)
        return;
    if (answer == MoveByPanel::Clone)
        view->clone();
    float x = 0, y = 0;
    panel->getX(&x, &y);
    kit::Size offset = kit::makeSize(x, y);
    UnitsInfo().convertUnitsToSize(&offset);
    if (std::isfinite(offset.width) && std::isfinite(offset.height) && (offset.width != 0.0f || offset.height != 0.0f))
        view->doNudge(offset.width, offset.height);
    if (answer != MoveByPanel::Clone)
        return;
    // The panel comes back after each clone, from the run loop, never nested
    // in the panel that just closed.
    if (moveByAgain_)
        moveByAgain_->invalidate();
    moveByAgain_ = kit::Timer::scheduledTimerWithTimeInterval(
        0.001,
        [this](kit::Timer&) {
            moveByAgain_.reset();
            runMoveBy(nullptr);
        },
        false);
}

// ---- The resource report.

namespace {

struct FontLists {
    // Fonts with their sizes, and faces at 12 points, without duplicates.
    std::vector<kit::Font*> sized;
    std::vector<kit::Font*> faces;

    void add(kit::Font* font)
    {
        if (!font)
            return;
        if (std::find(sized.begin(), sized.end(), font) == sized.end())
            sized.push_back(font);
        kit::Font* face = kit::Font::fontWithName(font->fontName(), 12.0f);
        if (face && std::find(faces.begin(), faces.end(), face) == faces.end())
            faces.push_back(face);
    }
};


} // namespace

std::string LayoutDocument::resourceListReport(const std::string& name) const
{
    // Groups list their members' columns and pictures too.
    std::vector<TextFlow*> flows;
    std::vector<Item*> placed;
    for (const auto& item : theMasterItems_)
        item->pleaseListFlows(flows, placed);
    for (const auto& page : pages_)
        for (const auto& item : page->pageItems())
            item->pleaseListFlows(flows, placed);
    std::vector<GraphicLink*> images;
    for (Item* item : placed)
        if (auto* link = dynamic_cast<PlacedItem*>(item))
            images.push_back(link);
    FontLists fonts;
    for (TextFlow* flow : flows) {
        const StyleParagraph* previous = nullptr;
        for (int p = 0; p < flow->paragraphCount(); ++p) {
            const TextParagraph* paragraph = flow->paragraphAtIndex(p);
            const StyleParagraph* style = paragraph->paragraphStyle();
            if (style && style != previous) {
                fonts.add(style->font());
                fonts.add(style->bulletFont());
            }
            previous = style;
            for (int w = 0; w < paragraph->wordCount(); ++w) {
                TextWord* word = paragraph->wordAtIndex(w);
                if (word->wordType() == TextWordGraphic) {
                    auto* link = dynamic_cast<GraphicLink*>(word);
                    if (link && std::find(images.begin(), images.end(), link) == images.end())
                        images.push_back(link);
                }
                if (const auto* styles = word->theStyles())
                    for (const auto& charStyle : *styles)
                        if (charStyle)
                            fonts.add(charStyle->font());
            }
        }
    }

    const kit::PrintInfo& info = *kit::PrintInfo::sharedPrintInfo();
    const kit::Size paper = info.paperSize();
    std::string out;
    char line[512];
    auto put = [&](const char* format, auto... args) {
        const int n = std::snprintf(line, sizeof line, format, args...);
        if (n > 0)
            out.append(line, std::min<std::size_t>(std::size_t(n), sizeof line - 1));
    };
    out += "\n";
    out += "Document: " + name + "\n";
    put("Pages:   %d\n", numPages());
    out += "Page Size: " + info.paperName();
    put(" (%d x %d points)\n", static_cast<int>(paper.width), static_cast<int>(paper.height));
    if (images.empty()) {
        out += "\nPlaced Graphics in this Document: NONE\n";
    } else {
        put("\nPlaced Graphics in this Document: (%d total)\n", static_cast<int>(images.size()));
        for (GraphicLink* link : images) {
            const std::string file = link->filename().value_or("");
            out += " " + file + (dynamic_cast<PlacedItem*>(link) ? "\n" : " (in-line)\n");
        }
    }
    if (!customColors().empty()) {
        put("\nCustom Colors in this document: (%d total)\n", static_cast<int>(customColors().size()));
        for (const std::string& color : customColors())
            out += " " + color + "\n";
    }
    if (!fonts.sized.empty()) {
        put("\nFonts used in this document: (%d total)\n", static_cast<int>(fonts.faces.size()));
        for (kit::Font* face : fonts.faces)
            out += " " + face->fontName() + "\n";
        put("\nDetail of point sizes used: (%d total)\n", static_cast<int>(fonts.sized.size()));
        for (kit::Font* font : fonts.sized) {
            put(" %3.2f pt ", static_cast<double>(font->pointSize()));
            out += font->fontName() + "\n";
        }
    } else {
        out += "\nNo fonts found in document\n";
    }
    return out;
}

void LayoutDocument::generateResourceList(kit::Object* sender)
{
    (void)sender;
    kit::SavePanel* panel = kit::SavePanel::savePanel();
    panel->setRequiredFileType("list");
    std::string proposed = filename();
    if (const auto slash = proposed.rfind('/'); slash != std::string::npos)
        proposed = proposed.substr(slash + 1);
    if (const auto dot = proposed.rfind('.'); dot != std::string::npos && dot > 0)
        proposed = proposed.substr(0, dot);
    if (proposed.empty())
        proposed = "Untitled";
    if (panel->runModalForDirectory("", proposed + ".list") != 1)
        return;
    const std::string path = panel->filename();
    if (path.empty())
        return;
    const std::string report = resourceListReport(filename());
    // Never half a report over an older one; a failure is told, not opened.
    if (!kit::FileManager::writeFileAtomically(path, report)) {
        kit::runAlertPanel("", StyleSheetEntry::stringForKey("SaveError"), "", "", "", {path});
        return;
    }
    // The path goes to the desktop's opener as an argument: no shell ever
    // reads it.
    if (fileOpener())
        fileOpener()(path);
}

// ---- Revision marks.

bool LayoutDocument::processTextMarkupInFlow(TextFlow* flow)
{
    if (!flow || !flow->firstTextItem())
        return false;
    bool deleted = false;
    // Run starts whose deletion changed nothing: they are passed over, so a
    // run that cannot be deleted never stops the walk.
    std::set<std::tuple<int, int, int>> failed;
    // Deletions that began at one point: each takes text away, so only a
    // deletion that takes none keeps coming back there; it is given up.
    std::map<std::tuple<int, int, int>, int> attempts;
    constexpr int MostAttempts = 1000;
    auto deleteRun = [&](const textPoint& from, const textPoint& to) {
        TextSelection* selection = nullptr;
        if (flow->selectBetween(&from, &to, 0))
            selection = flow->textSelection();
        if (!selection)
            return false;
        const int before = flow->paragraphCount();
        const int wordsBefore = flow->paragraphAtIndex(from.paragraph)
                                    ? flow->paragraphAtIndex(from.paragraph)->wordCount()
                                    : 0;
        const StyleChar* atStart = nullptr;
        if (TextParagraph* p = flow->paragraphAtIndex(from.paragraph))
            if (TextWord* w = p->wordAtIndex(from.word))
                atStart = w->styleAt(from.letter);
        selection->deleteFromItem(flow->firstTextItem(), false, true);
        flow->removeSelection();
        // Something went when the text around the run's start changed.
        const TextParagraph* p = flow->paragraphAtIndex(from.paragraph);
        const TextWord* w = p ? p->wordAtIndex(from.word) : nullptr;
        const StyleChar* now = w ? w->styleAt(from.letter) : nullptr;
        return flow->paragraphCount() != before || (p ? p->wordCount() : 0) != wordsBefore || now != atStart;
    };

    textPoint start;
    bool inRun = false;
    int p = 0, w = 0, c = 0;
    while (p < flow->paragraphCount()) {
        TextParagraph* paragraph = flow->paragraphAtIndex(p);
        bool restarted = false;
        for (; w < paragraph->wordCount() && !restarted; ++w, c = 0) {
            TextWord* word = paragraph->wordAtIndex(w);
            const auto* styles = word->theStyles();
            if (!styles)
                continue;
            for (; c < int(styles->size()); ++c) {
                StyleChar* style = (*styles)[std::size_t(c)].get();
                if (!style)
                    continue;
                if (style->isRedline())
                    style->setRedline(false);
                if (style->isStrikeout()) {
                    if (!inRun && !failed.count({p, w, c})) {
                        setTextPoint(&start, p, w, c);
                        inRun = true;
                    }
                    continue;
                }
                if (!inRun)
                    continue;
                inRun = false;
                textPoint end;
                setTextPoint(&end, p, w, c);
                const std::tuple<int, int, int> at{start.paragraph, start.word, start.letter};
                const bool took = deleteRun(start, end);
                deleted = deleted || took;
                if (!took || ++attempts[at] >= MostAttempts)
                    failed.insert(at);
                // The walk resumes where the run began.
                p = start.paragraph;
                w = start.word;
                c = start.letter;
                restarted = true;
                break;
            }
        }
        if (restarted)
            continue;
        ++p;
        w = 0;
        c = 0;
    }
    // A struck-out run that reaches the end of the flow goes too.
    if (inRun) {
        textPoint end;
        flow->lastTextPoint(&end);
        if (deleteRun(start, end))
            deleted = true;
    }
    if (deleted)
        flow->recomputeAll();
    return deleted;
}

void LayoutDocument::processTextMarkup(kit::Object* sender)
{
    (void)sender;
    if (kit::runAlertPanel(StyleSheetEntry::stringForKey("ProcessMarkup"),
                           StyleSheetEntry::stringForKey("ProcessMarkupWarning"), StyleSheetEntry::stringForKey("OK"),
                           StyleSheetEntry::stringForKey("Cancel"), "") != 1)
        return;
    for (TextFlow* flow : flows())
        processTextMarkupInFlow(flow);
}
