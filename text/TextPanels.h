#pragma once

// The panels that follow the caret: the paragraph styles panel (the tabs
// panel comes from the document; the font accessory from the character
// style's hook; the paragraph inspector, the graphics inspector and the
// links panel from the delegate).
// Their windows come with the interface; until then each keeps what it was
// last told to show, and exists only once made (the flow never makes one).

#include <memory>
#include <string>
#include <vector>

namespace kit {
class Color;
class Font;
class Object;
using ColorRef = std::shared_ptr<const Color>;
}
class Item;
class StyleParagraph;
class TextParagraph;
class TextWord;

// The paragraph inspector as the text engine reaches it through the
// application's delegate. Its fields follow the caret even while it is
// hidden (the leading menu reads them).
class ParagraphInspectorPanel {
public:
    virtual ~ParagraphInspectorPanel() = default;
    virtual bool paragraphPanelIsVisible() const = 0;
    // Loads every control from the paragraph's style.
    virtual void updateFromParagraph(TextParagraph* paragraph) = 0;
    // The named style and the next style of the style (nil: none).
    virtual void inspectStyle(StyleParagraph* style) = 0;
    // Set while the font panel serves the inspector: its changes then go to
    // the inspector's changeFont instead of the text.
    virtual bool settingParaFont() const = 0;
    virtual void setSettingParaFont(bool flag) = 0;
    virtual void changeFont(kit::Object* sender) = 0;
};

// The paragraph styles panel reloads itself.
class TextPanel {
public:
    bool isVisible() const { return visible_; }
    void setVisible(bool flag) { visible_ = flag; }
    void updateFromParagraph(TextParagraph* paragraph)
    {
        paragraph_ = paragraph;
        ++updates_;
    }
    void inspectStyle(StyleParagraph* style) { style_ = style; }
    void inspect() { ++updates_; }
    TextParagraph* paragraph() const { return paragraph_; }
    StyleParagraph* style() const { return style_; }
    int updates() const { return updates_; }

private:
    bool visible_ = false;
    TextParagraph* paragraph_ = nullptr; // not owned
    StyleParagraph* style_ = nullptr;    // not owned
    int updates_ = 0;
};

class TextPanels {
public:
    static TextPanel* paragraphStylesPanel();

    // The interface (and tests) make and drop them.
    static TextPanel* makeParagraphStylesPanel();
    static void reset();
};
