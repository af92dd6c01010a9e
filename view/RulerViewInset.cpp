#include "view/RulerViewInset.h"

#include "graphics/Font.h"

namespace {
struct RulerMetrics {
    bool ready = false;
    kit::Font* font = nullptr;
    float digitWidth = 0.0f;
    float labelHeight = 7.0f;
};

RulerMetrics& metrics()
{
    static RulerMetrics m;
    return m;
}

// Helvetica's digits are 556/1000 em wide: the width to fall back on when
// the face is not installed, so rulers still space their labels sensibly.
constexpr float FallbackDigitEm = 0.556f;
constexpr float LabelSize = 9.0f;
} // namespace

void RulerViewInset::initialize()
{
    RulerMetrics& m = metrics();
    if (m.ready)
        return;
    m.font = kit::Font::fontWithName("Helvetica", LabelSize);
    m.digitWidth = m.font ? m.font->widthOfString("0") : FallbackDigitEm * LabelSize;
    m.ready = true;
}

float RulerViewInset::majorThreshold()
{
    initialize();
    return 3.0f * metrics().digitWidth;
}

kit::Font* RulerViewInset::labelFont()
{
    initialize();
    return metrics().font;
}

float RulerViewInset::digitWidth()
{
    initialize();
    return metrics().digitWidth;
}

float RulerViewInset::labelHeight()
{
    initialize();
    return metrics().labelHeight;
}
