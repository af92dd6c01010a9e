// The steps of the page-view sequence: each reads its argument bytes,
// finds what it acts on in the document as it stands (modulo what there
// is), says in the trace what it does, and does it through the page view's
// commands, mouse loops and keys.

#include "PageViewSequence.h"
#include "PageViewSession.h"

#include "fuzz/OperationsModel.h"

#include "app/Layvane.h"
#include "appkit/Application.h"
#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "items/Item.h"
#include "items/ItemGroup.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "view/LayvaneTool.h"
#include "view/PageView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>

namespace viewsequence {

enum Op : std::uint8_t {
    Draw,
    Place,
    Click,
    ShiftClick,
    Marquee,
    SelectAll,
    Nudge,
    Drag,
    DragToPage,
    KnobDrag,
    Rotate,
    Flip,
    Group,
    Ungroup,
    Lock,
    Unlock,
    Order,
    Colour,
    Natural,
    Centre,
    Delete,
    Cut,
    Copy,
    Paste,
    Clone,
    CopyDimensions,
    PullGuide,
    DragGuide,
    GoToPage,
    Type,
    Returns,
    Backspaces,
    PageBreak,
    Marker,
    UndoSome,
    RedoSome,
    Inspector,
    OpCount
};

namespace {

// How often each step comes, out of the sum.
constexpr int Weights[OpCount] = {
    /*Draw*/ 6,  /*Place*/ 3,     /*Click*/ 8,       /*ShiftClick*/ 3, /*Marquee*/ 3,   /*SelectAll*/ 2,
    /*Nudge*/ 3, /*Drag*/ 4,      /*DragToPage*/ 3,  /*KnobDrag*/ 5,   /*Rotate*/ 2,    /*Flip*/ 2,
    /*Group*/ 3, /*Ungroup*/ 2,   /*Lock*/ 2,        /*Unlock*/ 2,     /*Order*/ 3,     /*Colour*/ 3,
    /*Natural*/ 1, /*Centre*/ 1,  /*Delete*/ 3,      /*Cut*/ 2,        /*Copy*/ 2,      /*Paste*/ 3,
    /*Clone*/ 2, /*CopyDims*/ 1,  /*PullGuide*/ 2,   /*DragGuide*/ 2,  /*GoToPage*/ 2,  /*Type*/ 4,
    /*Returns*/ 3, /*Backspaces*/ 2, /*PageBreak*/ 1, /*Marker*/ 1,    /*Undo*/ 2,      /*Redo*/ 1,
    /*Inspector*/ 1,
};

std::string num(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", double(value));
    return text;
}

std::string pointText(kit::Point p) { return "(" + num(p.x) + ", " + num(p.y) + ")"; }

std::string textPointText(const textPoint& p)
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

std::string flowText(const TextFlow& flow)
{
    std::string text;
    for (const auto& paragraph : flow.paragraphList()) {
        for (const auto& word : paragraph->wordList())
            if (!word->isSpecial())
                text.append(word->text(), std::size_t(word->length())).push_back('_');
        text += "|";
    }
    return text;
}

// The path of a drag: two steps on the way and the end.
std::vector<Session::At> pathTo(const Page* from, kit::Point start, const Page* to, kit::Point end)
{
    const kit::Point mid = kit::makePoint((start.x + end.x) / 2, (start.y + end.y) / 2);
    return {{from, kit::makePoint(start.x + 1, start.y + 1)}, {from, mid}, {to, end}};
}

class Runner {
public:
    Runner(Session& session, std::vector<std::string>& trace, std::vector<TextEdit>& edits,
           const std::string& folder)
        : s_(session), doc_(session.document()), view_(session.view()), trace_(trace), edits_(edits),
          folder_(folder)
    {
    }

