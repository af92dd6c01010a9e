#include "document/LayoutDocument.h"
#include "document/ZynDocumentContents.h"

#include "document/Page.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include <algorithm>

LayoutDocument::DispatchStreamHook& LayoutDocument::dispatchRTFStreamHook()
{
    static DispatchStreamHook hook;
    return hook;
}

LayoutDocument::DispatchStreamHook& LayoutDocument::dispatchHTMLStreamHook()
{
    static DispatchStreamHook hook;
    return hook;
}

LayoutDocument::DispatchMarkupHook& LayoutDocument::dispatchMarkupHook()
{
    static DispatchMarkupHook hook;
    return hook;
}

LayoutDocument::SaveForeignFileHook& LayoutDocument::saveForeignFileHook()
{
    static SaveForeignFileHook hook;
    return hook;
}

std::unique_ptr<ZynDocumentContents> LayoutDocument::takeActiveDocumentContents()
{
    return std::move(activeDocumentContents_);
}

LayoutDocument::DispatchContentsHook& LayoutDocument::dispatchContentsHook()
{
    static DispatchContentsHook hook;
    return hook;
}

int LayoutDocument::saveForeignFile(const std::string& path, bool withBackup)
{
    if (const SaveForeignFileHook& hook = saveForeignFileHook())
        return hook(*this, path, withBackup);
    return 5;
}

Page* LayoutDocument::addPage(std::unique_ptr<Page> page)
{
    if (!page)
        return nullptr;
    page->setDocument(this);
    pages_.push_back(std::move(page));
    return pages_.back().get();
}

Page* LayoutDocument::setMasterPage(std::unique_ptr<Page> page)
{
    if (page)
        page->setDocument(this);
    masterPage_ = std::move(page);
    return masterPage_.get();
}

int LayoutDocument::indexOfPage(const Page* page) const
{
    if (!page)
        return PageNotFound;
    for (std::size_t i = pageIndexHint_; i < pages_.size() && i < pageIndexHint_ + 2; ++i)
        if (pages_[i].get() == page)
            return static_cast<int>(pageIndexHint_ = i);
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i].get() == page)
            return static_cast<int>(pageIndexHint_ = i);
    return PageNotFound;
}


void LayoutDocument::giveBodyFont(TextFlow* flow) const
{
    kit::Font* font = preferences() ? preferences()->bodyFont() : nullptr;
    if (!flow || !font)
        return;
    if (StyleParagraph* style = flow->paragraphStyle())
        style->setFont(font);
    for (const auto& paragraph : flow->paragraphList())
        if (StyleParagraph* style = paragraph->paragraphStyle())
            style->setFont(font);
    auto typing = std::make_unique<StyleChar>();
    typing->setFont(font);
    flow->setCharStyle(std::move(typing));
}
