#pragma once

// Dash pattern and line-end arrow records, and the built-in lists of them
// that the preferences keep.

#include "core/Geometry.h"

#include <vector>

struct GxDash {
    short count = 0; // 0 or less: a solid line
    float phase = 0.0f;
    float values[8] = {};
};

struct GxArrow {
    signed char kind = 0; // 0 none, 1 polygon, 2 rectangle, 3 oval
    short count = 0;      // points used; below 1 is not drawn
    unsigned char flags = 0; // bit 0 kept as stored; bit 1 fixed size
    kit::Point points[4];
};

inline constexpr unsigned char GxArrowFixedSizeFlag = 0x02;

void GxInitDash(GxDash* dash);
void GxCopyDash(GxDash* to, const GxDash* from);
// Absent equals a record of count 0.
bool GxEqualDash(const GxDash* a, const GxDash* b);

void GxInitArrow(GxArrow* arrow);
void GxCopyArrow(GxArrow* to, const GxArrow* from);
// Absent equals a record of kind 0.
bool GxEqualArrow(const GxArrow* a, const GxArrow* b);

// Append the five built-in records, from the last table entry to the first.
void GxInitializeDashList(std::vector<GxDash>& list);
void GxInitializeArrowList(std::vector<GxArrow>& list);
