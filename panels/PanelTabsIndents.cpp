// The indent steps of the tabs panel and its placement by the edited frame.

#include "panels/PanelTabs.h"

#include "appkit/View.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "view/PageView.h"

#include <algorithm>
#include <cmath>

namespace {

// What the steps keep between the left (or first-line) and the right indent.
constexpr float kMinIndentGap = 18.0f;

// A hair past a stop, so that a marker standing on one moves on.
constexpr double kPastStop = 0.0001;

} // namespace

float PanelTabs::defaultTabSpacing() const
{
    const LayoutDocument* document = mainDocument();
    const float spacing = document ? document->defaultTabSpacing() : 0.0f;
    return std::isfinite(spacing) && spacing > 0.0f ? spacing : 0.0f;
}

float PanelTabs::_findTabStopAfter(float x) const
{
    auto* self = const_cast<PanelTabs*>(this);
    const StyleTabStop* stops = self->tabs();
    for (int i = 0; stops && i < numTabs(); ++i)
        if (stops[i].location > x)
            return stops[i].location;
    // Default stops count from the ruler's zero.
    if (const double s = defaultTabSpacing(); s != 0.0)
        return static_cast<float>(std::ceil((double(x) + kPastStop) / s) * s);
    const float margin = self->indents()[3].location;
    return x < margin ? margin : x;
}

float PanelTabs::_findTabStopBefore(float x) const
{
    auto* self = const_cast<PanelTabs*>(this);
    const StyleTabStop* stops = self->tabs();
    const int count = stops ? numTabs() : 0;
    const float margin = self->indents()[3].location;
    const double s = defaultTabSpacing();
    // Left of the first default stop past the paragraph's own stops, the
    // previous stop is one of those. Without default stops it is one of
    // them wherever x lies: the margin is only the last resort.
    const double last = count > 0 && stops[count - 1].location > 0 ? stops[count - 1].location : 0.0;
    const double firstDefault = s != 0.0 ? std::ceil((last + kPastStop) / s) * s : 0.0;
    if (firstDefault == 0.0 || firstDefault > x)
        for (int i = count - 1; i >= 0; --i) {
            const float compared = absoluteTabs() ? stops[i].location - margin : stops[i].location;
            if (compared < x)
                return stops[i].location;
        }
    if (s != 0.0)
        return static_cast<float>(std::floor((double(x) - kPastStop) / s) * s);
    return x > margin ? margin : 0.0f;
}

void PanelTabs::reloadEditedParagraph()
{
    PageView* view = mainPageView();
    LayoutDocument* document = mainDocument();
    TextFlow* flow = document ? document->activeTextFlow() : nullptr;
    if (view && view->isEditing() && flow && flow->currentParagraph())
        updateFromParagraph(flow->currentParagraph());
}

void PanelTabs::stepHanging(bool expand, kit::Object* sender)
{
    reloadEditedParagraph();
    StyleTabStop* marks = indents();
    const float leftMargin = marks[3].location;
    float left = expand ? _findTabStopAfter(marks[0].location) : _findTabStopBefore(marks[0].location);
    const float right = marks[1].location;
    if (right - left < kMinIndentGap)
        left = right - kMinIndentGap;
    left = std::max(left, leftMargin);
    if (!std::isfinite(left))
        return;
    marks[0].location = left;
    apply(sender, true, 0);
}

void PanelTabs::stepLeftEdge(bool in, kit::Object* sender)
{
    reloadEditedParagraph();
    StyleTabStop* marks = indents();
    const float leftMargin = marks[3].location;
    const float right = marks[1].location;
    float first = marks[2].location;
    const float to = in ? _findTabStopAfter(first) : _findTabStopBefore(first);
    float left = marks[0].location + (to - first);
    first = to;
    if (right - left < kMinIndentGap) {
        const float back = kMinIndentGap - (right - left);
        left -= back;
        first -= back;
    }
    if (right - first < kMinIndentGap) {
        const float back = kMinIndentGap - (right - first);
        left -= back;
        first -= back;
    }
    // The pair stops at the column's left edge, keeping its shape.
    if (const float over = leftMargin - std::min(left, first); over > 0) {
        left += over;
        first += over;
    }
    if (!std::isfinite(left) || !std::isfinite(first))
        return;
    marks[0].location = left;
    marks[2].location = first;
    apply(sender, true, in ? 1 : -1);
}

void PanelTabs::stepRightEdge(bool out, kit::Object* sender)
{
    reloadEditedParagraph();
    StyleTabStop* marks = indents();
    const float rightMargin = marks[4].location;
    float right = out ? _findTabStopAfter(marks[1].location) : _findTabStopBefore(marks[1].location);
    const float widest = std::max(marks[0].location, marks[2].location);
    if (right - widest < kMinIndentGap)
        right = widest + kMinIndentGap;
    right = std::min(right, rightMargin);
    if (!std::isfinite(right))
        return;
    marks[1].location = right;
    apply(sender, true, 0);
}

void PanelTabs::hangingIndentExpand(kit::Object* sender) { stepHanging(true, sender); }
void PanelTabs::hangingIndentReduce(kit::Object* sender) { stepHanging(false, sender); }
void PanelTabs::indentLeftIn(kit::Object* sender) { stepLeftEdge(true, sender); }
void PanelTabs::indentLeftOut(kit::Object* sender) { stepLeftEdge(false, sender); }
void PanelTabs::indentRightIn(kit::Object* sender) { stepRightEdge(false, sender); }
void PanelTabs::indentRightOut(kit::Object* sender) { stepRightEdge(true, sender); }

void PanelTabs::alignPanel(kit::Object* sender)
{
    (void)sender;
    LayoutDocument* document = mainDocument();
    if (!document)
        return;
    const std::vector<Item*> selection = document->selected();
    if (selection.empty())
        return;
    PageView* view = mainPageView();
    auto* text = dynamic_cast<TextItem*>(selection.front());
    Page* page = text ? text->page() : nullptr;
    kit::View* outer = view && view->superview() ? view->superview()->superview() : nullptr;
    if (page && outer && view->window()) {
        kit::Point p = text->frame().origin;
        page->convertToView(&p);
        p = view->convertPointToView(p, outer);
        const kit::Rect w = view->window()->frame();
        kit::Rect placed = frame();
        placed.origin = kit::makePoint(w.origin.x + p.x - 10.0f, w.origin.y + w.size.height - p.y - 15.0f);
        if (std::isfinite(placed.origin.x) && std::isfinite(placed.origin.y))
            setFrame(placed, false);
    }
    display();
}
