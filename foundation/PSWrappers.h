#pragma once

// Small PostScript procedures: positioning rounded to the device's pixels,
// the live resize outline of a window, a saved current matrix, and the
// drop-shadow wrapping of a picture.

#include <string>

// moveto at the point rounded to the device pixel grid.
void PSWmovetoround(float x, float y);
// The point rounded the same way; the point itself without a context.
void PSWroundpoint(float x, float y, float* roundedX, float* roundedY);

// The resize outline, through the platform's outline overlay.
void PSinitresize();
void PSplaceresize(float x, float y, float width, float height);
void PScleanupresize();
// found receives 1 and the window and owner numbers when an owned window is
// at the point, else 0 (the other two then 0).
void PSWfindownedwindow(float x, float y, int* found, int* windowNumber, int* ownerNumber);
void PSsetotherwindow(int windowNumber, int otherWindowNumber);

// The current context's matrix pushed on its own matrix stack, and popped
// back into the context: pairs nest, per context.
void PSWleaveMatrixOnStack();
void PSWuseMatrixFromStack();

// The drop-shadow prologue and epilogue (the resources "dropshadow1.ps" and
// "dropshadow2.ps") appended to the PostScript being made, around a
// picture to be drawn as its own shadow in the colour set before them.
// False when the resource is missing: the stream then gets
// "(<file>) LAYVANE_MISSING_FILE_ERROR" in its place.
bool sendDropShadowDict(std::string& stream);
bool sendDropShadowEnd(std::string& stream);
