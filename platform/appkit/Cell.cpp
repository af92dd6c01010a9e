#include "appkit/Cell.h"

#include "appkit/Control.h"
#include "appkit/Event.h"
#include "appkit/View.h"
#include "core/Encoding.h"
#include "core/Formatter.h"
#include "core/Locale.h"
#include "core/Values.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"

#include <climits>
#include <cmath>

namespace kit {

namespace {

// Text as a person typed it: a number only when it starts like one. The C
// library would also read "inf" and "nan"; a cell never answers a value
// that is not finite.
std::optional<double> readNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n'))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.'))
        return std::nullopt;
    std::optional<double> v = Locale::parseFloat(text);
    if (!v || !std::isfinite(*v))
        return std::nullopt;
    return v;
}

int clampToInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    v = std::trunc(v);
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}

const Number* asNumber(const Object* object)
{
    return dynamic_cast<const Number*>(object);
}

} // namespace

Cell::Cell() = default;

Cell::Cell(const std::string& text) : contents_(text) {}

Cell::~Cell() = default;

std::unique_ptr<Cell> Cell::copy() const
{
    auto cell = std::make_unique<Cell>();
    copySettingsTo(*cell);
    return cell;
}

void Cell::copySettingsTo(Cell& cell) const
{
    cell.contents_ = contents_;
    if (auto* n = asNumber(objectValue_.get()))
        cell.objectValue_ = std::make_unique<Number>(n->doubleValue());
    else if (auto* s = dynamic_cast<const String*>(objectValue_.get()))
        cell.objectValue_ = std::make_unique<String>(s->value());
    cell.formatter_ = formatter_;
    cell.state_ = state_;
    cell.allowsMixedState_ = allowsMixedState_;
    cell.tag_ = tag_;
    cell.enabled_ = enabled_;
    cell.editable_ = editable_;
    cell.selectable_ = selectable_;
    cell.bordered_ = bordered_;
    cell.bezeled_ = bezeled_;
    cell.continuous_ = continuous_;
    cell.actionMask_ = actionMask_;
    cell.alignment_ = alignment_;
    cell.font_ = font_;
    cell.representedObject_ = representedObject_;
    cell.target_ = target_;
    cell.action_ = action_;
}

unsigned Cell::sendActionOn(unsigned mask)
{
    const unsigned old = actionMask_;
    actionMask_ = mask;
    return old;
}

bool Cell::sendsActionOnMouseDown() const { return (actionMask_ & LeftMouseDownMask) != 0; }

void Cell::changed()
{
    if (Control* control = controlView())
        control->updateCell(this);
}

Control* Cell::controlView() const
{
    return controlView_.get();
}

void Cell::setControlView(Control* control)
{
    controlView_ = WeakRef<Control>(control);
}

// ---- Contents.

void Cell::setContents(const std::string& text, std::unique_ptr<Object> value)
{
    contents_ = text;
    objectValue_ = std::move(value);
    changed();
}

std::string Cell::stringValue() const
{
    return contents_;
}

void Cell::setStringValue(const std::string& text)
{
    std::unique_ptr<Object> value;
    if (formatter_)
        formatter_->getObjectValue(&value, text, nullptr);
    setContents(text, std::move(value));
}

void Cell::setObjectValue(std::unique_ptr<Object> value)
{
    std::string text;
    if (formatter_)
        text = formatter_->stringForObjectValue(value.get());
    else if (value)
        text = value->description();
    setContents(text, std::move(value));
}

bool Cell::hasValidObjectValue() const
{
    if (!formatter_)
        return true;
    std::unique_ptr<Object> value;
    return formatter_->getObjectValue(&value, contents_, nullptr);
}

int Cell::intValue() const
{
    if (auto* n = asNumber(objectValue_.get()))
        return clampToInt(n->doubleValue());
    if (formatter_)
        return 0;
    // Whole numbers as a person wrote them: "12abc" reads 12, "3.7" reads 3.
    if (std::optional<long long> v = Locale::parseLongLong(contents_)) {
        if (*v > INT_MAX)
            return INT_MAX;
        if (*v < INT_MIN)
            return INT_MIN;
        return static_cast<int>(*v);
    }
    // Digits beyond the range of a long long.
    if (std::optional<double> v = readNumber(contents_))
        return clampToInt(*v);
    return 0;
}

void Cell::setIntValue(int value)
{
    if (formatter_) {
        setObjectValue(std::make_unique<Number>(value));
        return;
    }
    setContents(formatString("%d", value), std::make_unique<Number>(value));
}

double Cell::doubleValue() const
{
    if (auto* n = asNumber(objectValue_.get())) {
        double v = n->doubleValue();
        return std::isfinite(v) ? v : 0.0;
    }
    if (formatter_)
        return 0.0;
    return readNumber(contents_).value_or(0.0);
}

void Cell::setDoubleValue(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    if (formatter_) {
        setObjectValue(std::make_unique<Number>(value));
        return;
    }
    setContents(Locale::formatFloat(value, "%g"), std::make_unique<Number>(value));
}

float Cell::floatValue() const
{
    double v = doubleValue();
    float f = static_cast<float>(v);
    return std::isfinite(f) ? f : 0.0f;
}

