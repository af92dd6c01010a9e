// A whole editing run as a user makes it: a column on a page of Times 12 is
// opened for editing in a page view, two paragraphs are typed through key
// events, a word is double-clicked and made bold with the Font menu's Bold,
// and the page drawn in the window is compared with the page as printed.

#include "EditingTestSupport.h"

#include "foundation/Paint.h"
#include "graphics/FontManager.h"
#include "graphics/PostScriptContext.h"
#include "graphics/tests/WysiwygSupport.h"

#include <filesystem>
#include <string>

namespace {

constexpr float kPageWidth = 612, kPageHeight = 792;

const std::string kFirst =
    "Every word is measured with the printer's metrics of its font, kerned, and placed at the same "
    "fraction of a point on the screen as on paper, whatever the screen's own rounding would prefer.";
const std::string kSecond =
    "A second paragraph follows the Return typed on the keyboard; it wraps over more than one line "
    "too, so that both paragraphs show where their lines are broken.";
// The word of the first paragraph that is double-clicked and made bold.
const std::string kBoldWord = "fraction";

class EditingRun : public EditingTest {
protected:
    void SetUp() override
    {
        startApplication();
        font_ = kit::Font::fontWithName("Times-Roman", 12);
        ASSERT_NE(font_, nullptr);
        ASSERT_FALSE(font_->fontFilePath().empty()) << "the URW fonts are not installed";

        // A new document of one page, without the text frames' outlines:
        // they guide on screen and are never printed.
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(kPageWidth, kPageHeight));
        document_->setup();
        document_->setShowTextRects(false);
        ASSERT_EQ(document_->numPages(), 1);
        pages_.push_back(document_->pageAt(0));
        column_ = addColumn(0, kit::makeRect(72, 72, 468, 300));
        // Ordinary column text, as a column drawn with the mouse is.
        column_->setTextType(1);
        flow_ = column_->flow();
        setFont(flow_);

        // A window the size of the page, scrolled to show the page whole.
        openWindow(kit::makeRect(0, 0, kPageWidth, kPageHeight));
        view_->scrollPoint(pages_[0]->pageRect().origin);
        ASSERT_TRUE(kit::equalRects(view_->visibleRect(), pages_[0]->pageRect()))
            << kit::stringFromRect(view_->visibleRect()) << " shows the page "
            << kit::stringFromRect(pages_[0]->pageRect());
    }

    void TearDown() override
    {
        kit::FontManager::sharedFontManager().setChangeFontHandler(nullptr);
        EditingTest::TearDown();
    }

