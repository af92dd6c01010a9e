#include "view/InfoBarInset.h"

#include <cstdio>

InfoBarInset::InfoBarInset(const kit::Rect& frameRect)
    : kit::View(frameRect)
{
    setTag(Tag);
}

void InfoBarInset::show(const char* format, float a, float b)
{
    char text[96];
    std::snprintf(text, sizeof text, format, double(a), double(b));
    if (measurement_ != text) {
        measurement_ = text;
        setNeedsDisplay(true);
    }
}

void InfoBarInset::setMoveTo(float x, float y) { show("x: %.2f  y: %.2f", x, y); }
void InfoBarInset::setSizeTo(float width, float height) { show("w: %.2f  h: %.2f", width, height); }
void InfoBarInset::setScale(float sx, float sy) { show("sx: %.0f%%  sy: %.0f%%", sx * 100.0f, sy * 100.0f); }
