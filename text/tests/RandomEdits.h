#pragma once

// Edits of a flow as a user makes them, chosen at random: keys through the
// flow's key handling (typing, Return, Enter, line breaks, both delete keys,
// arrows), the caret and selections placed anywhere, cut, copy and paste
// through the column's commands, and paragraph and character styles through
// the selection. The chooser decides: a seeded generator in the tests, the
// fuzzer's bytes in a fuzz target. Free of the test framework.

#include "HigherLayers.h"

#include "core/EventState.h"
#include "core/Pasteboard.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>

namespace layoutcheck {

class EditChooser {
public:
    virtual ~EditChooser() = default;
    // A number from 0 to n - 1.
    virtual int below(int n) = 0;
};

class SeededChooser : public EditChooser {
public:
    explicit SeededChooser(std::uint32_t seed) : random_(seed) {}
    int below(int n) override { return n <= 1 ? 0 : int(random_() % std::uint32_t(n)); }

private:
    std::mt19937 random_;
};

// An item of the Size menu.
class SizeMenuItem : public kit::Object, public CommandSender {
public:
    explicit SizeMenuItem(float size) : title_(std::to_string(int(size))) {}
    std::string className() const override { return "NSMenuItem"; }
    int tag() const override { return 0; }
    std::string title() const override { return title_; }

private:
    std::string title_;
};

class RandomEditor {
public:
    // The styles use the font's family at a few sizes; every column of the
    // flow's chain must be open for editing.
    RandomEditor(TextFlow& flow, PageView* view, kit::Font* font, EditChooser& chooser)
        : flow_(flow), view_(view), font_(font), choose_(chooser),
          pasteboard_(kit::Pasteboard::pasteboardWithName("RandomEditorPasteboard"))
    {
    }

    // One edit; answers what it did.
    std::string step()
    {
        kit::setCurrentEventModifierFlags(0);
        const int roll = choose_.below(100);
        if (roll < 30)
            return typeLetters();
        if (roll < 36)
            return key(13, "Return");
        if (roll < 39)
            return key(0xF7EB, "Enter");
        if (roll < 41) {
            kit::setCurrentEventModifierFlags(kit::AlternateKeyMask);
            return key(13, "Alternate-Return");
        }
        if (roll < 43)
            return key(9, "Tab");
        if (roll < 53)
            return key(0xF7E8, "Backspace");
        if (roll < 59)
            return key(0xF728, "Delete");
        if (roll < 65)
            return moveCaret();
        if (roll < 69)
            return arrow();
        if (roll < 79)
            return selectionEdit();
        if (roll < 84)
            return paste();
        if (roll < 94)
            return paragraphStyle();
        return characterSize();
    }

private:
    // The column the caret is in, as the document hands keys to it.
    TextItem* column() const
    {
        textPoint caret{};
        flow_.getCurrentTextPoint(&caret);
        TextItem* at = flow_.item(flow_.firstTextItem(), &caret);
        return at ? at : flow_.firstTextItem();
    }

    std::string key(std::uint16_t code, const char* name)
    {
        std::string done = std::string(name) + caretText();
        flow_.processKey(code, view_, column());
        kit::setCurrentEventModifierFlags(0);
        return done;
    }

    std::string typeLetters()
    {
        const int count = 1 + choose_.below(choose_.below(4) == 0 ? 12 : 3);
        std::string typed;
        for (int i = 0; i < count; ++i)
            typed += choose_.below(6) == 0 ? ' ' : char('a' + choose_.below(5));
        const std::string done = "type \"" + typed + "\"" + caretText();
        for (char c : typed)
            flow_.processKey(static_cast<unsigned char>(c), view_, column());
        return done;
    }

    textPoint randomPoint()
    {
        textPoint p{};
        p.paragraph = choose_.below(flow_.paragraphCount());
        const TextParagraph* paragraph = flow_.paragraphAtIndex(p.paragraph);
        p.word = paragraph ? choose_.below(std::max(paragraph->wordCount(), 1)) : 0;
        const TextWord* word = paragraph ? paragraph->wordAtIndex(p.word) : nullptr;
        p.letter = word ? choose_.below(word->length() + 1) : 0;
        return p;
    }

    static std::string pointText(const textPoint& p)
    {
        return std::to_string(p.paragraph) + "," + std::to_string(p.word) + "," + std::to_string(p.letter);
    }
    std::string caretText() const
    {
        textPoint caret{};
        flow_.getCurrentTextPoint(&caret);
        return " at " + pointText(caret);
    }

    // Selections made and taken away as the mouse does it: the highlight
    // changes in the window at once.
    void selectShown(const textPoint& a, const textPoint& b, int type)
    {
        flow_.drawAndSetSelectionType(type, &a, &b, type == SelectionPara, view_, 0);
    }
    void deselectShown()
    {
        // Equal points take the selection away.
        textPoint caret{};
        flow_.getCurrentTextPoint(&caret);
        flow_.drawAndSetSelectionType(SelectionChar, &caret, &caret, false, view_, 0);
        flow_.removeSelection();
    }

    std::string moveCaret()
    {
        deselectShown();
        const textPoint p = randomPoint();
        flow_.setCurrentPoint(&p);
        return "caret to " + pointText(p);
    }

    std::string arrow()
    {
        static const std::uint16_t keys[] = {0xF700, 0xF701, 0xF702, 0xF703, 0xF7E0, 0xF7E1, 0xF7E3, 0xF7E7};
        static const char* names[] = {"Up", "Down", "Left", "Right", "word left", "word right", "paragraph forward",
                                      "flow end"};
        const int k = choose_.below(8);
        return key(keys[k], names[k]);
    }