    // Each character pressed and released, queued as the keyboard queues
    // them, then handed to the flow as the document hands over key downs.
    // Answers how many key downs the flow was handed: a burst takes the
    // keys queued behind the one handed over.
    int typeKeys(const std::string& keys)
    {
        for (unsigned char c : keys) {
            const std::u16string chars(1, char16_t(c));
            for (kit::EventType type : {kit::EventType::KeyDown, kit::EventType::KeyUp})
                app_->postEvent(kit::Event::keyEventWithType(type, {}, 0, kit::Clock::now(), 0, chars, chars, false),
                                false);
        }
        int handed = 0;
        while (auto e = app_->nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(),
                                                    kit::DefaultRunLoopMode, true)) {
            flow_->processKeyEvent(*e, view_, column_);
            ++handed;
        }
        app_->discardEventsMatchingMask(kit::KeyUpMask, nullptr);
        return handed;
    }

    // The caret at a letter of a word, in the column's coordinates.
    kit::Rect caretAt(int paragraph, int word, int letter) const
    {
        const textPoint at{paragraph, word, letter};
        return PageView::caretRectInColumn(&at, column_, nullptr);
    }

    // A column rectangle in the window, in base coordinates.
    kit::Rect inWindow(kit::Rect inColumn) const
    {
        kit::Point origin = column_->frame().origin;
        column_->convertToView(&origin);
        return view_->convertRectToView(kit::offsetRect(inColumn, origin.x, origin.y), nullptr);
    }

    // A click of the given count at a column point: the mouse down tracked
    // by the flow until the mouse up queued behind it.
    void click(kit::Point inColumn, int clicks)
    {
        const kit::Point at = inWindow(kit::makeRect(inColumn.x, inColumn.y, 0, 0)).origin;
        app_->postEvent(
            kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, at, 0, kit::Clock::now(), 0, clicks), false);
        flow_->mouseHandle(
            kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, at, 0, kit::Clock::now(), 0, clicks),
            view_, column_);
    }

    // A double click halfway along a word of the given length and down its
    // line: the first click, then the second.
    void doubleClickWord(int paragraph, int word, int length)
    {
        const kit::Rect caret = caretAt(paragraph, word, length / 2);
        ASSERT_GT(caret.size.height, 0.0f);
        const kit::Point inWord = kit::makePoint(caret.origin.x, kit::midY(caret));
        click(inWord, 1);
        click(inWord, 2);
    }

    // The share of dark pixels the window's image holds over a word.
    double inkOverWord(const QImage& image, int paragraph, int word, int length) const
    {
        const kit::Rect first = caretAt(paragraph, word, 0), last = caretAt(paragraph, word, length);
        const kit::Rect box = inWindow(
            kit::makeRect(first.origin.x, first.origin.y, last.origin.x - first.origin.x, first.size.height));
        // Rows run down from the top of the image; base coordinates up.
        const int left = int(kit::minX(box)) + 1, right = int(kit::maxX(box)) - 1;
        const int top = image.height() - int(kit::maxY(box)) + 1, bottom = image.height() - int(kit::minY(box)) - 1;
        int dark = 0, all = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x, ++all)
                dark += qGray(image.pixel(x, y)) < 128;
        return all ? double(dark) / all : 0.0;
    }

    // The name of the font in force at a letter of a word.
    std::string fontAt(int paragraph, int word, int letter) const
    {
        textPoint at{paragraph, word, letter};
        const StyleChar* style = flow_->styleCharAt(&at);
        return style && style->font() ? style->font()->fontName() : "none";
    }

    // What the window shows: brought up to date as the run loop does after
    // each event, or painted afresh.
    QImage screenAsLeft()
    {
        window_->displayIfNeeded();
        return wysiwyg::screenImage(window_->graphicsContext());
    }
    QImage screenRedrawn()
    {
        window_->display();
        return wysiwyg::screenImage(window_->graphicsContext());
    }

    // The page's items drawn into the PostScript writer, as printing does
    // (the page's coordinates run down from its top left), and rendered.
    QImage printedPage(const std::string& gs, const std::filesystem::path& folder, std::string* postscript)
    {
        kit::PostScriptContext ps;
        kit::PostScriptDocumentInfo info;
        info.title = "Editing run";
        ps.beginDocument(info);
        ps.beginPage("1", 1, kit::makeRect(0, 0, kPageWidth, kPageHeight));
        ps.translate(0, kPageHeight);
        ps.scale(1, -1);
        view_->lockFocus(ps);
        const kit::Rect whole = kit::makeRect(0, 0, kPageWidth, kPageHeight);
        for (const auto& item : pages_[0]->pageItems()) {
            if (auto* column = dynamic_cast<TextItem*>(item.get())) {
                column->drawSelf(view_->paint(ps, whole), whole);
            } else {
                kit::DrawContext::Scope scope(ps);
                item->drawSelfInView(view_->paint(ps, whole), whole);
            }
        }
        ps.endPage();
        ps.endDocument();
        EXPECT_EQ(ps.errorCount(), 0u) << ps.lastError();
        *postscript = ps.output();
        return wysiwyg::printedImage(gs, ps, folder, int(kPageWidth), int(kPageHeight));
    }

    TextItem* column_ = nullptr;
};

int wordIndex(const TextParagraph* paragraph, const std::string& text)
{
    for (int i = 0; i < paragraph->wordCount(); ++i) {
        const TextWord* word = paragraph->wordAtIndex(i);
        if (std::string(word->text(), std::size_t(word->length())) == text)
            return i;
    }
    return -1;
}

} // namespace

