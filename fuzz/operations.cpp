// One seeded sequence of operations over the whole model: pages, items and
// master items, column chains, typing and editing, character and paragraph
// styles, the style sheet, undo and redo, saving and reading back. After
// every operation the model's invariants are checked (OperationsChecks.cpp).
// The input format is in Operations.h; SCRIVLY_FUZZ_TRACE=1 prints each
// operation as it runs (=only: the trace alone, without the checks).

#include "FuzzInput.h"
#include "Operations.h"
#include "OperationsModel.h"

#include "appkit/Application.h"
#include "appkit/CellMatrix.h"
#include "appkit/TextField.h"
#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/EventState.h"
#include "core/Geometry.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "items/Item.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "view/PageView.h"
#include "app/PanelHost.h"
#include "appkit/Button.h"
#include "appkit/ColorWell.h"
#include "appkit/TextField.h"
#include "panels/GraphicsInspector.h"
#include "panels/PanelTabs.h"
#include "panels/ParagraphInspector.h"
#include "view/TimeDateTokenController.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>

using namespace fuzz::ops;

namespace {

// A menu item or control sending a command: its tag and title.
class Sender : public kit::Object, public CommandSender {
public:
    Sender(int tag, std::string title) : tag_(tag), title_(std::move(title)) {}
    std::string className() const override { return "NSMenuItem"; }
    int tag() const override { return tag_; }
    std::string title() const override { return title_; }

private:
    int tag_;
    std::string title_;
};

template <class T>
T* pick(const std::vector<T*>& list, std::uint8_t choice)
{
    return list.empty() ? nullptr : list[choice % list.size()];
}

std::string point(const textPoint& p)
{
    return std::to_string(p.paragraph) + "/" + std::to_string(p.word) + "/" + std::to_string(p.letter);
}

// A point of the flow from three choices, always inside it.
textPoint pointIn(const TextFlow& flow, std::uint8_t p, std::uint8_t w, std::uint8_t l)
{
    textPoint point{};
    point.paragraph = p % std::max(1, flow.paragraphCount());
    const TextParagraph* paragraph = flow.paragraphAtIndex(point.paragraph);
    const int words = paragraph ? paragraph->wordCount() : 0;
    point.word = words > 0 ? w % words : 0;
    const TextWord* word = paragraph && words > 0 ? paragraph->wordAtIndex(point.word) : nullptr;
    point.letter = word ? l % (word->length() + 1) : 0;
    return point;
}

char typed(std::uint8_t b) { return TypedKeys[b % TypedKeyCount]; }

float fraction(std::uint8_t b) { return float(b) / 255.0f; }

class Runner {
public:
    Runner(Model& model, fuzz::Input& in) : m_(model), in_(in), doc_(model.document()) {}

    void run(std::uint8_t op)
    {
        switch (op % fuzz::ops::OpCount) {
        case fuzz::ops::Type: type(); break;
        case fuzz::ops::Key: key(); break;
        case fuzz::ops::Click: click(); break;
        case fuzz::ops::Select: select(); break;
        case fuzz::ops::Command: command(); break;
        case fuzz::ops::CharStyle: charStyle(); break;
        case fuzz::ops::ParagraphStyle: paragraphStyle(); break;
        case fuzz::ops::Variable: variable(); break;
        case fuzz::ops::AddPages: addPages(); break;
        case fuzz::ops::DeletePages: deletePages(); break;
        case fuzz::ops::CollapsePages: collapsePages(); break;
        case fuzz::ops::AddItem: addItem(); break;
        case fuzz::ops::MoveItem: moveItem(); break;
        case fuzz::ops::DeleteItem: deleteItem(); break;
        case fuzz::ops::Runaround: runaround(); break;
        case fuzz::ops::MasterItem: masterItem(); break;
        case fuzz::ops::Link: link(); break;
        case fuzz::ops::Unlink: unlink(); break;
        case fuzz::ops::Styles: styles(); break;
        case fuzz::ops::Undo: undoRedo(true); break;
        case fuzz::ops::Redo: undoRedo(false); break;
        case fuzz::ops::SaveAndRead: saveAndRead(); break;
        case fuzz::ops::Editing: editing(); break;
        case fuzz::ops::HitTest: hitTest(); break;
        case fuzz::ops::GraphicsPane: graphicsPane(); break;
        case fuzz::ops::Inspector: inspector(); break;
        case fuzz::ops::IndentStep: indentStep(); break;
        default: break;
        }
    }

private:
    void note(const std::string& line) { Trace::add(line); }
    std::uint8_t b() { return in_.byte(); }

