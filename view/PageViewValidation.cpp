// Which menu commands the canvas can carry out now, the titles of the
// two-state commands, and the view toggles.

#include "view/PageView.h"

#include "appkit/MenuItem.h"
#include "core/Pasteboard.h"
#include "document/LayoutDocument.h"
#include "document/UndoInfo.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/PboardTypes.h"
#include "foundation/StyleChar.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextReplacement.h"
#include "text/TextSelection.h"
#include "view/InfoBarInset.h"
#include "view/PageScrollView.h"
#include "appkit/Control.h"
#include "foundation/PageNumbers.h"

#include <algorithm>
#include <array>
#include <string_view>

int PageView::pasteChecks_ = 0;

namespace {

struct PasteCheck {
    int changeCount = -1;
    bool valid = false;
};

// Read again only when the pasteboard changed since the last look.
bool hasPasteType(kit::Pasteboard& pboard, PasteCheck& cache, int& checks)
{
    const int count = pboard.changeCount();
    if (count != cache.changeCount) {
        ++checks;
        cache.changeCount = count;
        cache.valid = !getPasteType(pboard.types()).empty();
    }
    return cache.valid;
}

PasteCheck generalCheck;
PasteCheck killCheck;

bool isOneOf(std::string_view action, std::initializer_list<std::string_view> actions)
{
    return std::find(actions.begin(), actions.end(), action) != actions.end();
}

const std::string& stringFor(const std::string& key)
{
    return Main ? Main->valueForStringKey(key) : key;
}

} // namespace

bool PageView::generalPasteboardHasPasteType()
{
    return hasPasteType(kit::Pasteboard::generalPasteboard(), generalCheck, pasteChecks_);
}

bool PageView::killPasteboardHasPasteType()
{
    return hasPasteType(kit::Pasteboard::pasteboardWithName(ZYN_PRIVATEKILL), killCheck, pasteChecks_);
}

bool PageView::validateMenuItem(kit::MenuItem* item)
{
    if (!item)
        return false;
    const std::string& action = item->action();
    const bool automatic = Main && Main->prefersAutomaticTextItems();
    if (action == "place:" && automatic)
        return editing_;
    if (isOneOf(action, {"changeCase:", "changeTracking:", "changeKerning:", "insertDate:", "insertTime:",
                         "insertMergeToken:", "insertPageBreak:", "insertPageNumber:", "insertLastPageNumber:",
                         "copyRuler:", "pasteRuler:", "copyParagraphStyle:", "pasteParagraphStyle:",
                         "setMenuAlign:", "addFontTrait:", "removeFontTrait:", "modifyFont:"}))
        return editing_;
    if (action == "changeFontAttribute:") {
        updateCommand(item);
        return editing_;
    }
    if (isOneOf(action, {"toggleRulers:", "showGraphics:", "showGuides:", "snapToGuides:", "snapToRulers:",
                         "showTextRects:", "toggleInfoBar:", "toggleFontMetrics:", "toggleTextEditing:",
                         "toggleTextMarkers:"})) {
        updateCommand(item);
        return true;
    }
    if (isOneOf(action, {"cut:", "copy:", "delete:", "ungroup:", "makeNatural:", "lock:", "unlock:",
                         "bringToFront:", "sendToBack:", "popForward:", "pushBackward:", "group:"}))
        return document_ && !document_->selected().empty();
    if (action == "undo:") {
        const bool undelete = editing_ && !replacementToUndo();
        if (item->tag() != (undelete ? 1 : 0))
            updateCommand(item);
        if (editing_)
            return !undelete || killPasteboardHasPasteType();
        return document_ && document_->undoInfo() && document_->undoInfo()->undoCount() > 0;
    }
    if (action == "redo:")
        return document_ && document_->undoInfo() && document_->undoInfo()->redoCount() > 0;
    if (action == "paste:")
        return generalPasteboardHasPasteType();
    if (action == "insertHeader:" || action == "insertFooter:") {
        TextFlow* flow = document_ ? document_->activeTextFlow() : nullptr;
        const TextItem* first = flow ? flow->firstTextItem() : nullptr;
        return first && first->name() && *first->name() == "MainText";
    }
    return true;
}

bool PageView::replacementToUndo() const
{
    TextFlow* flow = editing_ && document_ ? document_->activeTextFlow() : nullptr;
    return flow && flow->replacement() && flow->replacement()->mayBeValid();
}