void Cell::setFloatValue(float value)
{
    setDoubleValue(static_cast<double>(value));
}

namespace {
Cell* valueCellOf(Object* sender)
{
    if (auto* cell = dynamic_cast<Cell*>(sender))
        return cell;
    if (auto* control = dynamic_cast<Control*>(sender))
        return control->selectedCell();
    return nullptr;
}
} // namespace

void Cell::takeStringValueFrom(Object* sender)
{
    if (Cell* c = valueCellOf(sender))
        setStringValue(c->stringValue());
}

void Cell::takeIntValueFrom(Object* sender)
{
    if (Cell* c = valueCellOf(sender))
        setIntValue(c->intValue());
}

void Cell::takeFloatValueFrom(Object* sender)
{
    if (Cell* c = valueCellOf(sender))
        setFloatValue(c->floatValue());
}

void Cell::setFormatter(std::shared_ptr<Formatter> formatter)
{
    formatter_ = std::move(formatter);
    std::unique_ptr<Object> value;
    if (formatter_) {
        if (auto* n = asNumber(objectValue_.get())) {
            // A number set before keeps its value and takes the new format.
            std::unique_ptr<Object> keep = std::make_unique<Number>(n->doubleValue());
            setObjectValue(std::move(keep));
            return;
        }
        formatter_->getObjectValue(&value, contents_, nullptr);
    }
    objectValue_ = std::move(value);
    changed();
}

// ---- State and settings.

void Cell::setState(int value)
{
    if (value == MixedState && !allowsMixedState_)
        value = OnState;
    else if (value != OffState && value != MixedState)
        value = OnState;
    if (value == state_)
        return;
    state_ = value;
    changed();
}

#define KIT_CELL_FLAG_SETTER(name, field)                                                                      \
    void Cell::name(bool flag)                                                                                 \
    {                                                                                                          \
        if (field == flag)                                                                                     \
            return;                                                                                            \
        field = flag;                                                                                          \
        changed();                                                                                             \
    }

KIT_CELL_FLAG_SETTER(setEnabled, enabled_)
KIT_CELL_FLAG_SETTER(setEditable, editable_)
KIT_CELL_FLAG_SETTER(setSelectable, selectable_)
KIT_CELL_FLAG_SETTER(setBordered, bordered_)
KIT_CELL_FLAG_SETTER(setBezeled, bezeled_)
KIT_CELL_FLAG_SETTER(setHighlighted, highlighted_)

#undef KIT_CELL_FLAG_SETTER

void Cell::setAlignment(TextAlignment alignment)
{
    if (alignment_ == alignment)
        return;
    alignment_ = alignment;
    changed();
}

void Cell::setFont(Font* font)
{
    if (font_ == font)
        return;
    font_ = font;
    changed();
}

// ---- Drawing.

Rect Cell::drawingRectForBounds(const Rect& bounds) const
{
    float inset = bordered_ || bezeled_ ? 2.0f : 0.0f;
    return insetRect(bounds, inset, inset);
}

void Cell::drawWithFrame(const Rect& cellFrame, View* controlView)
{
    DrawContext* c = DrawContext::current();
    if (!c)
        return;
    if (bordered_ || bezeled_) {
        c->setgray(0);
        c->frameRect(cellFrame, 1);
    }
    drawInteriorWithFrame(cellFrame, controlView);
}

void Cell::drawInteriorWithFrame(const Rect& cellFrame, View* controlView)
{
    DrawContext* c = DrawContext::current();
    if (!c)
        return;
    Rect r = drawingRectForBounds(cellFrame);
    if (highlighted_ || (state_ == OnState && !editable_)) {
        c->setgray(1);
        c->rectfill(r);
    }
    std::string text = stringValue();
    if (text.empty())
        return;
    Font* font = font_ ? font_ : Font::fontWithName("Helvetica", 12);
    if (!font)
        return;
    if (c->isDrawingToScreen() && font->screenFont())
        font = font->screenFont();
    std::string bytes = fromUTF8Lossy(Encoding::NeXTSTEP, text).bytes;
    float w = font->widthOfString(bytes);
    float x = minX(r);
    if (alignment_ == TextAlignment::Right)
        x = maxX(r) - w;
    else if (alignment_ == TextAlignment::Center)
        x = minX(r) + (width(r) - w) / 2;
    bool flipped = controlView && controlView->isFlipped();
    float size = font->pointSize();
    // The baseline sits the font's descent above the bottom of a line
    // centred in the rectangle.
    float lineHeight = font->naturalHeight();
    float bottomGap = (height(r) - lineHeight) / 2;
    float y = flipped ? maxY(r) - bottomGap - font->descent() : minY(r) + bottomGap + font->descent();
    c->gsave();
    c->rectclip(r);
    c->setgray(enabled_ ? 0.0f : 0.333f);
    c->setfont(font, Matrix{size, 0, 0, flipped ? -size : size, 0, 0});
    c->moveto(x, y);
    c->show(bytes);
    c->grestore();
}

void Cell::highlight(bool flag, const Rect& cellFrame, View* controlView)
{
    if (highlighted_ == flag)
        return;
    highlighted_ = flag;
    if (controlView) {
        controlView->setNeedsDisplayInRect(cellFrame);
    }
    changed();
}

} // namespace kit