    TextItem* edited(std::uint8_t choice)
    {
        TextItem* column = m_.editedColumn(choice);
        if (!column)
            note("  (no column to edit)");
        return column;
    }

    // ---- Text.

    void type()
    {
        const int count = 1 + b() % 16;
        std::string text;
        for (int i = 0; i < count; ++i)
            text += typed(b());
        note("type \"" + text + "\"");
        TextItem* column = edited(0);
        if (!column)
            return;
        // Pressed and released as the keyboard queues them, handed to the
        // flow as the document hands over key downs: a burst takes the keys
        // queued behind the first.
        kit::Application& app = kit::Application::sharedApplication();
        for (unsigned char c : text) {
            const std::u16string chars(1, char16_t(c < 0x80 ? c : 0xC0 + (c & 0x3F)));
            for (kit::EventType t : {kit::EventType::KeyDown, kit::EventType::KeyUp})
                app.postEvent(kit::Event::keyEventWithType(t, {}, 0, 0, 0, chars, chars, false), false);
        }
        while (auto e = app.nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::DefaultRunLoopMode,
                                                  true)) {
            TextItem* now = doc_.activeTextItem();
            if (!now || !now->flow() || !now->isEditing())
                break;
            now->flow()->processKeyEvent(*e, m_.view(), now);
        }
        app.discardEventsMatchingMask(kit::KeyUpMask | kit::KeyDownMask, nullptr);
    }

    void key()
    {
        static const struct {
            std::uint16_t code;
            const char* name;
        } keys[] = {
            {13, "Return"},
            {0xF7EB, "Enter (page break)"},
            {TextParagraph::DeleteBackwardKey, "Backspace"},
            {TextParagraph::DeleteForwardKey, "Delete"},
            {9, "Tab"},
            {0xF700, "Up"},
            {0xF701, "Down"},
            {0xF702, "Left"},
            {0xF703, "Right"},
            {0xF7E0, "Word left"},
            {0xF7E1, "Word right"},
            {0xF7E2, "Paragraph back"},
            {0xF7E3, "Paragraph forward"},
            {0xF7E5, "Flow start"},
            {0xF7E7, "Flow end"},
            {0xF7EC, "Paragraph start"},
            {0xF7ED, "Paragraph end"},
            {0xF72C, "Page up"},
            {0xF72D, "Page down"},
            {0xF7E9, "Transpose"},
        };
        const auto& k = keys[b() % std::size(keys)];
        const std::uint8_t mods = b();
        unsigned flags = 0;
        if (mods & 1)
            flags |= kit::ShiftKeyMask;
        if (mods & 2)
            flags |= kit::AlternateKeyMask;
        note(std::string("key ") + k.name + ((flags & kit::ShiftKeyMask) ? " +shift" : "") +
             ((flags & kit::AlternateKeyMask) ? " +alternate" : ""));
        TextItem* column = edited(0);
        if (!column)
            return;
        kit::setCurrentEventModifierFlags(flags);
        column->flow()->processKey(k.code, m_.view(), column);
        kit::setCurrentEventModifierFlags(0);
    }