    // A selection from the caret to a point near it, or of whole paragraphs.
    std::string select()
    {
        textPoint a{}, b{};
        flow_.getCurrentTextPoint(&a);
        std::string done;
        if (choose_.below(4) == 0) {
            a = {choose_.below(flow_.paragraphCount()), 0, 0};
            const int last = std::min(flow_.paragraphCount() - 1, a.paragraph + choose_.below(2));
            flow_.paragraphAtIndex(last)->lastTextPoint(&b);
            selectShown(a, b, SelectionPara);
            done = "paragraphs " + pointText(a) + " to " + pointText(b);
        } else {
            b = randomPoint();
            if (choose_.below(2) == 0 && b.paragraph != a.paragraph)
                b = a;
            if (b.paragraph == a.paragraph) {
                const TextParagraph* paragraph = flow_.paragraphAtIndex(a.paragraph);
                b.word = choose_.below(std::max(paragraph->wordCount(), 1));
                const TextWord* word = paragraph->wordAtIndex(b.word);
                b.letter = word ? choose_.below(word->length() + 1) : 0;
            }
            const int type = choose_.below(3) == 0 ? SelectionWord : SelectionChar;
            selectShown(a, b, type);
            done = std::string(type == SelectionWord ? "words " : "letters ") + pointText(a) + " to " + pointText(b);
        }
        // Only a selection the caret stands in is edited.
        const TextSelection* selection = flow_.textSelection();
        if (selection) {
            textPoint start = selection->start();
            flow_.setCurrentPoint(&start);
            // setCurrentPoint leaves the selection alone.
        }
        return done;
    }

    std::string selectionEdit()
    {
        const std::string selected = select();
        if (!flow_.textSelection())
            return selected + " (none)";
        TextItem* at = column();
        switch (choose_.below(4)) {
        case 0:
            return key(0xF7E8, ("delete " + selected).c_str());
        case 1: {
            const char c = char('a' + choose_.below(5));
            return key(static_cast<unsigned char>(c), ("type '" + std::string(1, c) + "' over " + selected).c_str());
        }
        case 2:
            at->cutToPasteboard(pasteboard_, view_);
            hasPasted_ = true;
            return "cut " + selected;
        default:
            at->copyToPasteboard(pasteboard_, view_);
            hasPasted_ = true;
            deselectShown();
            return "copy " + selected;
        }
    }

    std::string paste()
    {
        if (!hasPasted_)
            return moveCaret();
        const std::string done = "paste" + caretText();
        column()->paste(pasteboard_, false, view_);
        return done;
    }

    std::string paragraphStyle()
    {
        const int p = choose_.below(flow_.paragraphCount());
        TextParagraph* paragraph = flow_.paragraphAtIndex(p);
        // Table cells take their layout settings from their table.
        if (paragraph->className() != "TextParagraph")
            return moveCaret();
        std::unique_ptr<StyleParagraph> style = paragraph->paragraphStyle()->copy();
        std::string done = "paragraph " + std::to_string(p);
        switch (choose_.below(7)) {
        case 0:
        case 1: {
            static const short widows[] = {-2, -2, -1, 0, 1, 2, 3};
            const short widow = widows[choose_.below(7)];
            style->setWidowControl(widow);
            done += " widow control " + std::to_string(widow);
            break;
        }
        case 2: {
            const float before = float(5 * choose_.below(3)), after = float(5 * choose_.below(3));
            style->setSpaceBefore(before);
            style->setSpaceAfter(after);
            done += " space " + std::to_string(int(before)) + " before, " + std::to_string(int(after)) + " after";
            break;
        }
        case 3: {
            const int alignment = choose_.below(4);
            style->setAlignment(short(alignment));
            done += " alignment " + std::to_string(alignment);
            break;
        }
        case 4: {
            const float left = float(6 * choose_.below(3)), first = float(6 * (choose_.below(3) - 1));
            style->setIndentLeft(left);
            style->setIndentDeltaFirst(first);
            done += " indents " + std::to_string(int(left)) + ", first " + std::to_string(int(first));
            break;
        }
        case 5: {
            const short start = choose_.below(3) == 0 ? 3 : 0;
            style->setColumnStart(start);
            done += " column start " + std::to_string(start);
            break;
        }
        default: {
            const bool hyphenate = choose_.below(2) == 0;
            style->setHyphenate(hyphenate);
            done += hyphenate ? " hyphenated" : " not hyphenated";
            break;
        }
        }
        // As the paragraph panel sets it: through the column, then redrawn.
        textPoint a{p, 0, 0}, b{};
        paragraph->lastTextPoint(&b);
        selectShown(a, b, SelectionPara);
        if (flow_.textSelection()) {
            TextItem* at = column();
            at->setStylePara(style.get());
            at->redrawQuickInView(view_);
        }
        deselectShown();
        return done;
    }

    std::string characterSize()
    {
        const std::string selected = select();
        TextSelection* selection = flow_.textSelection();
        if (!selection)
            return selected + " (none)";
        static const float sizes[] = {8, 10, 14, 20};
        const float size = sizes[choose_.below(4)];
        const SizeMenuItem item(size);
        column()->setMenuFontSize(const_cast<SizeMenuItem*>(&item), view_);
        deselectShown();
        return "size " + std::to_string(int(size)) + " for " + selected;
    }

    TextFlow& flow_;
    PageView* view_;
    kit::Font* font_;
    EditChooser& choose_;
    kit::Pasteboard& pasteboard_;
    bool hasPasted_ = false;
};

} // namespace layoutcheck
