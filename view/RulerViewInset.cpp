#include "view/RulerViewInset.h"

#include "foundation/Units.h"

// The label metrics are the unit functions' own, which space ruler marks by
// them.
void RulerViewInset::initialize() { (void)GetRulerLabelMetrics(); }

float RulerViewInset::majorThreshold() { return GetRulerMajorThreshold(); }

kit::Font* RulerViewInset::labelFont() { return GetRulerLabelMetrics().font; }

float RulerViewInset::digitWidth() { return GetRulerLabelMetrics().digitWidth; }

float RulerViewInset::labelHeight() { return GetRulerLabelMetrics().labelHeight; }
