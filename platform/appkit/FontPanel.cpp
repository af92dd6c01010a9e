#include "appkit/FontPanel.h"

#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/Locale.h"
#include "core/NumberFormatter.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"

#include <cmath>

namespace kit {

namespace {

constexpr float PanelWidth = 320;
constexpr float ControlsHeight = 170;
constexpr int StyleTraits = ItalicFontMask | BoldFontMask;

FontPanel*& sharedPanel()
{
    static FontPanel* panel = nullptr;
    return panel;
}

std::string sizeText(float size)
{
    return Locale::formatFloat(size, "%g");
}

template <class T>
T* place(View* content, std::unique_ptr<T> view)
{
    return static_cast<T*>(content->addSubview(std::move(view)));
}

} // namespace

FontPanel* FontPanel::sharedFontPanel(bool create)
{
    if (!sharedPanel() && create) {
        // Lives as long as the program, as the platform's shared panel does.
        sharedPanel() = new FontPanel;
        FontManager& fm = FontManager::sharedFontManager();
        sharedPanel()->setPanelFont(fm.selectedFont(), fm.isMultiple());
    }
    return sharedPanel();
}

void FontPanel::installFontManagerHooks()
{
    FontManager& fm = FontManager::sharedFontManager();
    fm.setChangeFontHandler([] {
        // To the first responder of the main window's chain (the panel
        // itself, when key, does not answer changeFont:).
        Application& app = Application::sharedApplication();
        app.sendAction("changeFont:", nullptr, sharedFontPanel(false));
    });
    fm.setSelectionChangedHandler([](Font* font, bool isMultiple) {
        if (FontPanel* panel = sharedFontPanel(false))
            panel->setPanelFont(font, isMultiple);
    });
    fm.setOrderFrontFontPanelHandler([] { sharedFontPanel(true)->orderFront(nullptr); });
}

FontPanel::FontPanel() : Panel(makeRect(100, 300, PanelWidth, ControlsHeight))
{
    setTitle("Font");
    setFloatingPanel(true);
    setBecomesKeyOnlyIfNeeded(true);
    build();
    auto forward = [this](const char* action, auto call) {
        setAction(action, [call](Object* sender) -> Object* {
            int tag = 0;
            if (auto* item = dynamic_cast<MenuItem*>(sender))
                tag = item->tag();
            else if (auto* control = dynamic_cast<Control*>(sender))
                tag = control->selectedTag();
            call(tag);
            return nullptr;
        });
    };
    forward("addFontTrait:", [](int tag) { FontManager::sharedFontManager().addFontTrait(tag); });
    forward("removeFontTrait:", [](int tag) { FontManager::sharedFontManager().removeFontTrait(tag); });
    forward("modifyFont:", [](int tag) { FontManager::sharedFontManager().modifyFont(tag); });
    setAction("orderFrontFontPanel:", [this](Object*) -> Object* {
        orderFront(nullptr);
        return nullptr;
    });
}

void FontPanel::build()
{
    View* content = contentView();
    auto label = [content](const Rect& r, const std::string& text) {
        auto* t = place(content, std::make_unique<TextField>(r, text));
        t->setEditable(false);
        t->setSelectable(false);
        t->setBezeled(false);
        t->setDrawsBackground(false);
        return t;
    };
    float top = ControlsHeight;
    label(makeRect(10, top - 30, 70, 20), "Family:");
    family_ = place(content, std::make_unique<PopUpButton>(makeRect(85, top - 30, 225, 22)));
    label(makeRect(10, top - 58, 70, 20), "Typeface:");
    face_ = place(content, std::make_unique<PopUpButton>(makeRect(85, top - 58, 225, 22)));
    label(makeRect(10, top - 86, 70, 20), "Size:");
    size_ = place(content, std::make_unique<TextField>(makeRect(85, top - 86, 60, 22)));
    sizes_ = place(content, std::make_unique<PopUpButton>(makeRect(150, top - 86, 70, 22)));
    preview_ = place(content, std::make_unique<TextField>(makeRect(10, top - 120, 300, 24)));
    preview_->setEditable(false);
    preview_->setSelectable(false);
    revert_ = place(content, std::make_unique<Button>(makeRect(140, 10, 80, 24), "Revert"));
    set_ = place(content, std::make_unique<Button>(makeRect(230, 10, 80, 24), "Set"));
    set_->setKeyEquivalent("\r");

    for (const std::string& f : FontManager::sharedFontManager().availableFontFamilies())
        family_->addItemWithTitle(f);
    for (int s : {8, 9, 10, 11, 12, 14, 16, 18, 24, 36, 48, 64, 72})
        sizes_->addItemWithTitle(std::to_string(s));
    auto points = std::make_shared<NumberFormatter>();
    points->setMinimum(1.0);
    points->setMaximum(1000.0);
    points->setMaximumFractionDigits(2);
    size_->setFormatter(points);

    // The controls act through the panel's own private actions.
    setAction("_changeFamily:", [this](Object*) -> Object* {
        changeFamily();
        return nullptr;
    });
    setAction("_changeFace:", [this](Object*) -> Object* {
        changeFace();
        return nullptr;
    });
    setAction("_changeSize:", [this](Object*) -> Object* {
        changeSize();
        return nullptr;
    });
    setAction("_pickSize:", [this](Object*) -> Object* {
        size_->setStringValue(sizes_->titleOfSelectedItem());
        changeSize();
        return nullptr;
    });
    setAction("_set:", [this](Object*) -> Object* {
        apply();
        return nullptr;
    });
    setAction("_revert:", [this](Object*) -> Object* {
        revert();
        return nullptr;
    });
    for (auto [control, action] : std::initializer_list<std::pair<Control*, const char*>>{
             {family_, "_changeFamily:"}, {face_, "_changeFace:"}, {size_, "_changeSize:"},
             {sizes_, "_pickSize:"}, {set_, "_set:"}, {revert_, "_revert:"}}) {
        control->setTarget(this);
        control->setAction(action);
    }
    size_->setNextText(size_);
}

std::unique_ptr<View> FontPanel::setAccessoryView(std::unique_ptr<View> view)
{
    std::unique_ptr<View> old;
    float oldHeight = accessoryView_ ? height(accessoryView_->frame()) : 0;
    if (accessoryView_)
        old = accessoryView_->removeFromSuperview();
    accessoryView_ = nullptr;
    float newHeight = view ? height(view->frame()) : 0;
    float shift = newHeight - oldHeight;
    // The panel grows at the bottom: everything moves up by the difference.
    for (const auto& sub : contentView()->subviews()) {
        Point o = sub->frame().origin;
        sub->setFrameOrigin({o.x, o.y + shift});
    }
    setContentSize({PanelWidth, ControlsHeight + newHeight});
    if (view) {
        view->setFrameOrigin({0, 0});
        accessoryView_ = contentView()->addSubview(std::move(view));
    }
    return old;
}

void FontPanel::setEnabled(bool flag)
{
    enabled_ = flag;
    set_->setEnabled(flag);
}

// ---- Showing a font.

void FontPanel::setPanelFont(Font* font, bool isMultiple)
{
    font_ = font;
    multiple_ = isMultiple;
    familyChanged_ = faceChanged_ = sizeChanged_ = false;
    showFont(font);
}

void FontPanel::showFont(Font* font)
{
    if (!font) {
        face_->removeAllItems();
        size_->setStringValue("");
        updatePreview();
        return;
    }
    family_->selectItemWithTitle(font->familyName());
    loadFaces(font->familyName(), font);
    size_->setStringValue(sizeText(font->pointSize()));
    updatePreview();
}

void FontPanel::loadFaces(const std::string& family, Font* like)
{
    face_->removeAllItems();
    faceTraits_.clear();
    int wanted = like ? (like->traits() & StyleTraits) : 0;
    int exact = -1, sameTraits = -1;
    for (const FontFaceInfo& member : FontManager::sharedFontManager().availableMembersOfFontFamily(family)) {
        face_->addItemWithTitle(member.faceName);
        // Two faces of one name would be one item.
        if (face_->numberOfItems() <= static_cast<int>(faceTraits_.size()))
            continue;
        int index = face_->numberOfItems() - 1;
        faceTraits_.push_back(member.traits & StyleTraits);
        if (like && member.fontName == like->fontName())
            exact = index;
        if (sameTraits < 0 && (member.traits & StyleTraits) == wanted)
            sameTraits = index;
    }
    // The face of the font shown, else one with its traits, else the first.
    face_->selectItemAtIndex(exact >= 0 ? exact : sameTraits >= 0 ? sameTraits : 0);
}

Font* FontPanel::panelConvertFont(Font* font) const
{
    if (!font)
        return nullptr;
    FontManager& fm = FontManager::sharedFontManager();
    FontChange saved = fm.pendingChange();
    FontChange c;
    c.action = FontAction::ViaPanel;
    if (familyChanged_ || faceChanged_)
        c.family = family_->titleOfSelectedItem();
    // A family alone keeps each font's traits; a typeface sets them.
    if (faceChanged_) {
        int index = face_->indexOfSelectedItem();
        int traits = index >= 0 && index < static_cast<int>(faceTraits_.size()) ? faceTraits_[static_cast<size_t>(index)] : 0;
        c.addTraits = traits;
        c.removeTraits = StyleTraits & ~traits;
    }
    if (sizeChanged_ && size_->cell()->hasValidObjectValue() && size_->floatValue() > 0)
        c.size = size_->floatValue();
    fm.setPendingChange(c);
    Font* converted = fm.convertFont(font);
    fm.setPendingChange(saved);
    return converted;
}

Font* FontPanel::panelFont() const
{
    return panelConvertFont(font_);
}

void FontPanel::updatePreview()
{
    Font* f = panelFont();
    if (!f) {
        preview_->setStringValue(multiple_ ? "Several fonts" : "No font");
        return;
    }
    std::string text = f->familyName() + " " + face_->titleOfSelectedItem() + " " + sizeText(f->pointSize()) + " pt";
    if (multiple_ && !familyChanged_ && !faceChanged_ && !sizeChanged_)
        text += " (and others)";
    preview_->setStringValue(text);
    preview_->setFont(Font::fontWithName(f->fontName(), std::min(f->pointSize(), 18.0f)));
}

// ---- The user's changes.

void FontPanel::changeFamily()
{
    familyChanged_ = true;
    Font* shown = panelFont();
    loadFaces(family_->titleOfSelectedItem(), shown);
    updatePreview();
}

void FontPanel::changeFace()
{
    faceChanged_ = true;
    updatePreview();
}

void FontPanel::changeSize()
{
    if (size_->cell()->hasValidObjectValue())
        sizeChanged_ = true;
    updatePreview();
}

void FontPanel::apply()
{
    if (!enabled_)
        return;
    // The size being typed counts, as Set ends its editing.
    if (size_->validateEditing() && size_->cell()->hasValidObjectValue() &&
        (!font_ || size_->floatValue() != font_->pointSize()))
        sizeChanged_ = true;
    FontManager& fm = FontManager::sharedFontManager();
    FontChange c;
    c.action = FontAction::ViaPanel;
    if (familyChanged_ || faceChanged_)
        c.family = family_->titleOfSelectedItem();
    if (faceChanged_) {
        int index = face_->indexOfSelectedItem();
        int traits = index >= 0 && index < static_cast<int>(faceTraits_.size()) ? faceTraits_[static_cast<size_t>(index)] : 0;
        c.addTraits = traits;
        c.removeTraits = StyleTraits & ~traits;
    }
    if (sizeChanged_)
        c.size = size_->floatValue();
    if (c.family.empty() && c.size <= 0)
        return; // nothing was changed
    fm.setPendingChange(c);
    fm.sendAction();
    // The panel took the keys only for its size field: the text it set goes
    // on being typed in, and only the key window shows its caret.
    Window* main = Application::sharedApplication().mainWindow();
    if (isKeyWindow() && main && main != this && main->isVisible())
        main->makeKeyWindow();
    // What was set is now what the panel shows.
    Font* shown = panelConvertFont(font_);
    if (shown)
        font_ = shown;
    familyChanged_ = faceChanged_ = sizeChanged_ = false;
}

void FontPanel::revert()
{
    setPanelFont(font_, multiple_);
}

} // namespace kit