    void run(const Step& step)
    {
        a_ = step.arg;
        switch (Op(step.op % OpCount)) {
        case Draw: draw(); break;
        case Place: place(); break;
        case Click: click(false); break;
        case ShiftClick: click(true); break;
        case Marquee: marquee(); break;
        case SelectAll: selectAll(); break;
        case Nudge: nudge(); break;
        case Drag: drag(); break;
        case DragToPage: dragToPage(); break;
        case KnobDrag: knobDrag(); break;
        case Rotate: rotate(); break;
        case Flip: command(a_[0] & 1 ? "flip vertically" : "flip horizontally",
                           [&] { a_[0] & 1 ? view_.flipVertical(nullptr) : view_.flipHorizontal(nullptr); });
            break;
        case Group: group(); break;
        case Ungroup: command("ungroup", [&] { view_.ungroup(nullptr); }); break;
        case Lock: command("lock", [&] { view_.lock(nullptr); }); break;
        case Unlock:
            if (a_[0] & 1)
                command("unlock all", [&] { view_.unlockAll(nullptr); });
            else
                command("unlock", [&] { view_.unlock(nullptr); });
            break;
        case Order: order(); break;
        case Colour: colour(); break;
        case Natural: command("natural size", [&] { view_.makeNatural(nullptr); }); break;
        case Centre: command("centre on page " + std::to_string(1 + a_[0] % 3),
                             [&] { view_.centerOnPage(1 + a_[0] % 3); });
            break;
        case Delete: command("delete", [&] { view_.delete_(nullptr); }); break;
        case Cut: command("cut", [&] { view_.cut(nullptr); }); break;
        case Copy: command("copy", [&] { view_.copy(nullptr); }); break;
        case Paste: command("paste", [&] { view_.paste(nullptr); }); break;
        case Clone: command("clone", [&] { view_.clone(); }); break;
        case CopyDimensions: copyDimensions(); break;
        case PullGuide: pullGuide(); break;
        case DragGuide: dragGuide(); break;
        case GoToPage: goToPage(); break;
        case Type: type(); break;
        case Returns: returns(); break;
        case Backspaces: backspaces(); break;
        case PageBreak: pageBreak(); break;
        case Marker: marker(); break;
        case UndoSome: undoRedo(true); break;
        case RedoSome: undoRedo(false); break;
        case Inspector: inspector(); break;
        default: break;
        }
        s_.completeLayout();
    }

private:
    void note(const std::string& line)
    {
        if (std::getenv("SCRIVLY_VIEW_SEQUENCE_TRACE"))
            std::fprintf(stderr, "  %s\n", line.c_str());
        trace_.push_back(line);
    }
    void aside(const std::string& line) { note("    (" + line + ")"); }

    std::vector<Page*> pages() const
    {
        std::vector<Page*> list;
        for (Page* page : doc_.displayedPages())
            if (page)
                list.push_back(page);
        return list;
    }
    Page* pageOf(std::uint8_t b) const
    {
        const std::vector<Page*> list = pages();
        return list.empty() ? nullptr : list[b % list.size()];
    }
    int indexOf(const Page* page) const { return doc_.indexOfPage(page); }
    std::string pageName(const Page* page) const { return "page " + std::to_string(indexOf(page) + 1); }

    // The items of the page a user can click: in the word processor no
    // text frame (a click there edits its text).
    std::vector<Item*> clickable(const Page* page) const
    {
        std::vector<Item*> list;
        if (!page)
            return list;
        for (const auto& item : page->pageItems()) {
            if (s_.wordProcessor() && dynamic_cast<const TextItem*>(item.get()))
                continue;
            list.push_back(item.get());
        }
        return list;
    }
    Item* itemOf(std::uint8_t pageByte, std::uint8_t itemByte) const
    {
        const std::vector<Item*> list = clickable(pageOf(pageByte));
        return list.empty() ? nullptr : list[itemByte % list.size()];
    }
    std::string itemName(const Item* item) const { return fuzz::ops::whereIn(doc_, item); }

    // A page point that a click finds the item at, and no knob at; the
    // middle first, then points along its outline.
    std::optional<kit::Point> pointOn(Item* item)
    {
        Page* page = item->page();
        if (!page)
            return std::nullopt;
        s_.show(page);
        kit::Point corners[4];
        for (int k = 0; k < 4; ++k)
            item->getKnob(2 * k, &corners[k]);
        std::vector<kit::Point> tries;
        tries.push_back(kit::makePoint((corners[0].x + corners[2].x) / 2, (corners[0].y + corners[2].y) / 2));
        for (int k = 0; k < 4; ++k) {
            const kit::Point a = corners[k], b = corners[(k + 1) % 4];
            for (float t : {0.25f, 0.75f, 0.4f})
                tries.push_back(kit::makePoint(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t));
        }
        for (kit::Point p : tries) {
            kit::Point inView = p;
            page->convertToView(&inView);
            int knob = -1;
            if (view_.hitKnobAt(inView, &knob))
                continue;
            if (view_.hitItemAt(inView) == item)
                return p;
        }
        return std::nullopt;
    }