    void click()
    {
        const std::uint8_t which = b(), x = b(), y = b(), clicks = 1 + b() % 3, shift = b() & 1;
        TextItem* column = pick(m_.columns(), which);
        if (!column) {
            note("click (no column)");
            return;
        }
        const kit::Rect frame = column->frame();
        kit::Point at = kit::makePoint(frame.origin.x + fraction(x) * frame.size.width,
                                       frame.origin.y + fraction(y) * frame.size.height);
        note("click " + std::to_string(clicks) + "x on " + m_.where(column) + " at " + std::to_string(int(at.x)) +
             "," + std::to_string(int(at.y)) + (shift ? " +shift" : ""));
        if (column->page())
            column->page()->convertToView(&at);
        const kit::Point inWindow = m_.view()->convertPointToView(at, nullptr);
        const unsigned flags = shift ? kit::ShiftKeyMask : 0;
        kit::Application& app = kit::Application::sharedApplication();
        app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, inWindow, flags, 0, 0, clicks),
                      false);
        const kit::Event down =
            kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, inWindow, flags, 0, 0, clicks);
        kit::setCurrentEventModifierFlags(flags);
        if (column->isEditing())
            column->flow()->mouseHandle(down, m_.view(), column);
        else
            column->beginEditing(&down, m_.view());
        kit::setCurrentEventModifierFlags(0);
        app.discardEventsMatchingMask(kit::LeftMouseUpMask | kit::LeftMouseDraggedMask, nullptr);
    }

    void select()
    {
        const std::uint8_t which = b(), p1 = b(), w1 = b(), l1 = b(), p2 = b(), w2 = b(), l2 = b(), end = b();
        TextItem* column = edited(which);
        if (!column)
            return;
        TextFlow* flow = column->flow();
        const textPoint a = pointIn(*flow, p1, w1, l1), z = pointIn(*flow, p2, w2, l2);
        static const int ends[] = {SelectionChar, SelectionWord, SelectionPara};
        const int endAs = ends[end % std::size(ends)];
        note("select " + point(a) + " to " + point(z) + " in " + m_.where(column) + " ending " +
             std::to_string(endAs));
        flow->drawAndSetSelectionType(endAs, &a, &z, endAs == SelectionPara, m_.view(), 0);
    }

    void command()
    {
        static const char* const names[] = {"cut",      "copy",       "paste",      "delete",      "undelete",
                                            "kill to line end", "kill to paragraph end", "page break",
                                            "select all", "change case"};
        const std::uint8_t choice = b(), which = choice % std::size(names), tag = choice / std::size(names);
        note(std::string("command ") + names[which]);
        TextItem* column = edited(0);
        if (!column)
            return;
        PageView* view = m_.view();
        Sender sender(tag % 3, "");
        switch (which) {
        case 0: column->cut(nullptr, view); break;
        case 1: column->copy(nullptr, view); break;
        case 2: column->paste(view); break;
        case 3: column->delete_(nullptr, view); break;
        case 4: column->undelete(nullptr, view); break;
        case 5: column->killToEOL(nullptr, view); break;
        case 6: column->killToEOP(nullptr, view); break;
        case 7: column->insertPageBreak(nullptr, view); break;
        case 8: column->selectAll(nullptr, view); break;
        default: column->changeCase(&sender, view); break;
        }
    }

    void charStyle()
    {
        const std::uint8_t which = b() % 9, value = b();
        TextItem* column = edited(0);
        static const char* const fonts[] = {"Fixed-Test", "Times-Roman", "Helvetica-Bold", "Courier", "Symbol"};
        static const float sizes[] = {10, 6, 14, 24, 48, 1, 127};
        PageView* view = m_.view();
        switch (which) {
        case 0: {
            const float size = sizes[value % std::size(sizes)];
            note("font size " + std::to_string(int(size)));
            if (column) {
                Sender sender(0, std::to_string(size));
                column->setMenuFontSize(&sender, view);
            }
            break;
        }
        case 1:
        case 2: {
            const unsigned short flag = which == 1 ? StyleBoldFlag : StyleItalicFlag;
            note(which == 1 ? "bold" : "italic");
            if (column) {
                Sender sender(flag, "");
                column->changeFontAttribute(&sender, view);
            }
            break;
        }
        case 3: note("subscript"); if (column) column->subscript(nullptr, view); break;
        case 4: note("superscript"); if (column) column->superscript(nullptr, view); break;
        case 5: note("unscript"); if (column) column->unscript(nullptr, view); break;
        case 6: {
            const int tag = int(value % 9) - 4;
            note("kerning " + std::to_string(tag));
            if (column) {
                Sender sender(tag, "");
                column->changeKerning(&sender, view);
            }
            break;
        }
        case 7: {
            const char* name = fonts[value % std::size(fonts)];
            const float size = sizes[(value / 8) % std::size(sizes)];
            note(std::string("font ") + name + " " + std::to_string(int(size)));
            if (column)
                if (kit::Font* font = kit::Font::fontWithName(name, size))
                    column->setFont(font, view);
            break;
        }
        default: {
            note("text colour " + std::to_string(value % 4));
            static const float grays[] = {0, 0.5f, 0.75f, 1};
            if (column) {
                // As the page view's command: the column redrawn after, or
                // everything when the selection spans columns.
                column->setTextColor(kit::Color::colorWithGray(grays[value % 4]));
                TextItem* from = column;
                TextItem* to = column;
                if (const TextSelection* selection = column->flow()->textSelection()) {
                    from = column->flow()->item(column, &selection->start());
                    to = column->flow()->item(column, &selection->end());
                }
                const std::vector<kit::Object*> changed{from};
                doc_.notifyUpdate(view, from == to && from ? &changed : nullptr);
            }
            break;
        }
        }
    }

    // What the paragraph inspector changes: one field of a copy of the
    // current paragraph's style, applied to the selection or the caret's
    // paragraph.
    void paragraphStyle()
    {
        const std::uint8_t field = b() % 9, value = b();
        static const char* const names[] = {"alignment",  "widow control", "space before", "space after",
                                            "left indent", "first indent", "leading",      "hyphenation",
                                            "column start"};
        note(std::string("paragraph ") + names[field] + " " + std::to_string(value));
        TextItem* column = edited(0);
        if (!column || !column->flow()->currentParagraph())
            return;
        std::unique_ptr<StyleParagraph> style = column->flow()->currentParagraph()->paragraphStyle()->copy();
        const float amount = float(value % 64);
        switch (field) {
        case 0: style->setAlignment(value % 4); break;
        case 1: style->setWidowControl(short(int(value % 5) - 2)); break;
        case 2: style->setSpaceBefore(amount); break;
        case 3: style->setSpaceAfter(amount); break;
        case 4: style->setIndentLeft(amount); break;
        case 5: style->setIndentDeltaFirst(amount - 32); break;
        case 6: style->setLeading(amount - 8); break;
        case 7: style->setHyphenate(value & 1); break;
        default: style->setColumnStart(short(value % 3)); break;
        }
        column->setStylePara(style.get());
        column->redrawQuickInView(m_.view());
    }

    // The paragraph inspector's controls as a user sets them: a text typed
    // into a field (sound or not), a stepper, a menu item.
    void inspector()
    {
        const std::uint8_t action = b() % 10, value = b();
        static const char* const texts[] = {"",   "abc", "nan",  "inf",   "1e40", "12abc", "1,5",
                                            "<abc", ">1e40", "+-2", "99999", "0",   "6",    "12",
                                            "-3", "<3",  ">3",   "+2",    "-2",   "36",    "\xE2\x80\xA2"};
        const char* text = texts[value % std::size(texts)];
        static const char* const names[] = {"alignment", "indents", "spaces",    "leading", "tracking",
                                            "step",      "level",   "bullet",    "menu",    "widows"};
        note(std::string("inspector ") + names[action] + " " + std::to_string(value) + " '" + text + "'");
        TextItem* column = edited(value);
        if (!column || !column->flow()->currentParagraph())
            return;
        ParagraphInspector& inspector = m_.inspector();
        inspector.updateFromParagraph(column->flow()->currentParagraph());
        switch (action) {
        case 0:
            inspector.alignmentMatrix()->selectCellWithTag(value % 4);
            inspector.changeAlignment(nullptr);
            break;
        case 1:
            inspector.control(value & 1 ? "indentLeft" : "indentDeltaFirst")->setStringValue(text);
            inspector.changeIndents(nullptr);
            break;
        case 2:
            inspector.control(value & 1 ? "spaceBefore" : "spaceAfter")->setStringValue(text);
            inspector.changeParagraphSpacing(nullptr);
            break;
        case 3:
            inspector.control("autoLeading")->setIntValue(value & 1);
            inspector.control("leading")->setStringValue(text);
            inspector.changeLineSpacing(nullptr);
            break;
        case 4:
            inspector.control("tracking")->setStringValue(text);
            inspector.changeTracking(nullptr);
            break;
        case 5: inspector.step(value % 9, value & 0x80 ? -1 : 1, nullptr); break;
        case 6:
            inspector.control("autonumberLevel")->setStringValue(text);
            inspector.changeAutonumberLevel(nullptr);
            break;
        case 7:
            inspector.bulletField()->setStringValue(text);
            inspector.changeBullet(nullptr);
            break;
        case 8: {
            Sender item(value % 3 == 0 ? 0 : 71 + value % 5, text);
            inspector.setLeadingFromMenu(&item);
            break;
        }
        default:
            inspector.widowControlMatrix()->selectCellWithTag(int(value % 4) - 2);
            inspector.changeWidowControl(nullptr);
            break;
        }
    }

    // A text frame's indent command, carried out by the tabs panel.
    void indentStep()
    {
        const std::uint8_t step = b() % 6, choice = b();
        static const char* const names[] = {"indentLeftIn:",  "indentLeftOut:",      "indentRightIn:",
                                            "indentRightOut:", "hangingIndentExpand:", "hangingIndentReduce:"};
        note(std::string("indent step ") + names[step]);
        if (!edited(choice))
            return;
        m_.tabs().performSelector(names[step], nullptr);
    }

    void variable()
    {
        const std::uint8_t which = b() % 6, value = b();
        static const char* const names[] = {"page number", "last page number", "header", "footer", "date", "time"};
        note(std::string("insert ") + names[which] + " " + std::to_string(value % 4));
        TextItem* column = edited(0);
        if (!column)
            return;
        PageView* view = m_.view();
        Sender sender(1 + value % 3, "");
        switch (which) {
        case 0: column->insertPageNumber(&sender, view); break;
        case 1: column->insertLastPageNumber(&sender, view); break;
        case 2: column->insertHeader(&sender, view); break;
        case 3: column->insertFooter(&sender, view); break;
        default: {
            const int answer = (value & 1) ? TimeDateTokenController::InsertUpdating
                                           : TimeDateTokenController::InsertFixed;
            TimeDateTokenController::runner() = [answer](TimeDateTokenController&) { return answer; };
            if (which == 4)
                column->insertDate(nullptr, view);
            else
                column->insertTime(nullptr, view);
            TimeDateTokenController::runner() = nullptr;
            break;
        }
        }
    }

    // ---- Pages.

    void addPages()
    {
        const int count = 1 + b() % 3, index = b() % (doc_.numPages() + 1);
        note("add " + std::to_string(count) + " pages at " + std::to_string(index));
        doc_.addPages(count, index);
        // The canvas size goes to the views, as after any command on pages.
        doc_.notifyDocumentDidChangeSize();
    }

    void deletePages()
    {
        const int count = 1 + b() % 3, index = b() % std::max(1, doc_.numPages());
        note("delete " + std::to_string(count) + " pages at " + std::to_string(index) + " of " +
             std::to_string(doc_.numPages()));
        // The page view's command asks first and keeps one page.
        if (doc_.numPages() - std::min(count, doc_.numPages() - index) < 1) {
            note("  (refused: the last page stays)");
            return;
        }
        m_.view()->endEditingIfNeeded();
        (void)doc_.deletePages(count, index);
        doc_.notifyDocumentDidChangeSize();
    }

    void collapsePages()
    {
        const std::uint8_t how = b();
        const int count = 1 + (how >> 1) % 3, index = b() % std::max(1, doc_.numPages());
        const bool expand = how & 1;
        note(std::string(expand ? "expand " : "collapse ") + std::to_string(count) + " pages at " +
             std::to_string(index));
        if (expand)
            doc_.expandPages(count, index);
        else
            doc_.collapsePages(count, index);
        doc_.notifyDocumentDidChangeSize();
    }

    // ---- Items.

    kit::Rect rect(std::uint8_t x, std::uint8_t y, std::uint8_t w, std::uint8_t h)
    {
        return kit::makeRect(float(x) * 2, float(y) * 3, 12 + float(w) * 2, 12 + float(h));
    }

    // An item added to a page (in the pages layer) the way the page view
    // adds what a tool drew: selected, with its undo record, and the page's
    // text laid out around it.
    void addItem()
    {
        const std::uint8_t kind = b() % 3, which = b(), x = b(), y = b(), w = b(), h = b();
        Page* page = doc_.pageAt(which % doc_.numPages());
        const kit::Rect frame = rect(x, y, w, h);
        static const char* const kinds[] = {"box", "column", "headline"};
        note(std::string("add ") + kinds[kind] + " on page " + std::to_string(which % doc_.numPages()) + " at " +
             kit::stringFromRect(frame));
        std::shared_ptr<Item> item;
        if (kind == 0) {
            item = std::make_shared<ItemBox>();
            item->setFrame(frame, false);
        } else {
            std::shared_ptr<TextItem> column = m_.newColumn(frame);
            if (kind == 2)
                column->setTextType(TextItem::DisplayText);
            item = column;
        }
        Item* raw = item.get();
        // A drawing tool ends text editing before it draws.
        m_.view()->endEditingIfNeeded();
        page->addItems(item);
        doc_.setSelection({raw}, m_.view());
        if (UndoInfo* undo = doc_.undoInfo())
            undo->push(std::make_unique<::Undo>(std::vector<Item*>{raw}, page, ::Undo::ItemsAdded));
        page->handleOverlaps(raw, true);
    }

    void moveItem()
    {
        const std::uint8_t which = b(), dx = b(), dy = b(), w = b(), h = b();
        Item* item = pick(m_.items(), which);
        if (!item) {
            note("move (no item)");
            return;
        }
        // The page view moves and deletes no locked item (master copies).
        if (item->isLocked()) {
            note("move " + m_.where(item) + " (refused: locked)");
            return;
        }
        const float mx = float(int(dx) - 128), my = float(int(dy) - 128);
        note("move " + m_.where(item) + " by " + std::to_string(int(mx)) + "," + std::to_string(int(my)) +
             (w || h ? " to size " + std::to_string(12 + 2 * w) + "x" + std::to_string(12 + h) : ""));
        item->moveBy(mx, my);
        if (w || h)
            item->sizeTo(12 + 2.0f * w, 12.0f + h, true);
        if (Page* page = item->page())
            page->handleOverlaps(item, false);
        doc_.notifyUpdate(nullptr, nullptr);
    }

    void deleteItem()
    {
        Item* item = pick(m_.items(), b());
        if (!item) {
            note("delete item (none)");
            return;
        }
        if (item->isLocked()) {
            note("delete " + m_.where(item) + " (refused: locked)");
            return;
        }
        note("delete " + m_.where(item));
        m_.view()->endEditingIfNeeded();
        // An emptied headline goes, with its record, as its editing ends.
        if (const std::vector<Item*> left = m_.items(); std::find(left.begin(), left.end(), item) == left.end()) {
            note("  (gone as its editing ended)");
            return;
        }
        Page* page = item->page();
        doc_.setSelection({}, m_.view());
        auto record = std::make_unique<::Undo>(std::vector<Item*>{item}, page, ::Undo::ItemsRemoved);
        std::vector<std::shared_ptr<Item>> removed = page->removeItems({item});
        if (auto* column = dynamic_cast<TextItem*>(item))
            column->removeFromTextFlow();
        record->hold(std::move(removed));
        if (UndoInfo* undo = doc_.undoInfo())
            undo->push(std::move(record));
        doc_.notifyUpdate(nullptr, nullptr);
    }

    void runaround()
    {
        const std::uint8_t which = b(), on = b(), margin = b();
        Item* item = pick(m_.items(), which);
        if (!item) {
            note("runaround (no item)");
            return;
        }
        const float g = float(margin % 32);
        note("runaround " + std::string(on & 1 ? "on " : "off ") + m_.where(item) + " margin " +
             std::to_string(int(g)) + " side " + std::to_string(on >> 1 & 3));
        item->setRunaround(on & 1, g, g, g, g, on >> 1 & 3);
        if (Page* page = item->page())
            page->handleOverlaps(item, false);
        // As the inspector's command: the text that moved is shown.
        doc_.notifyUpdate(nullptr, nullptr);
    }

    // Master items: added or removed in the master layer, as the page view
    // does it there.
    void masterItem()
    {
        const std::uint8_t action = b(), which = b(), x = b(), y = b(), w = b(), h = b();
        m_.view()->endEditingIfNeeded();
        doc_.setEditingLayer(LayoutDocument::MasterLayer);
        Page* page = doc_.pageAt(which % doc_.numPages());
        if (action % 4 == 3) {
            std::vector<Item*> masters;
            for (const auto& item : doc_.masterItems())
                masters.push_back(item.get());
            Item* item = pick(masters, which);
            note("remove " + (item ? m_.where(item) : std::string("(no master item)")));
            if (item)
                (void)page->removeItems({item});
        } else {
            const kit::Rect frame = rect(x, y, w, h);
            static const char* const kinds[] = {"box", "automatic column", "manual column"};
            const int placement = 1 + (action >> 2) % 3;
            note("add master " + std::string(kinds[action % 4]) + " on pages " + std::to_string(placement) +
                 " at " + kit::stringFromRect(frame));
            std::shared_ptr<Item> item;
            if (action % 4 == 0) {
                item = std::make_shared<ItemBox>();
                item->setFrame(frame, false);
            } else {
                auto column = std::make_shared<TextItem>();
                column->setFrame(frame, false);
                if (action % 4 == 1)
                    column->setAutoFlowText(true);
                else
                    column->setManualFlowText(true);
                item = column;
            }
            item->setMasterFlags(placement);
            Item* raw = item.get();
            page->addItems(item);
            // Flowing masters are copied onto the pages that take them, and
            // the flows are laid out again, as a new master column of the
            // page setup is.
            if (auto* master = dynamic_cast<TextItem*>(raw)) {
                for (const auto& each : doc_.pages())
                    each->pushTextMaster(&doc_, master, false);
                std::vector<std::shared_ptr<TextFlow>> flows;
                for (const auto& each : doc_.pages())
                    for (const auto& item : each->pageItems())
                        if (auto* copy = dynamic_cast<TextItem*>(item.get()); copy && copy->myMaster() == master &&
                                                                               copy->sharedFlow())
                            flows.push_back(copy->sharedFlow());
                for (const auto& flow : flows)
                    flow->recomputeAll();
            }
        }
        doc_.setEditingLayer(LayoutDocument::PagesLayer);
        doc_.notifyUpdate(nullptr, nullptr);
    }

    // Linking by dragging from a column's marker to another column, with
    // the drag's checks (the word processor offers no linking).
    void link()
    {
        const std::uint8_t from = b(), to = b();
        const std::vector<TextItem*> all = m_.columns();
        TextItem* a = pick(all, from);
        TextItem* z = pick(all, to);
        note("link " + m_.where(a) + " to " + m_.where(z));
        if (!a || !z || a == z || m_.wordProcessor() || a->nextColumn() || a->isDisplay() || z->isDisplay()) {
            note("  (refused)");
            return;
        }
        for (TextItem* c = z; c; c = c->nextColumn())
            if (c == a) {
                note("  (refused: circular)");
                return;
            }
        if (z->prevColumn()) {
            note("  (refused: already connected)");
            return;
        }
        m_.view()->endEditingIfNeeded();
        a->joinColumn(z);
        doc_.notifyUpdate(nullptr, nullptr);
    }

    void unlink()
    {
        TextItem* column = pick(m_.columns(), b());
        note("unlink after " + m_.where(column));
        if (!column || m_.wordProcessor())
            return;
        m_.view()->endEditingIfNeeded();
        column->unlinkColumn();
        doc_.notifyUpdate(nullptr, nullptr);
    }

    // ---- The style sheet.

    void styles()
    {
        const std::uint8_t action = b() % 4, list = b() & 1, which = b(), target = b();
        StyleInfo* sheet = doc_.styleInfo();
        StyleList* styles = list ? sheet->graphicStyles() : sheet->paragraphStyles();
        const char* kind = list ? "graphic" : "paragraph";
        std::vector<StyleSheetEntry*> named;
        for (const auto& style : *styles)
            if (style->styleName())
                named.push_back(style.get());
        StyleSheetEntry* style = pick(named, which);
        switch (action) {
        case 0:
            note(std::string("add a ") + kind + " style");
            sheet->addNewStyleInStyles(styles);
            break;
        case 1:
            note(std::string("remove ") + kind + " style " + (style ? *style->styleName() : "(none)"));
            if (style)
                (void)sheet->removeStyle(style, styles);
            break;
        default:
            if (list) {
                Item* item = pick(m_.items(), target);
                note("graphic style " + (style ? *style->styleName() : "(none)") + " for " + m_.where(item));
                // As the page view's commands change what items look like:
                // marked for redrawing before, redrawn after.
                if (item && style) {
                    doc_.invalidate(m_.view(), {item});
                    item->setGraphicStyle(dynamic_cast<StyleGraphic*>(style));
                    const std::vector<kit::Object*> changed{item};
                    doc_.notifyUpdate(m_.view(), &changed);
                }
            } else {
                note("paragraph style " + (style ? *style->styleName() : "(none)"));
                if (auto* named = dynamic_cast<StyleParagraphNamed*>(style)) {
                    if (edited(target))
                        doc_.setCurrentParagraphBasedOnStyle(named);
                }
            }
            break;
        }
    }

    // ---- Undo, saving, editing, hit tests.

    void undoRedo(bool undo)
    {
        UndoInfo* info = doc_.undoInfo();
        note(std::string(undo ? "undo" : "redo") + " (" + std::to_string(info ? info->undoCount() : 0) + " to undo, " +
             std::to_string(info ? info->redoCount() : 0) + " to redo)");
        if (!info)
            return;
        m_.view()->endEditingIfNeeded();
        if (undo)
            info->undo();
        else
            info->redo();
    }

    void saveAndRead()
    {
        note("save and read back");
        if (Checks::enabled().save && Trace::checking())
            m_.saveAndRead();
    }

    void editing()
    {
        const std::uint8_t which = b();
        if (which % 4 == 0) {
            note("end editing");
            m_.view()->endEditingIfNeeded();
            return;
        }
        TextItem* column = pick(m_.columns(), which);
        note("edit " + m_.where(column));
        if (column)
            column->beginEditing(nullptr, m_.view());
    }

    void hitTest()
    {
        const std::uint8_t which = b(), x = b(), y = b();
        Page* page = doc_.pageAt(which % doc_.numPages());
        kit::Point at = kit::makePoint(fraction(x) * page->size().width, fraction(y) * page->size().height);
        note("hit page " + std::to_string(which % doc_.numPages()) + " at " + std::to_string(int(at.x)) + "," +
             std::to_string(int(at.y)));
        page->convertToView(&at);
        if (Item* item = page->hitAt(at, m_.view()))
            note("  hit " + m_.where(item));
    }

    // The Graphics pane shows one or more items and changes them as the
    // user's controls do.
    void graphicsPane()
    {
        const std::uint8_t which = b(), count = b(), what = b(), value = b();
        const std::vector<Item*> all = m_.items();
        if (all.empty()) {
            note("graphics pane (no item)");
            return;
        }
        std::vector<Item*> chosen;
        for (std::size_t k = 0; k < std::size_t(count % 3 + 1) && k < all.size(); ++k)
            chosen.push_back(all[(which + k) % all.size()]);
        if (!pane_) {
            paneHost_ = std::make_unique<PaneHost>(m_);
            pane_ = std::make_unique<GraphicsInspector>();
            pane_->setPanelHost(paneHost_.get());
            pane_->init(nullptr);
        }
        m_.view()->endEditingIfNeeded();
        doc_.setSelection(chosen, m_.view());
        GraphicsInspector& g = *pane_;
        g.inspectSelection(&chosen);
        static const char* const names[] = {"fill",  "fill colour", "line",          "line colour",
                                            "width", "OK",          "standoff arrow", "name"};
        note("graphics pane: " + std::string(names[what % 8]) + " " + std::to_string(value) + " on " +
             std::to_string(chosen.size()) + " from " + m_.where(chosen.front()));
        switch (what % 8) {
        case 0:
            g.fillButton()->setState(value & 1);
            g.changeFill(g.fillButton());
            break;
        case 1:
            g.fillColor()->setColor(kit::Color::colorWithGray(fraction(value)));
            g.changeFillColor(g.fillColor());
            break;
        case 2:
            g.lineButton()->setState(value & 1);
            g.changeLine(g.lineButton());
            break;
        case 3:
            g.lineColor()->setColor(kit::Color::colorWithGray(fraction(value)));
            g.changeLineColor(g.lineColor());
            break;
        case 4:
            g.widthField()->setStringValue(std::to_string(float(value) / 16));
            g.changeLineWidth(g.widthField());
            break;
        case 5:
            g.rotationField()->setStringValue(std::to_string(value * 3 % 360));
            g.scaleField()->setStringValue(std::to_string(50 + value % 150) + "/" + std::to_string(50 + value / 2));
            g.standoffLeft()->setStringValue(std::to_string(value % 20));
            g.runaround()->setState(value >> 7);
            g.ok(nullptr);
            break;
        case 6:
            if (value & 1)
                g.increaseStandoffLeft(nullptr);
            else
                g.decreaseStandoffLeft(nullptr);
            break;
        default:
            g.nameField()->setStringValue("item " + std::to_string(value));
            g.changeName(g.nameField());
            break;
        }
    }

    class PaneHost : public PanelHost {
    public:
        explicit PaneHost(Model& model) : m_(model) {}
        LayoutDocument* mainDocument() const override { return &m_.document(); }
        PageView* mainPageView() const override { return m_.view(); }
        StyleInfo* styleInfo() const override { return m_.document().styleInfo(); }
        bool prefersEmbeddedTabRulers() const override { return false; }

    private:
        Model& m_;
    };

    Model& m_;
    fuzz::Input& in_;
    LayoutDocument& doc_;
    std::unique_ptr<PaneHost> paneHost_;
    std::unique_ptr<GraphicsInspector> pane_;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Model::initializeProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Long inputs only repeat what short ones do, slower.
    constexpr std::size_t MaxOperations = 64;
    fuzz::Input in(data, size);
    Trace::reset();
    const std::uint8_t header = in.byte();
    Trace::add(std::string("document:") + ((header & WordProcessor) ? " word processor" : " page layout") +
               ((header & TimesFont) ? ", Times 12" : ", fixed font") +
               ((header & TallColumns) ? ", tall columns" : ", short columns"));
    {
        Model model(header);
        model.check();
        Runner runner(model, in);
        for (std::size_t n = 0; n < MaxOperations && !in.atEnd(); ++n) {
            runner.run(in.byte());
            model.check();
        }
    }
    Trace::reset();
    return 0;
}
