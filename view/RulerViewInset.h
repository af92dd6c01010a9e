#pragma once

namespace kit {
class Font;
}

// The ruler of a document window (and the tab ruler). So far: the class-wide
// label metrics that the unit functions use to space labelled marks.
class RulerViewInset {
public:
    // Label font "Helvetica" 9 pt, the width of one digit, the label height.
    static void initialize();

    // The least distance in pixels between two numbered ticks: three digits.
    static float majorThreshold();

    static kit::Font* labelFont();
    static float digitWidth();
    static float labelHeight();
};
