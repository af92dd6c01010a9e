#pragma once

// A document of three pages in a window: a column on each of the first two
// pages, chained, shows one flow in the fixture font (every glyph 6 points
// wide at size 10). The page view sits in a scroll view with an info bar and
// records what the document asks it to redraw.

#include "app/Layvane.h"
#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"
#include "view/InfoBarInset.h"
#include "view/PageView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// Registers the platform's value classes (kept apart: their Date clashes
// with the application kit's).
void registerEditingClasses();

struct TextDraw {
    kit::Rect rect;
    bool useRect;
    TextItem* from;
    TextItem* to;
    int fromParagraph;
    int toParagraph;
};

class RecordingPageView : public PageView {
public:
    using PageView::PageView;
    bool drawSelf(const kit::Rect& rect, bool useRect, TextItem* from, TextItem* to, int fromParagraph,
                  int toParagraph) override
    {
        draws.push_back({rect, useRect, from, to, fromParagraph, toParagraph});
        return PageView::drawSelf(rect, useRect, from, to, fromParagraph, toParagraph);
    }
    void notifyUpdateForItems(const std::vector<kit::Object*>* items) override
    {
        itemUpdates.push_back(items ? *items : std::vector<kit::Object*>{});
        PageView::notifyUpdateForItems(items);
    }
    std::vector<TextDraw> draws;
    std::vector<std::vector<kit::Object*>> itemUpdates;
};

// A menu item: its tag and title.
class MenuItemSender : public kit::Object, public CommandSender {
public:
    MenuItemSender(int tag, std::string title) : tag_(tag), title_(std::move(title)) {}
    std::string className() const override { return "NSMenuItem"; }
    int tag() const override { return tag_; }
    std::string title() const override { return title_; }

private:
    int tag_;
    std::string title_;
};

class EditingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        registerEditingClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        TextFlow::initialize();
        TextSelection::initialize();
    }

    void SetUp() override
    {
        startApplication();
        makeDocument();
    }

    // The application, its delegate and the user defaults, as a document
    // window finds them.
    void startApplication()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = &kit::Application::sharedApplication();
        kit::Clock::useVirtualClock(0.0);
        app_->resetForTesting();
        folder_ = kit::FileManager::uniqueTemporaryPath("edit-defaults");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        Layvane::initialize();
        TextWord::initialize();
        delegate_ = std::make_unique<Layvane>();
    }

    // Three pages, the first two's columns chained in the fixture font, in
    // a window of 400 × 300.
    void makeDocument()
    {
        // The text engine's fixture font.
        std::string top = SCRIVLY_FIXTURES_DIR;
        // (from any folder's tests: the top of the tree)
        top.erase(top.rfind("/tests/fixtures"));
        top.erase(top.rfind('/') + 1);
        static const std::string registered =
            kit::Font::registerFontFromAFM(top + "text/tests/fixtures/Fixed-Test.afm");
        ASSERT_EQ(registered, "");
        font_ = kit::Font::fontWithName("Fixed-Test", 10);
        ASSERT_NE(font_, nullptr);

        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setFirstPageNum(1);
        document_->setMasterPage(std::make_unique<Page>());
        document_->setHeaderFrame(LayoutDocument::defaultHeaderFrame());
        document_->setFooterFrame(LayoutDocument::defaultFooterFrame());
        for (int i = 0; i < 3; ++i) {
            auto page = std::make_unique<Page>();
            page->setSize(kit::makeSize(612, 792));
            pages_.push_back(document_->addPage(std::move(page)));
        }
        document_->calcPageRectsFor(1);

        first_ = addColumn(0, kit::makeRect(72, 72, 300, 100));
        second_ = addColumn(1, kit::makeRect(72, 72, 300, 100));
        first_->joinColumn(second_);
        flow_ = first_->flow();
        // The second column's empty paragraph came along: one is enough.
        while (flow_->paragraphCount() > 1)
            flow_->removeParagraph(flow_->lastParagraph());
        flow_->setCurrentParagraph(flow_->firstParagraph());
        setFont(flow_);

        openWindow(kit::makeRect(0, 0, 400, 300));
    }

    // A window of the content size showing the document in a page view, in
    // a scroll view with an info bar; the view is the main page view.
    void openWindow(const kit::Rect& content)
    {
        window_ = std::make_unique<kit::Window>(content);
        auto scroll = std::make_unique<kit::ScrollView>(content);
        auto view = std::make_unique<RecordingPageView>(kit::makeRect(0, 0, 0, 0));
        view_ = view.get();
        view_->setFrameSize(document_->canvasSize());
        view_->setDocument(document_.get());
        scroll->setDocumentView(std::move(view));
        infoBar_ = static_cast<InfoBarInset*>(scroll->addSubview(InfoBarInset::loadFromNib()));
        // A plain scroll view gives the bar no strip of its own: it shows its
        // values but paints nothing over the page view.
        infoBar_->setFrame(kit::Rect{});
        scroll_ = scroll.get();
        window_->setContentView(std::move(scroll));
        document_->addView(view_);
        delegate_->setMainDocument(document_.get());
        delegate_->setMainPageView(view_);
    }

    void TearDown() override
    {
        if (document_)
            document_->detachView(view_);
        window_.reset();
        document_.reset();
        delegate_.reset();
        app_->resetForTesting();
        kit::Clock::useRealClock();
        kit::setAlertHandler(nullptr);
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
    }

    void setFont(TextFlow* flow)
    {
        for (const auto& paragraph : flow->paragraphList())
            paragraph->paragraphStyle()->setFont(font_);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font_);
        flow->setCharStyle(std::move(typing));
    }

    TextItem* addColumn(int page, const kit::Rect& frame, Page* on = nullptr)
    {
        auto column = std::make_shared<TextItem>();
        column->setFrame(frame, false);
        TextItem* raw = column.get();
        (on ? on : pages_[std::size_t(page)])->addItems(column, false);
        return raw;
    }

    // Types the text at the caret (a line feed ends a paragraph) and lays
    // the flow out.
    static void type(TextFlow* flow, const std::string& text)
    {
        for (char c : text)
            flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
        flow->recomputeAll();
    }

    // The flow's words, a space between words and a line feed between
    // paragraphs.
    static std::string text(const TextFlow* flow)
    {
        std::string out;
        for (const auto& paragraph : flow->paragraphList()) {
            if (!out.empty())
                out += '\n';
            bool firstWord = true;
            for (const auto& word : paragraph->wordList()) {
                if (word->isSpecial() || word->length() == 0)
                    continue;
                if (!firstWord)
                    out += ' ';
                out.append(word->text(), std::size_t(word->length()));
                firstWord = false;
            }
        }
        return out;
    }

    void caretAt(int paragraph, int word, int letter)
    {
        const textPoint point{paragraph, word, letter};
        flow_->setCurrentPoint(&point);
    }

    kit::Application* app_ = nullptr;
    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::unique_ptr<Layvane> delegate_;
    kit::Font* font_ = nullptr;
    std::unique_ptr<LayoutDocument> document_;
    std::vector<Page*> pages_;
    TextItem* first_ = nullptr;
    TextItem* second_ = nullptr;
    TextFlow* flow_ = nullptr;
    std::unique_ptr<kit::Window> window_;
    kit::ScrollView* scroll_ = nullptr;
    RecordingPageView* view_ = nullptr;
    InfoBarInset* infoBar_ = nullptr;
};
