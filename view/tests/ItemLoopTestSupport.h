#pragma once

// A page-layout document of two Letter pages side by side, shown whole at
// 100 % in a window, for the mouse loops of items and guides: scripted
// drags queued before a loop starts, in page coordinates.

#include "EditingTestSupport.h"

#include "appkit/Event.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "items/ItemBox.h"
#include "platform/appkit/tests/FreshRepaint.h"

#include <vector>

class ItemLoopTest : public EditingTest {
protected:
    static void SetUpTestSuite()
    {
        EditingTest::SetUpTestSuite();
        Undo::initialize();
    }

    void SetUp() override
    {
        startApplication();
        makeLayout();
    }

    void makeLayout()
    {
        std::string top = SCRIVLY_FIXTURES_DIR;
        top.erase(top.rfind("view/tests/fixtures"));
        static const std::string registered =
            kit::Font::registerFontFromAFM(top + "text/tests/fixtures/Fixed-Test.afm");
        ASSERT_EQ(registered, "");
        font_ = kit::Font::fontWithName("Fixed-Test", 10);
        ASSERT_NE(font_, nullptr);

        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setup();
        document_->setTileMode(0);
        ASSERT_TRUE(document_->addPages(1, 1));
        document_->calcPageRectsFor(1);
        for (const auto& page : document_->pages())
            pages_.push_back(page.get());
        ASSERT_EQ(pages_.size(), 2u);
        openWindow(kit::makeRect(0, 0, 1400, 950));
        ASSERT_TRUE(kit::containsRect(view_->visibleRect(), pages_[1]->pageRect()))
            << kit::stringFromRect(view_->visibleRect());
        document_->setActivePage(pages_[0]);
        window_->display();
    }

    // A box with a white fill and a black line of 1.
    ItemBox* addBox(int page, const kit::Rect& frame)
    {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(frame, false);
        box->setHasFill(true);
        box->setFillColor(kit::Color::whiteColor());
        box->setHasLine(true);
        box->setLineWidth(1.0f);
        box->setLineColor(kit::Color::blackColor());
        ItemBox* raw = box.get();
        pages_[std::size_t(page)]->addItems(std::move(box));
        return raw;
    }

    // A point of a page in the window's base coordinates.
    kit::Point inWindow(const Page* page, kit::Point p) const
    {
        page->convertToView(&p);
        return view_->convertPointToView(p, nullptr);
    }
    // A canvas point in the window's base coordinates.
    kit::Point canvasInWindow(kit::Point p) const { return view_->convertPointToView(p, nullptr); }

    kit::Event mouseAt(kit::EventType type, kit::Point base, unsigned flags = 0) const
    {
        return kit::Event::mouseEventWithType(type, base, flags, kit::Clock::now(), window_->windowNumber(), 1);
    }
    kit::Event mouseAt(kit::EventType type, const Page* page, kit::Point p, unsigned flags = 0) const
    {
        return mouseAt(type, inWindow(page, p), flags);
    }

    // Drags through the points of the page and the release at the last,
    // queued for the loop that the mouse-down starts.
    void queueDrag(const Page* page, const std::vector<kit::Point>& path, unsigned flags = 0)
    {
        for (const kit::Point& p : path)
            app_->postEvent(mouseAt(kit::EventType::LeftMouseDragged, page, p, flags), false);
        app_->postEvent(mouseAt(kit::EventType::LeftMouseUp, page, path.back(), flags), false);
    }
    void queueCanvasDrag(const std::vector<kit::Point>& path, unsigned flags = 0)
    {
        for (const kit::Point& p : path)
            app_->postEvent(mouseAt(kit::EventType::LeftMouseDragged, canvasInWindow(p), flags), false);
        app_->postEvent(mouseAt(kit::EventType::LeftMouseUp, canvasInWindow(path.back()), flags), false);
    }

    // Drags the item's knob by the offset; answers the knob it reports.
    int dragKnob(Item* item, int knob, kit::Point by, unsigned flags = 0)
    {
        kit::Point at{};
        item->getKnob(knob, &at);
        Page* page = item->page();
        queueDrag(page, {{at.x + by.x / 2, at.y + by.y / 2}, {at.x + by.x, at.y + by.y}}, flags);
        item->performResize(&knob, view_, mouseAt(kit::EventType::LeftMouseDown, page, at, flags));
        return knob;
    }

    // The window's backing image, pixel for pixel.
    std::vector<std::uint32_t> backing() const
    {
        const kit::RasterContext& image = window_->graphicsContext();
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                pixels.push_back(image.pixel(x, y));
        return pixels;
    }

    repaint::Mismatch screenAgainstRepaint()
    {
        window_->displayIfNeeded();
        return repaint::compareWithFreshRepaint(*window_, *view_);
    }

    static bool near(const kit::Rect& a, const kit::Rect& b, float e = 1e-3f)
    {
        return std::fabs(a.origin.x - b.origin.x) < e && std::fabs(a.origin.y - b.origin.y) < e &&
               std::fabs(a.size.width - b.size.width) < e && std::fabs(a.size.height - b.size.height) < e;
    }
};
