#include "appkit/ButtonCell.h"

#include "core/EventState.h"
#include "graphics/DrawContext.h"
#include "graphics/Image.h"

#include <algorithm>

namespace kit {

namespace {
// The first character of UTF-8 text (0 for none or a broken sequence).
char32_t firstCodePoint(const std::string& s)
{
    if (s.empty())
        return 0;
    auto b = static_cast<unsigned char>(s[0]);
    if (b < 0x80)
        return b;
    size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    if (len == 0 || s.size() < len)
        return 0;
    char32_t c = b & (len == 2 ? 0x1Fu : len == 3 ? 0x0Fu : 0x07u);
    for (size_t i = 1; i < len; ++i)
        c = (c << 6) | (static_cast<unsigned char>(s[i]) & 0x3Fu);
    return c;
}
} // namespace

ButtonCell::ButtonCell() : keyEquivalentModifierMask_(0)
{
    setBordered(true);
}

ButtonCell::ButtonCell(const std::string& title) : ButtonCell()
{
    title_ = title;
}

ButtonCell::~ButtonCell() = default;

std::unique_ptr<Cell> ButtonCell::copy() const
{
    auto cell = std::make_unique<ButtonCell>();
    copySettingsTo(*cell);
    cell->type_ = type_;
    cell->title_ = title_;
    cell->alternateTitle_ = alternateTitle_;
    cell->keyEquivalent_ = keyEquivalent_;
    cell->keyEquivalentModifierMask_ = keyEquivalentModifierMask_;
    cell->highlightsBy_ = highlightsBy_;
    cell->showsStateBy_ = showsStateBy_;
    cell->setImage(image_.get());
    cell->setAlternateImage(alternateImage_.get());
    return cell;
}

void ButtonCell::setButtonType(ButtonType type)
{
    if (type_ == type)
        return;
    type_ = type;
    // Switches and radio buttons are drawn without a border of their own.
    setBordered(type != ButtonType::Switch && type != ButtonType::Radio);
    changed();
}

bool ButtonCell::togglesState() const
{
    switch (type_) {
    case ButtonType::PushOnPushOff:
    case ButtonType::Toggle:
    case ButtonType::Switch:
    case ButtonType::Radio:
    case ButtonType::OnOff: return true;
    default: return false;
    }
}

void ButtonCell::setTitle(const std::string& title)
{
    if (title_ == title)
        return;
    title_ = title;
    changed();
}

void ButtonCell::setAlternateTitle(const std::string& title)
{
    if (alternateTitle_ == title)
        return;
    alternateTitle_ = title;
    changed();
}

std::string ButtonCell::displayedTitle() const
{
    if (state() == OnState && !alternateTitle_.empty() &&
        (type_ == ButtonType::Toggle || type_ == ButtonType::MomentaryChange))
        return alternateTitle_;
    return title_;
}

std::unique_ptr<Image> ButtonCell::keep(const Image* image)
{
    if (!image)
        return nullptr;
    std::unique_ptr<Image> copy = image->copy();
    // A picture rendered later (EPS) shows when it is there.
    copy->setReadyHandler([this](Image&) { changed(); });
    copy->prepareCache();
    return copy;
}

void ButtonCell::setImage(const Image* image)
{
    image_ = keep(image);
    changed();
}

void ButtonCell::setAlternateImage(const Image* image)
{
    alternateImage_ = keep(image);
    changed();
}

Image* ButtonCell::displayedImage() const
{
    if (alternateImage_ && state() == OnState && togglesState())
        return alternateImage_.get();
    return image_.get();
}

void ButtonCell::setHighlightsBy(int mask)
{
    highlightsBy_ = mask;
    changed();
}

void ButtonCell::setShowsStateBy(int mask)
{
    showsStateBy_ = mask;
    changed();
}

bool ButtonCell::isLit() const
{
    const int lighting = ChangeGrayCellMask | ChangeBackgroundCellMask;
    return (isHighlighted() && (highlightsBy_ & lighting)) || (state() == OnState && (showsStateBy_ & lighting));
}

void ButtonCell::setKeyEquivalent(const std::string& key)
{
    keyEquivalent_ = key;
    changed();
}

std::string ButtonCell::stringValue() const
{
    return state() == OffState ? "0" : state() == OnState ? "1" : "-1";
}

void ButtonCell::setStringValue(const std::string& text)
{
    setState(text.empty() || text == "0" ? OffState : text == "-1" ? MixedState : OnState);
}

void ButtonCell::advanceState()
{
    if (!togglesState())
        return;
    if (type_ == ButtonType::Radio) {
        setState(OnState);
        return;
    }
    if (allowsMixedState()) {
        // Off, on, mixed, off ...
        setState(state() == OffState ? OnState : state() == OnState ? MixedState : OffState);
        return;
    }
    setState(state() == OffState ? OnState : OffState);
}

bool ButtonCell::matchesKeyEquivalent(const Event& event) const
{
    if (keyEquivalent_.empty() || event.type() != EventType::KeyDown || !isEnabled())
        return false;
    const std::u16string& chars =
        event.charactersIgnoringModifiers().empty() ? event.characters() : event.charactersIgnoringModifiers();
    if (chars.empty())
        return false;
    char32_t typed = chars.front();
    char32_t key = firstCodePoint(keyEquivalent_);
    auto lower = [](char32_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    bool printable = key >= 0x20 && key != 0x7F && (key < 0xF700 || key > 0xF8FF);
    // Return arrives as carriage return or Enter.
    bool same = lower(key) == lower(typed) || (key == '\r' && (typed == 0x03 || typed == '\n'));
    if (!same)
        return false;
    const unsigned relevant = CommandKeyMask | AlternateKeyMask | ControlKeyMask | ShiftKeyMask;
    unsigned needed = keyEquivalentModifierMask_ & relevant;
    if (printable)
        needed |= CommandKeyMask;
    if (key >= 'A' && key <= 'Z')
        needed |= ShiftKeyMask;
    unsigned flags = event.modifierFlags() & relevant;
    if (printable && !(key >= 'a' && key <= 'z') && !(key >= 'A' && key <= 'Z'))
        return (flags & ~ShiftKeyMask) == (needed & ~ShiftKeyMask);
    return flags == needed;
}

void ButtonCell::drawInteriorWithFrame(const Rect& cellFrame, View* controlView)
{
    // A button cell drawn by a matrix of custom cells (buttons of their own
    // are Qt widgets): the title, lit when on or highlighted.
    DrawContext* c = DrawContext::current();
    if (c && isLit()) {
        c->setgray(1);
        c->rectfill(drawingRectForBounds(cellFrame));
    }
    if (Image* picture = displayedImage(); c && picture) {
        // The picture centred, the title (if any) beside it.
        Rect inside = drawingRectForBounds(cellFrame);
        Size size = picture->size();
        float x = displayedTitle().empty() ? midX(inside) - size.width / 2 : minX(inside);
        picture->drawInRect(*c, makeRect(x, midY(inside) - size.height / 2, size.width, size.height));
        if (displayedTitle().empty())
            return;
        Rect rest = inside;
        rest.origin.x += size.width + 2;
        rest.size.width = std::max(0.0f, rest.size.width - size.width - 2);
        Cell text(displayedTitle());
        text.setFont(font());
        text.setAlignment(alignment());
        text.setEnabled(isEnabled());
        text.drawInteriorWithFrame(rest, controlView);
        return;
    }
    Cell text(displayedTitle());
    text.setFont(font());
    text.setAlignment(alignment());
    text.setEnabled(isEnabled());
    text.drawInteriorWithFrame(cellFrame, controlView);
}

} // namespace kit