    void command(const std::string& name, const std::function<void()>& body)
    {
        const std::size_t selected = doc_.selected().size();
        note(name + " (" + std::to_string(selected) + " selected)");
        s_.endEditing();
        body();
    }

    // ---- Making items.

    void draw()
    {
        Page* page = pageOf(a_[0]);
        if (!page)
            return;
        const kit::Point start = kit::makePoint(20 + a_[1] * 2.2f, 20 + a_[2] * 2.8f);
        kit::Point end = kit::makePoint(start.x + 8 + a_[3] * 0.8f, start.y + 8 + a_[4] * 0.8f);
        const bool column = !s_.wordProcessor() && (a_[5] % 4 == 0);
        note(std::string("draw a ") + (column ? "text column" : "box") + " on " + pageName(page) + " from " +
             pointText(start) + " to " + pointText(end));
        s_.endEditing();
        s_.show(page);
        LayvaneTool tool;
        const std::vector<Session::At> path = pathTo(page, start, page, end);
        kit::Application& app = kit::Application::sharedApplication();
        for (const Session::At& at : path)
            app.postEvent(s_.mouse(int(kit::EventType::LeftMouseDragged), s_.inWindow(at.page, at.point), 0), false);
        app.postEvent(s_.mouse(int(kit::EventType::LeftMouseUp), s_.inWindow(page, end), 0), false);
        const kit::Event down = s_.mouse(int(kit::EventType::LeftMouseDown), s_.inWindow(page, start), 0);
        Item* made = tool.createInView(&view_, down,
                                       [column](PageView* view, const kit::Event& event,
                                                kit::Point* endPoint) -> std::unique_ptr<Item> {
                                           std::unique_ptr<Item> item;
                                           if (column)
                                               item = std::make_unique<TextItem>();
                                           else
                                               item = std::make_unique<ItemBox>();
                                           item->initWithMouseDown(event, view);
                                           if (item->frame().size.width <= 0 || item->frame().size.height <= 0)
                                               return nullptr;
                                           kit::Point far = item->frame().origin;
                                           far.x += item->frame().size.width;
                                           far.y += item->frame().size.height;
                                           if (Page* on = view->hitPageAt(view->pointOfEvent(event)))
                                               on->convertToView(&far);
                                           *endPoint = far;
                                           return item;
                                       });
        app.discardEventsMatchingMask(kit::LeftMouseUpMask | kit::LeftMouseDraggedMask, nullptr);
        if (!made)
            aside("nothing made");
        else if (auto* text = dynamic_cast<TextItem*>(made)) {
            // Typed into at once, as the text tool leaves it.
            text->beginEditing(nullptr, &view_);
            for (char c : std::string("New text"))
                s_.key(std::u16string(1, char16_t(c)));
            s_.endEditing();
        }
    }

    std::string pictureFile(bool large)
    {
        const std::string path = folder_ + (large ? "/large.tiff" : "/small.tiff");
        return path;
    }

    void place()
    {
        Page* page = pageOf(a_[0]);
        if (!page)
            return;
        const bool large = a_[3] % 4 == 0;
        const kit::Point at = kit::makePoint(40 + a_[1] * 2, 40 + a_[2] * 2.6f);
        note(std::string("place a ") + (large ? "large" : "small") + " picture on " + pageName(page) + " at " +
             pointText(at));
        s_.endEditing();
        s_.show(page);
        if (!view_._importFiles({pictureFile(large)}, false, page, nullptr, false, at))
            aside("nothing placed");
    }

    // ---- Selecting.

    void click(bool shift)
    {
        Item* item = itemOf(a_[0], a_[1]);
        if (!item) {
            note(std::string(shift ? "shift-click" : "click") + " (no item)");
            return;
        }
        s_.endEditing();
        const std::optional<kit::Point> at = pointOn(item);
        note(std::string(shift ? "shift-click " : "click ") + itemName(item) +
             (at ? " at " + pointText(*at) : std::string(" (no point finds it)")));
        if (at)
            s_.press({item->page(), *at}, {}, shift ? kit::ShiftKeyMask : 0);
    }