bool PageView::updateCommand(kit::MenuItem* item)
{
    if (!item)
        return false;
    const std::string& action = item->action();
    std::string key;
    bool font = false;
    const auto choose = [&](bool on, const char* off, const char* onKey) { key = on ? onKey : off; };
    if (action == "undo:") {
        const bool undelete = editing_ && !replacementToUndo();
        item->setTag(undelete ? 1 : 0);
        choose(undelete, "Undo", "Undelete");
    } else if (action == "changeFontAttribute:") {
        if (!editing_)
            return false;
        static constexpr struct {
            int tag;
            const char* off;
            const char* on;
        } kAttributes[] = {{0x10, "Underline", "UnUnderline"},
                           {0x20, "DoubleUnderline", "UnDoubleUnderline"},
                           {0x80, "Redline", "UnRedline"},
                           {0x100, "Strikeout", "UnStrikeout"},
                           {0x800, "WordUnderline", "UnWordUnderline"}};
        TextFlow* flow = document_ ? document_->activeTextFlow() : nullptr;
        const StyleChar* style = flow ? flow->charStyle() : nullptr;
        for (const auto& attribute : kAttributes)
            if (attribute.tag == item->tag()) {
                choose(style && (style->special() & attribute.tag), attribute.off, attribute.on);
                font = true;
            }
        if (!font)
            return false;
    } else if (action == "toggleInfoBar:") {
        choose(infoBar() != nullptr, "ShowInfobar", "HideInfobar");
    } else if (document_ && action == "showGraphics:") {
        choose(document_->showGraphics(), "ShowGraphics", "HideGraphics");
    } else if (document_ && action == "showGuides:") {
        choose(document_->showGuides(), "ShowGuides", "HideGuides");
    } else if (document_ && action == "snapToGuides:") {
        choose(document_->snapToGuides(), "SnapGuides", "UnsnapGuides");
    } else if (document_ && action == "snapToRulers:") {
        choose(document_->snapToRulers(), "SnapRulers", "UnsnapRulers");
    } else if (document_ && action == "showTextRects:") {
        choose(document_->showTextRects(), "ShowTextRects", "HideTextRects");
    } else if (document_ && action == "toggleFontMetrics:") {
        choose(document_->prefersScreenMetrics(), "ScreenMetrics", "PrinterMetrics");
    } else if (action == "toggleTextEditing:") {
        choose(editing_, "BeginEditing", "EndEditing");
    } else if (document_ && action == "toggleTextMarkers:") {
        choose(document_->showTextMarkers(), "ShowTextMarkers", "HideTextMarkers");
    } else {
        return false;
    }
    const std::string& title = stringFor(key);
    if (title == item->title())
        return false;
    item->setTitle(title);
    return font;
}

