#include "document/LayoutDocument.h"

#include <algorithm>

namespace {
bool dispatching = false;
bool dispatchingSuspended = false;

void addOnce(std::vector<TextWordSpecial*>& list, TextWordSpecial* word)
{
    if (word && std::find(list.begin(), list.end(), word) == list.end())
        list.push_back(word);
}
} // namespace

bool LayoutDocument::isDispatching() { return dispatching; }
bool LayoutDocument::isDispatchingSuspended() { return dispatchingSuspended; }
void LayoutDocument::setDispatching(bool flag) { dispatching = flag; }
void LayoutDocument::setDispatchingSuspended(bool flag) { dispatchingSuspended = flag; }

int LayoutDocument::indexOfPage(const Page* page) const
{
    (void)page;
    return PageNotFound;
}

void LayoutDocument::addHeader(TextWordSpecial* word) { addOnce(headers_, word); }
void LayoutDocument::addFooter(TextWordSpecial* word) { addOnce(footers_, word); }
void LayoutDocument::removeHeader(TextWordSpecial* word) { std::erase(headers_, word); }
void LayoutDocument::removeFooter(TextWordSpecial* word) { std::erase(footers_, word); }

void LayoutDocument::notifyUpdate(PageView* view, const std::vector<kit::Object*>* items)
{
    (void)view;
    (void)items;
}
