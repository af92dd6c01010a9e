// The text commands of the menus, the font panel and the font menu reach
// the canvas as first responder; it hands them to the column being edited.

#include "view/PageView.h"

#include "foundation/ApplicationDelegate.h"
#include "text/TextPanels.h"

#include "appkit/MenuItem.h"
#include "core/Alert.h"
#include "core/Pasteboard.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "view/FontPasteboard.h"

namespace {

// The scratch item answers its tag to the text commands as any sender does.
class ScratchMenuItem : public kit::MenuItem, public CommandSender {
public:
    int tag() const override { return kit::MenuItem::tag(); }
    std::string title() const override { return kit::MenuItem::title(); }
};

} // namespace

void PageView::_passThroughTextMethod(TextCommand command, kit::Object* sender)
{
    TextItem* column = document_ ? document_->activeTextItem() : nullptr;
    if (!column || !command)
        return;
    lockFocus();
    (column->*command)(sender, this);
    unlockFocus();
}

void PageView::increasePointSize(kit::Object* sender)
{
    (void)sender;
    fakeMenu_->setTag(3);
    kit::FontManager::sharedFontManager().modifyFont(fakeMenu_->tag());
}

void PageView::decreasePointSize(kit::Object* sender)
{
    (void)sender;
    fakeMenu_->setTag(4);
    kit::FontManager::sharedFontManager().modifyFont(fakeMenu_->tag());
}

kit::Font* PageView::font() const
{
    TextFlow* flow = editing_ && document_ ? document_->activeTextFlow() : nullptr;
    return flow ? flow->font() : nullptr;
}

void PageView::copyFont(kit::Object* sender)
{
    (void)sender;
    kit::Font* current = document_ && document_->activeTextItem() ? font() : nullptr;
    if (!current)
        return;
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithName(kit::FontPboard);
    pboard.declareTypes({kit::FontPboardType}, nullptr);
    pboard.setData(fontPasteboardData({current->fontName(), current->pointSize()}), kit::FontPboardType);
}

void PageView::pasteFont(kit::Object* sender)
{
    (void)sender;
    TextItem* column = document_ ? document_->activeTextItem() : nullptr;
    if (!column)
        return;
    const std::optional<std::string> data =
        kit::Pasteboard::pasteboardWithName(kit::FontPboard).dataForType(kit::FontPboardType);
    const std::optional<FontChoice> choice = data ? readFontPasteboardData(*data) : std::nullopt;
    kit::Font* pasted = choice ? kit::Font::fontWithName(choice->name, choice->size) : nullptr;
    if (!pasted)
        return;
    lockFocus();
    column->setFont(pasted, this);
    unlockFocus();
}

void PageView::findNext(kit::Object* sender)
{
    if (FindPanel* panel = DocumentPanels::shared().findPanel(false))
        panel->findNext(sender);
    else
        kit::beep();
}

void PageView::findPrevious(kit::Object* sender)
{
    if (FindPanel* panel = DocumentPanels::shared().findPanel(false))
        panel->findPrevious(sender);
    else
        kit::beep();
}

