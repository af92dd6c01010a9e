// Announcements of changes to the document's page views: the view the change
// was made in first, then the others.

#include "document/LayoutDocument.h"

#include "text/DocumentView.h"

namespace {

template <class F>
void eachView(const std::vector<DocumentView*>& views, DocumentView* first, F&& f)
{
    if (first)
        f(first);
    // From the last to the first, as views are told everywhere.
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if (*it != first)
            f(*it);
}

} // namespace

void LayoutDocument::notifyUpdate(DocumentView* view, const std::vector<kit::Object*>* items)
{
    if (isNotifyDisabled())
        return;
    eachView(views_, view, [&](DocumentView* v) { v->notifyUpdateForItems(items); });
}

void LayoutDocument::invalidate(DocumentView* view, const std::vector<Item*>& items)
{
    eachView(views_, view, [&](DocumentView* v) { v->invalidateItems(items); });
}

void LayoutDocument::notifyUpdate(DocumentView* view, const kit::Rect& rect)
{
    if (isNotifyDisabled())
        return;
    eachView(views_, view, [&](DocumentView* v) { v->notifyUpdateForRect(rect); });
}

void LayoutDocument::notifyUpdate(DocumentView* view, const kit::Rect& rect, TextItem* fromItem, TextItem* toItem,
                                  int fromParagraph, int toParagraph)
{
    if (isNotifyDisabled())
        return;
    bool finished = true;
    eachView(views_, view, [&](DocumentView* v) {
        finished = v->drawSelf(rect, !kit::isEmptyRect(rect), fromItem, toItem, fromParagraph, toParagraph) && finished;
    });
    lastTextDrawFinished_ = finished;
}