TEST_F(EditingRun, TypedTextWithABoldWordPrintsAsTheScreenShowsIt)
{
    const std::string gs = wysiwyg::findProgram("gs");
    if (gs.empty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    wysiwyg::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());

    column_->beginEditing(nullptr, view_);
    ASSERT_TRUE(column_->isEditing());
    ASSERT_EQ(document_->activeTextItem(), column_);

    // Return ends a burst: the flow is handed the first key, the Return and
    // the key after it.
    EXPECT_EQ(typeKeys(kFirst + "\r" + kSecond), 3);
    EXPECT_EQ(text(flow_), kFirst + "\n" + kSecond);
    ASSERT_EQ(flow_->paragraphCount(), 2);
    // Both paragraphs wrap inside the column.
    for (int p = 0; p < 2; ++p) {
        const TextParagraph* paragraph = flow_->paragraphAtIndex(p);
        EXPECT_GT(paragraph->lastY() - paragraph->firstY(), 20.0f) << p;
    }
    EXPECT_TRUE(document_->isEdited());

    // A double click in the middle of the word selects it whole.
    const int w = wordIndex(flow_->paragraphAtIndex(0), kBoldWord);
    ASSERT_GT(w, 0);
    const int length = int(kBoldWord.size());
    const textPoint wordStart{0, w, 0}, wordEnd{0, w, length};
    doubleClickWord(0, w, length);
    TextSelection* selection = flow_->textSelection();
    ASSERT_NE(selection, nullptr);
    EXPECT_TRUE(EqualTextPoints(selection->startPoint(), &wordStart));
    EXPECT_TRUE(EqualTextPoints(selection->endPoint(), &wordEnd));
    EXPECT_EQ(selection->selectionEndType(), SelectionWord);

    // The Font menu's Bold: the font manager converts the selection's fonts
    // through the edited column's changeFont.
    auto& fonts = kit::FontManager::sharedFontManager();
    fonts.setChangeFontHandler([this] { column_->changeFont(nullptr, view_); });
    std::string postscript;
    const QImage printedBeforeBold = printedPage(gs, folder.path(), &postscript);
    ASSERT_FALSE(printedBeforeBold.isNull()) << "Ghostscript gave no image; see " << (folder.path() / "gs.log");
    EXPECT_EQ(postscript.find("Times-Bold"), std::string::npos);
    fonts.addFontTrait(kit::BoldFontMask);
    for (int letter = 0; letter < length; ++letter)
        EXPECT_EQ(fontAt(0, w, letter), "Times-Bold") << letter;
    EXPECT_EQ(fontAt(0, w - 1, 0), "Times-Roman");
    EXPECT_EQ(fontAt(0, w + 1, 0), "Times-Roman");
    EXPECT_EQ(fontAt(1, 0, 0), "Times-Roman");
    textPoint boldAt{0, w, 0};
    EXPECT_FLOAT_EQ(flow_->styleCharAt(&boldAt)->pointSize(), 12.0f);
    EXPECT_EQ(text(flow_), kFirst + "\n" + kSecond);
    // The word stays selected for the next command.
    selection = flow_->textSelection();
    ASSERT_NE(selection, nullptr);
    EXPECT_TRUE(EqualTextPoints(selection->startPoint(), &wordStart));
    EXPECT_TRUE(EqualTextPoints(selection->endPoint(), &wordEnd));

    // Closing editing takes the selection and its highlight away; the page
    // is compared as the window shows it then, and drawn afresh.
    view_->endEditingIfNeeded();
    EXPECT_EQ(flow_->textSelection(), nullptr);
    const QImage screen = screenAsLeft();
    const QImage redrawn = screenRedrawn();
    const QImage printed = printedPage(gs, folder.path(), &postscript);
    ASSERT_FALSE(printed.isNull()) << "Ghostscript gave no image; see " << (folder.path() / "gs.log");
    EXPECT_NE(postscript.find("Times-Bold"), std::string::npos);

    const wysiwyg::Comparison c = wysiwyg::compare(printed, screen);
    EXPECT_TRUE(wysiwyg::matches(c)) << wysiwyg::describe(c) << "; images in "
                                     << wysiwyg::keepImages(folder, screen, c);
    const wysiwyg::Comparison fresh = wysiwyg::compare(printed, redrawn);
    EXPECT_TRUE(wysiwyg::matches(fresh)) << wysiwyg::describe(fresh) << "; images in "
                                         << wysiwyg::keepImages(folder, redrawn, fresh);
    EXPECT_GT(wysiwyg::inkOf(screen), 1000);
    // The comparison sees the bold word: the page printed before it was
    // bold does not pass for the screen after.
    const wysiwyg::Comparison before = wysiwyg::compare(printedBeforeBold, screen);
    EXPECT_FALSE(wysiwyg::matches(before)) << wysiwyg::describe(before);
}

TEST_F(EditingRun, ClosingEditingTakesTheHighlightOffTheScreen)
{
    column_->beginEditing(nullptr, view_);
    typeKeys("one highlighted word");
    doubleClickWord(0, 1, 11);
    ASSERT_NE(flow_->textSelection(), nullptr);
    EXPECT_GT(inkOverWord(screenAsLeft(), 0, 1, 11), 0.6);

    view_->endEditingIfNeeded();
    const QImage closed = screenAsLeft();
    // Black glyphs on white now: a small share of the word's box.
    EXPECT_LT(inkOverWord(closed, 0, 1, 11), 0.35);
    EXPECT_GT(inkOverWord(closed, 0, 1, 11), 0.02);
    // Painted again, the page looks the same: nothing is drawn over itself.
    EXPECT_TRUE(closed == screenRedrawn());
}
