#pragma once

// A document window as "Page.nib" makes it, over a document of as many
// pages as a test asks for, its page view the main one.

#include "EditingTestSupport.h"

#include "appkit/NibLoader.h"
#include "graphics/RecordingContext.h"
#include "view/PageScrollView.h"
#include "view/RulerViewInset.h"

// Takes the scroll view the file names.
class PageNibOwner : public kit::Object, public kit::NibOwner {
public:
    std::string className() const override { return "TestOwner"; }
    bool setOutlet(const std::string& name, kit::Object* object) override
    {
        if (name == "lastLoadedScrollView")
            scroll = dynamic_cast<PageScrollView*>(object);
        return true;
    }
    PageScrollView* scroll = nullptr;
};

class ScrollViewTest : public EditingTest {
protected:
    void SetUp() override
    {
        startApplication();
        PageView::initialize();
    }

    void makePages(int count, kit::Size size = {612, 792})
    {
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(size);
        document_->setFirstPageNum(1);
        document_->setMasterPage(std::make_unique<Page>());
        for (int i = 0; i < count; ++i) {
            auto page = std::make_unique<Page>();
            page->setSize(size);
            pages_.push_back(document_->addPage(std::move(page)));
        }
        document_->calcPageRectsFor(1);
    }

    // The document window of "Page.nib" at the content size.
    void openScrollWindow(kit::Size content = {400, 300})
    {
        PageNibOwner owner;
        std::vector<std::unique_ptr<kit::Object>> made;
        ASSERT_TRUE(kit::NibLoader::loadNibFile("Page.nib", &owner, &made));
        ASSERT_NE(owner.scroll, nullptr);
        for (auto& object : made)
            if (auto* w = dynamic_cast<kit::Window*>(object.get())) {
                object.release();
                window_.reset(w);
            }
        ASSERT_TRUE(window_);
        scroll_ = owner.scroll;
        window_->setFrame(kit::Window::frameRectForContentRect(kit::makeRect(0, 0, content.width, content.height),
                                                               window_->styleMask()),
                          false);
        page_ = scroll_->pageView();
        page_->setFrameSize(document_->canvasSize());
        page_->setDocument(document_.get());
        document_->addView(page_);
        delegate_->setMainDocument(document_.get());
        delegate_->setMainPageView(page_);
        scroll_->tile();
        window_->display();
    }

    void TearDown() override
    {
        if (document_ && page_)
            document_->detachView(page_);
        page_ = nullptr;
        EditingTest::TearDown();
    }

    // The ruler drawn over its whole visible part into a recording.
    void drawRuler(RulerViewInset* ruler, kit::RecordingContext& context)
    {
        ruler->setDirty(true);
        ruler->cacheDisplayInRect(ruler->visibleRect(), context);
    }

    void post(kit::EventType type, kit::Point inWindow, unsigned flags = 0)
    {
        app_->postEvent(kit::Event::mouseEventWithType(type, inWindow, flags, kit::Clock::now(),
                                                       window_->windowNumber()),
                        false);
    }

    PageScrollView* scroll_ = nullptr;
    PageView* page_ = nullptr;
};