    void marquee()
    {
        Page* page = pageOf(a_[0]);
        if (!page)
            return;
        const kit::Point a = kit::makePoint(a_[1] * 2.4f, a_[2] * 3.1f);
        const kit::Point b = kit::makePoint(a_[3] * 2.4f, a_[4] * 3.1f);
        note("marquee on " + pageName(page) + " from " + pointText(a) + " to " + pointText(b));
        s_.endEditing();
        s_.show(page);
        kit::Point inView = a;
        page->convertToView(&inView);
        if (view_.hitItemAt(inView)) {
            aside("an item lies there: the press selects it");
        }
        s_.press({page, a}, pathTo(page, a, page, b));
    }

    void selectAll()
    {
        // The word processor's Select All selects the text.
        if (s_.wordProcessor()) {
            note("select all (the text: left out)");
            return;
        }
        command("select all", [&] { view_.selectAll(nullptr); });
    }

    // Windows > Inspector, or the inspector closed: while it is up, every
    // later selection change re-runs its pane.
    void inspector()
    {
        auto* window = dynamic_cast<kit::Window*>(s_.delegate().outlet("inspectorPanel"));
        if (a_[0] & 1) {
            note("inspector");
            s_.delegate().performSelector("inspect:", nullptr);
        } else if (window) {
            note("inspector closed");
            window->performClose(nullptr);
        }
    }

    void nudge()
    {
        static const char16_t arrows[] = {kit::UpArrowFunctionKey, kit::DownArrowFunctionKey,
                                          kit::LeftArrowFunctionKey, kit::RightArrowFunctionKey};
        static const char* const names[] = {"up", "down", "left", "right"};
        const int which = a_[0] % 4, times = 1 + a_[1] % 3;
        note("nudge " + std::string(names[which]) + " x" + std::to_string(times) + " (" +
             std::to_string(doc_.selected().size()) + " selected)");
        s_.endEditing();
        for (int i = 0; i < times; ++i)
            s_.key(std::u16string(1, arrows[which]), a_[2] & 1 ? kit::ShiftKeyMask : 0);
    }

    // ---- Dragging.

    void drag()
    {
        Item* item = itemOf(a_[0], a_[1]);
        if (!item) {
            note("drag (no item)");
            return;
        }
        s_.endEditing();
        const std::optional<kit::Point> at = pointOn(item);
        const kit::Point by = kit::makePoint(float(int(a_[2]) - 128) * 0.6f, float(int(a_[3]) - 128) * 0.6f);
        const bool copying = a_[4] % 5 == 0;
        note(std::string(copying ? "copy-drag " : "drag ") + itemName(item) + " by " + pointText(by) +
             (at ? "" : " (no point finds it)"));
        if (!at)
            return;
        const kit::Point end = kit::makePoint(at->x + by.x, at->y + by.y);
        const unsigned flags = copying ? kit::AlternateKeyMask : 0;
        s_.press({item->page(), *at}, pathTo(item->page(), *at, item->page(), end), flags);
    }

    void dragToPage()
    {
        Item* item = itemOf(a_[0], a_[1]);
        if (!item) {
            note("drag to another page (no item)");
            return;
        }
        s_.endEditing();
        Page* from = item->page();
        const std::vector<Page*> list = pages();
        const int index = int(std::find(list.begin(), list.end(), from) - list.begin());
        const int other = (a_[2] & 1) ? index + 1 : index - 1;
        if (other < 0 || other >= int(list.size())) {
            note("drag " + itemName(item) + " to another page (none there)");
            return;
        }
        Page* to = list[std::size_t(other)];
        s_.show(other < index ? to : from);
        const std::optional<kit::Point> at = pointOn(item);
        s_.show(other < index ? to : from);
        const kit::Point end = kit::makePoint(60 + a_[3] * 1.8f, 60 + a_[4] * 2.4f);
        note("drag " + itemName(item) + " to " + pageName(to) + " at " + pointText(end) +
             (at ? "" : " (no point finds it)"));
        if (!at)
            return;
        // Both pages in sight.
        kit::Point check = end;
        to->convertToView(&check);
        if (!kit::pointInRect(check, view_.visibleRect())) {
            aside("the other page is out of sight");
            return;
        }
        s_.press({from, *at}, pathTo(from, *at, to, end), (a_[5] % 6 == 0) ? kit::AlternateKeyMask : 0);
    }