void PageView::registerCanvasActions()
{
    const auto command = [this](const char* name, auto body) {
        setAction(name, [this, body](kit::Object* sender) -> kit::Object* {
            body(sender);
            updateCommand(dynamic_cast<kit::MenuItem*>(sender));
            return nullptr;
        });
    };
    const auto toDocument = [this](void (LayoutDocument::*toggle)(kit::Object*)) {
        return [this, toggle](kit::Object* sender) {
            if (document_)
                (document_->*toggle)(sender);
        };
    };
    command("showGraphics:", toDocument(&LayoutDocument::toggleShowGraphics));
    command("showGuides:", toDocument(&LayoutDocument::toggleShowGuides));
    command("showTextRects:", toDocument(&LayoutDocument::toggleShowTextRects));
    command("snapToGuides:", toDocument(&LayoutDocument::toggleSnapToGuides));
    command("snapToRulers:", toDocument(&LayoutDocument::toggleSnapToRulers));
    command("toggleFontMetrics:", toDocument(&LayoutDocument::toggleFontMetrics));
    command("toggleTextMarkers:", toDocument(&LayoutDocument::toggleTextMarkers));
    command("toggleTextEditing:", [this](kit::Object*) {
        if (document_)
            document_->toggleTextEditing(this);
    });
    command("showObjectLinks:", [this](kit::Object* sender) { toggleShowObjectLinks(sender); });
    command("toggleRulers:", [this](kit::Object* sender) {
        if (PageScrollView* scroll = pageScrollView())
            scroll->toggleRulers(sender);
    });
    command("toggleInfoBar:", [this](kit::Object* sender) {
        if (PageScrollView* scroll = pageScrollView())
            scroll->toggleInfoBar(sender);
    });

    const auto plain = [this](const char* name, void (PageView::*operation)(kit::Object*)) {
        setAction(name, [this, operation](kit::Object* sender) -> kit::Object* {
            (this->*operation)(sender);
            return nullptr;
        });
    };
    plain("delete:", &PageView::delete_);
    plain("selectAll:", &PageView::selectAll);
    plain("undo:", &PageView::undo);
    plain("redo:", &PageView::redo);
    plain("lock:", &PageView::lock);
    plain("unlock:", &PageView::unlock);
    plain("unlockAll:", &PageView::unlockAll);
    plain("bringToFront:", &PageView::bringToFront);
    plain("sendToBack:", &PageView::sendToBack);
    plain("popForward:", &PageView::popForward);
    plain("pushBackward:", &PageView::pushBackward);
    plain("makeNatural:", &PageView::makeNatural);
    plain("flipHorizontal:", &PageView::flipHorizontal);
    plain("flipVertical:", &PageView::flipVertical);
    plain("toggleDropShadow:", &PageView::toggleDropShadow);
    plain("removeColor:", &PageView::removeColor);
    plain("removeLine:", &PageView::removeLine);
    plain("runGotoPage:", &PageView::runGotoPage);
    // Copying, pasting and placing (PageViewPasteboard.cpp, PageViewPlace.cpp).
    plain("copy:", &PageView::copy);
    plain("cut:", &PageView::cut);
    plain("paste:", static_cast<void (PageView::*)(kit::Object*)>(&PageView::paste));
    plain("pasteAndLink:", &PageView::pasteAndLink);
    plain("pasteRuler:", &PageView::pasteRuler);
    plain("pasteParagraphStyle:", &PageView::pasteParagraphStyle);
    plain("copyDimensions:", &PageView::copyDimensions);
    plain("copyGraphics:", &PageView::copyGraphics);
    plain("copyParagraphStyle:", &PageView::copyParagraphStyle);
    plain("copyRuler:", &PageView::copyRuler);
    plain("place:", &PageView::place);
    plain("unlinkColumn:", &PageView::unlinkColumn);
    plain("applyStyle:", &PageView::applyStyle);
    plain("runMoveBy:", &PageView::runMoveBy);
    plain("runPaper:", &PageView::runPaper);
    plain("generateResourceList:", &PageView::generateResourceList);
    plain("processTextMarkup:", &PageView::processTextMarkup);
    plain("viewPage:", &PageView::viewPage);
    const auto tagged = [this](const char* name, auto body) {
        setAction(name, [body](kit::Object* sender) -> kit::Object* {
            const auto* item = dynamic_cast<const kit::MenuItem*>(sender);
            body(item ? item->tag() : 0);
            return nullptr;
        });
    };
    tagged("changeColor:", [this](int tag) { changeColor(tag); });
    // The page buttons and the page-number field of the scroll view.
    setAction("gotoNextPage:", [this](kit::Object* sender) -> kit::Object* {
        if (const auto* control = dynamic_cast<const kit::Control*>(sender))
            gotoNextPage(control->selectedTag());
        else if (const auto* item = dynamic_cast<const kit::MenuItem*>(sender))
            gotoNextPage(item->tag() == -1 ? -1 : 1);
        return nullptr;
    });
    setAction("gotoPage:", [this](kit::Object* sender) -> kit::Object* {
        if (const auto* control = dynamic_cast<const kit::Control*>(sender))
            gotoPage(ConvertPageStringToNumber(control->stringValue(), document_ ? document_->pageNumberFormat() : 0));
        return nullptr;
    });
    tagged("centerOnPageHoriz:", [this](int) { centerOnPage(1); });
    tagged("centerOnPageVert:", [this](int) { centerOnPage(2); });
    tagged("centerOnPageBoth:", [this](int) { centerOnPage(-1); });
    tagged("dropShadowXincrease:", [this](int) { offsetDropShadow(1.0f, 1.0f); });
    tagged("dropShadowXdecrease:", [this](int) { offsetDropShadow(-1.0f, -1.0f); });
}