void PageView::registerTextActions()
{
    fakeMenu_ = std::make_unique<ScratchMenuItem>();
    // Forwarded as they come, with the sender.
    static const struct {
        const char* action;
        TextCommand command;
    } kForwarded[] = {
        {"setMenuAlign:", &TextItem::setMenuAlign},
        {"changeCase:", &TextItem::changeCase},
        {"changeFontAttribute:", &TextItem::changeFontAttribute},
        {"changeKerning:", &TextItem::changeKerning},
        {"findEnterSelection:", &TextItem::findEnterSelection},
        {"jumpToSelection:", &TextItem::jumpToSelection},
        {"hangingIndentExpand:", &TextItem::hangingIndentExpand},
        {"hangingIndentReduce:", &TextItem::hangingIndentReduce},
        {"indentLeftIn:", &TextItem::indentLeftIn},
        {"indentLeftOut:", &TextItem::indentLeftOut},
        {"indentRightIn:", &TextItem::indentRightIn},
        {"indentRightOut:", &TextItem::indentRightOut},
        {"insertPageBreak:", &TextItem::insertPageBreak},
        {"insertPageNumber:", &TextItem::insertPageNumber},
        {"insertLastPageNumber:", &TextItem::insertLastPageNumber},
        {"insertDate:", &TextItem::insertDate},
        {"insertTime:", &TextItem::insertTime},
        {"setMenuFontSize:", &TextItem::setMenuFontSize},
        {"setMenuLeading:", &TextItem::setMenuLeading},
        {"superscript:", &TextItem::superscript},
        {"subscript:", &TextItem::subscript},
        {"unscript:", &TextItem::unscript},
        {"killToEOL:", &TextItem::killToEOL},
        {"killToEOP:", &TextItem::killToEOP},
    };
    for (const auto& entry : kForwarded) {
        const TextCommand command = entry.command;
        setAction(entry.action, [this, command](kit::Object* sender) -> kit::Object* {
            _passThroughTextMethod(command, sender);
            return nullptr;
        });
    }
    // Forwarded with the scratch item carrying the choice in its tag.
    static const struct {
        const char* action;
        TextCommand command;
        int tag;
    } kTagged[] = {
        {"alignLeft:", &TextItem::setMenuAlign, 0},         {"alignRight:", &TextItem::setMenuAlign, 1},
        {"alignCenter:", &TextItem::setMenuAlign, 2},       {"alignSelJustify:", &TextItem::setMenuAlign, 3},
        {"convertSelUpperCase:", &TextItem::changeCase, 1}, {"convertSelLowerCase:", &TextItem::changeCase, 2},
        {"convertSelMixedCase:", &TextItem::changeCase, 3},
    };
    for (const auto& entry : kTagged) {
        const TextCommand command = entry.command;
        const int tag = entry.tag;
        setAction(entry.action, [this, command, tag](kit::Object*) -> kit::Object* {
            fakeMenu_->setTag(tag);
            _passThroughTextMethod(command, fakeMenu_.get());
            return nullptr;
        });
    }
    // The font panel serves the paragraph inspector while it chooses a
    // paragraph font there.
    setAction("changeFont:", [this](kit::Object* sender) -> kit::Object* {
        ParagraphInspectorPanel* inspector = Main ? Main->paragraphInspectorPanel() : nullptr;
        if (inspector && inspector->paragraphPanelIsVisible() && inspector->settingParaFont())
            inspector->changeFont(sender);
        else
            _passThroughTextMethod(&TextItem::changeFont, sender);
        return nullptr;
    });
    // The headers and footers show on many pages: all repaints.
    for (const char* action : {"insertHeader:", "insertFooter:"}) {
        const bool header = action[6] == 'H';
        setAction(action, [this, header](kit::Object* sender) -> kit::Object* {
            TextItem* column = document_ ? document_->activeTextItem() : nullptr;
            if (!column)
                return nullptr;
            lockFocus();
            header ? column->insertHeader(sender, this) : column->insertFooter(sender, this);
            unlockFocus();
            if (!document_->isDispatching())
                document_->notifyUpdate(this, static_cast<const std::vector<kit::Object*>*>(nullptr));
            return nullptr;
        });
    }
    // The font menu's traits and sizes go through the font manager, which
    // sends changeFont: back along the responder chain with its change.
    static const struct {
        const char* action;
        void (kit::FontManager::*send)(int);
    } kFontManager[] = {{"addFontTrait:", &kit::FontManager::addFontTrait},
                        {"removeFontTrait:", &kit::FontManager::removeFontTrait},
                        {"modifyFont:", &kit::FontManager::modifyFont}};
    for (const auto& entry : kFontManager) {
        const auto send = entry.send;
        setAction(entry.action, [send](kit::Object* sender) -> kit::Object* {
            const auto* item = dynamic_cast<const kit::MenuItem*>(sender);
            (kit::FontManager::sharedFontManager().*send)(item ? item->tag() : 0);
            return nullptr;
        });
    }
    setAction("increasePointSize:", [this](kit::Object* sender) -> kit::Object* {
        increasePointSize(sender);
        return nullptr;
    });
    setAction("decreasePointSize:", [this](kit::Object* sender) -> kit::Object* {
        decreasePointSize(sender);
        return nullptr;
    });
    setAction("copyFont:", [this](kit::Object* sender) -> kit::Object* {
        copyFont(sender);
        return nullptr;
    });
    setAction("pasteFont:", [this](kit::Object* sender) -> kit::Object* {
        pasteFont(sender);
        return nullptr;
    });
    setAction("findNext:", [this](kit::Object* sender) -> kit::Object* {
        findNext(sender);
        return nullptr;
    });
    setAction("findPrevious:", [this](kit::Object* sender) -> kit::Object* {
        findPrevious(sender);
        return nullptr;
    });
}