    void knobDrag()
    {
        std::vector<Item*> selected = doc_.selected();
        std::erase_if(selected, [](const Item* i) { return i->isLocked(); });
        if (selected.empty()) {
            note("knob drag (nothing selected)");
            return;
        }
        Item* item = selected[a_[0] % selected.size()];
        Page* page = item->page();
        if (!page) {
            note("knob drag (not on a page)");
            return;
        }
        s_.endEditing();
        s_.show(page);
        const int knob = a_[1] % 8;
        kit::Point at{};
        item->getKnob(knob, &at);
        kit::Point by = kit::makePoint(float(int(a_[2]) - 128) * 0.7f, float(int(a_[3]) - 128) * 0.7f);
        // Now and then onto the opposite corner's line, and past it.
        if (a_[4] % 5 == 0) {
            kit::Point opposite{};
            item->getKnob((knob + 4) % 8, &opposite);
            by.x = opposite.x - at.x + (a_[4] % 2 ? 0 : float(int(a_[5] % 9) - 4));
        }
        const kit::Point end = kit::makePoint(at.x + by.x, at.y + by.y);
        const unsigned flags = a_[6] % 4 == 0 ? kit::ShiftKeyMask : 0;
        note("knob " + std::to_string(knob) + " of " + itemName(item) + " from " + pointText(at) + " to " +
             pointText(end) + (flags ? " with shift" : ""));
        kit::Point inView = at;
        page->convertToView(&inView);
        int hit = -1;
        if (view_.hitKnobAt(inView, &hit) != item)
            aside("another knob or item is found there");
        s_.press({page, at}, pathTo(page, at, page, end), flags);
    }

    // ---- Commands on the selection.

    void rotate()
    {
        static const float angles[] = {90, -90, 30, -15, 45, 180};
        const float angle = angles[a_[0] % 6];
        command("rotate by " + num(angle), [&] { view_.doRotateNudge(angle); });
    }

    void group()
    {
        // Group's undo puts the members back together at the group's place
        // in the stacking order (as Part of the group command); members
        // that lay apart would come back elsewhere, changing nothing else.
        Page* page = doc_.activePage();
        std::vector<int> places;
        if (page) {
            const std::vector<Item*> selected = doc_.selected();
            int i = 0;
            for (const auto& item : page->pageItems()) {
                if (!item->isLocked() && std::find(selected.begin(), selected.end(), item.get()) != selected.end())
                    places.push_back(i);
                ++i;
            }
        }
        for (std::size_t k = 1; k < places.size(); ++k)
            if (places[k] != places[k - 1] + 1) {
                note("group (" + std::to_string(places.size()) +
                     " apart in the stacking order: left out, as Group's undo restacks them)");
                return;
            }
        command("group", [&] { view_.group(nullptr); });
    }

    void order()
    {
        static const char* const names[] = {"bring to front", "send to back", "bring forward", "send backward"};
        const int which = a_[0] % 4;
        command(names[which], [&] {
            switch (which) {
            case 0: view_.bringToFront(nullptr); break;
            case 1: view_.sendToBack(nullptr); break;
            case 2: view_.popForward(nullptr); break;
            default: view_.pushBackward(nullptr); break;
            }
        });
    }

    void colour()
    {
        const int which = a_[0] % 8;
        if (which < 6)
            command("colour " + std::to_string(which + 1), [&] { view_.changeColor(which + 1); });
        else if (which == 6)
            command("remove colour", [&] { view_.removeColor(nullptr); });
        else
            command("remove line", [&] { view_.removeLine(nullptr); });
    }

    void copyDimensions()
    {
        static const int codes[] = {Undo::RotatedTo, Undo::ScaledTo, 28, 29, 30, 31, 32, 33, 34};
        const int code = codes[a_[0] % 9];
        command("copy dimensions " + std::to_string(code), [&] {
            TaggedMenuItem sender(code);
            view_.copyDimensions(&sender);
        });
    }

