#pragma once

// The panels that follow the caret: the font accessory and the paragraph
// styles panel (the tabs panel comes from the document; the paragraph
// inspector, the graphics inspector and the links panel from the delegate).
// Their windows come with the interface; until then each keeps what it was
// last told to show, and exists only once made (the flow never makes one).

#include "foundation/FontAccessoryValues.h"

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

// The font accessory's fields; -1234.0 shows a mixed value.
class FontAccessory : public FontAccessoryValues {
public:
    float condense() const override { return condense_; }
    float tracking() const override { return tracking_; }
    float leading() const override { return leading_; }
    float vertical() const override { return vertical_; }
    float wordSpaceOnly() const override { return wordSpace_; }
    float wordSpace() const { return wordSpace_; }
    kit::ColorRef color() const override { return color_; }
    // 255: the mixed entry.
    short langId() const override { return langId_; }
    const std::string& message() const { return message_; }
    // How often the message shown changed.
    int messageChanges() const { return messageChanges_; }

    void setColor(const kit::ColorRef& color) override { color_ = color; }
    void setNewLeading(float value) override { leading_ = value; }
    void setNewTracking(float value) override { tracking_ = value; }
    void setNewWordSpace(float value) override { wordSpace_ = value; }
    void setNewVertical(float value) override { vertical_ = value; }
    void setNewCondense(float value) override { condense_ = value; }
    void setLangId(short id) override { langId_ = id; }
    void setMessage(const std::string& message) override;

private:
    kit::ColorRef color_;
    float condense_ = 1.0f;
    float tracking_ = 0;
    float leading_ = 0;
    float vertical_ = 0;
    float wordSpace_ = 0;
    short langId_ = 0;
    std::string message_;
    int messageChanges_ = 0;
};

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
    // Nil until made (create YES makes the accessory, as its first use does).
    static FontAccessory* fontAccessory(bool create);
    static TextPanel* paragraphStylesPanel();

    // The interface (and tests) make and drop them.
    static TextPanel* makeParagraphStylesPanel();
    static void reset();
};