    class TaggedMenuItem : public kit::Object, public CommandSender {
    public:
        explicit TaggedMenuItem(int tag) : tag_(tag) {}
        std::string className() const override { return "NSMenuItem"; }
        int tag() const override { return tag_; }
        std::string title() const override { return {}; }

    private:
        int tag_;
    };

    // ---- Guides.

    void pullGuide()
    {
        Page* page = pageOf(a_[0]);
        if (!page)
            return;
        const char orientation = (a_[1] & 1) ? Guide::Vertical : Guide::Horizontal;
        const kit::Point end = kit::makePoint(30 + a_[2] * 2.1f, 30 + a_[3] * 2.8f);
        note(std::string("pull a ") + (orientation == Guide::Vertical ? "vertical" : "horizontal") +
             " guide to " + pageName(page) + " at " + pointText(end));
        s_.endEditing();
        s_.show(page);
        // From the ruler's edge of the visible area.
        const kit::Rect visible = view_.visibleRect();
        kit::Point endInView = end;
        page->convertToView(&endInView);
        const kit::Point start = orientation == Guide::Horizontal
                                     ? kit::makePoint(endInView.x, kit::minY(visible) + 1)
                                     : kit::makePoint(kit::minX(visible) + 1, endInView.y);
        kit::Application& app = kit::Application::sharedApplication();
        const kit::Point startInWindow = view_.convertPointToView(start, nullptr);
        for (const Session::At& at : pathTo(nullptr, start, page, end)) {
            const kit::Point p = at.page ? s_.inWindow(at.page, at.point) : view_.convertPointToView(at.point, nullptr);
            app.postEvent(s_.mouse(int(kit::EventType::LeftMouseDragged), p, 0), false);
        }
        app.postEvent(s_.mouse(int(kit::EventType::LeftMouseUp), s_.inWindow(page, end), 0), false);
        view_.addGuide(s_.mouse(int(kit::EventType::LeftMouseDown), startInWindow, 0), orientation);
        app.discardEventsMatchingMask(kit::LeftMouseUpMask | kit::LeftMouseDraggedMask, nullptr);
    }

    void dragGuide()
    {
        Page* page = pageOf(a_[0]);
        if (!page || page->guides().empty()) {
            note("drag a guide (none there)");
            return;
        }
        Guide* guide = page->guides()[a_[1] % page->guides().size()].get();
        const bool horizontal = guide->orientation() == Guide::Horizontal;
        // A point on the guide, clear of the page's edges.
        const kit::Point at = horizontal ? kit::makePoint(page->size().width / 2 + 3, guide->location())
                                         : kit::makePoint(guide->location(), page->size().height / 2 + 3);
        const float by = float(int(a_[2]) - 128) * 1.5f;
        const kit::Point end = horizontal ? kit::makePoint(at.x, at.y + by) : kit::makePoint(at.x + by, at.y);
        note("drag the guide at " + num(guide->location()) + " on " + pageName(page) + " by " + num(by));
        // A guide dropped on another page is not taken back to its own by
        // its undo record (the guide record moves it on its page).
        if (end.x < 0 || end.y < 0 || end.x > page->size().width || end.y > page->size().height) {
            aside("off its page: left out, as its undo keeps it on the other page");
            return;
        }
        s_.endEditing();
        s_.show(page);
        kit::Point inView = at;
        page->convertToView(&inView);
        if (view_.hitItemAt(inView))
            aside("an item lies there: the press finds it");
        s_.press({page, at}, pathTo(page, at, page, end));
    }

    void goToPage()
    {
        const int count = doc_.numPages();
        const int number = 1 + a_[0] % std::max(1, count);
        note("go to page " + std::to_string(number));
        view_.gotoPage(doc_.firstPageNum() + number - 1);
    }

    // ---- Text.

    void textEdit(const std::string& what, TextEdit edit)
    {
        TextFlow* flow = s_.mainFlow();
        if (!flow || !s_.mainColumn()) {
            note(what + " (no column shows the text)");
            return;
        }
        edit.from = pointIn(*flow, a_[0], a_[1], a_[2]);
        edit.to = edit.from;
        if (edit.kind == TextEdit::Keys && a_[3] % 5 == 0) {
            edit.to = pointIn(*flow, std::uint8_t(a_[0] + a_[4] % 3), a_[5], a_[6]);
            (void)TextPointSort(&edit.from, &edit.to);
        }
        note(what + " at " + textPointText(edit.from) +
             (TextPointCmp(&edit.to, &edit.from) == 0 ? std::string() : " to " + textPointText(edit.to)));
        if (s_.edit(edit))
            edits_.push_back(edit);
        else
            aside("the text could not be edited");
        if (std::getenv("SCRIVLY_VIEW_SEQUENCE_TRACE"))
            aside("text now: " + flowText(*flow));
    }

    void type()
    {
        static const char* const words[] = {"alpha ", "be ", "gamma delta ", "x", "Words typed here. ",
                                            "longerwordthatwraps "};
        TextEdit edit;
        std::string text = words[a_[7] % 6];
        for (char c : text)
            edit.keys.push_back(char16_t(c));
        textEdit("type \"" + text + "\"", edit);
    }

    void returns()
    {
        TextEdit edit;
        const int count = 1 + a_[7] % 12;
        edit.keys.assign(std::size_t(count), u'\r');
        textEdit(std::to_string(count) + " Returns", edit);
    }

    void backspaces()
    {
        TextEdit edit;
        const int count = 1 + a_[7] % 6;
        edit.keys.assign(std::size_t(count), char16_t(kit::DeleteCharacter));
        textEdit(std::to_string(count) + " Backspaces", edit);
    }

    void pageBreak()
    {
        TextEdit edit;
        edit.kind = TextEdit::PageBreak;
        textEdit("page break", edit);
    }

    void marker()
    {
        if (!s_.wordProcessor()) {
            note("header or footer (page layout: left out)");
            return;
        }
        TextEdit edit;
        edit.kind = (a_[7] & 1) ? TextEdit::Footer : TextEdit::Header;
        edit.tag = 1 + (a_[7] >> 1) % 3;
        textEdit(std::string(edit.kind == TextEdit::Footer ? "footer" : "header") + " on pages " +
                     std::to_string(edit.tag),
                 edit);
    }

    void undoRedo(bool undo)
    {
        UndoInfo* info = doc_.undoInfo();
        const int times = 1 + a_[0] % 3;
        note(std::string(undo ? "undo" : "redo") + " x" + std::to_string(times) + " (" +
             std::to_string(info ? info->undoCount() : 0) + " to undo, " +
             std::to_string(info ? info->redoCount() : 0) + " to redo)");
        s_.endEditing();
        for (int i = 0; i < times; ++i)
            undo ? view_.undo(nullptr) : view_.redo(nullptr);
    }

    Session& s_;
    LayoutDocument& doc_;
    PageView& view_;
    std::vector<std::string>& trace_;
    std::vector<TextEdit>& edits_;
    const std::string& folder_;
    const std::uint8_t* a_ = nullptr;
};

} // namespace

Sequence sequenceForSeed(std::uint64_t seed, int length)
{
    std::mt19937_64 random(seed * 0x9E3779B97F4A7C15ull + 1);
    Sequence sequence;
    sequence.wordProcessor = (seed % 3) != 2;
    int total = 0;
    for (int w : Weights)
        total += w;
    for (int i = 0; i < length; ++i) {
        Step step;
        int pick = int(random() % std::uint64_t(total));
        int op = 0;
        while (pick >= Weights[op])
            pick -= Weights[op++];
        step.op = std::uint8_t(op);
        for (auto& b : step.arg)
            b = std::uint8_t(random());
        sequence.steps.push_back(step);
    }
    return sequence;
}

std::string flowTextOf(const TextFlow& flow) { return flowText(flow); }

// ---- Running, the invariants and shrinking: PageViewSequenceRun.cpp.
void runSteps(Session& session, const Sequence& sequence, std::vector<std::string>& trace,
              std::vector<TextEdit>& edits, const std::string& folder,
              const std::function<bool(std::size_t)>& afterStep)
{
    Runner runner(session, trace, edits, folder);
    for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
        runner.run(sequence.steps[i]);
        if (!afterStep(i))
            return;
    }
}

} // namespace viewsequence
