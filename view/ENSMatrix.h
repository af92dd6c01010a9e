#pragma once

// A matrix whose tagged cells the user picks up with Command held: a
// picture of the cell follows the mouse inside the matrix over a sunken hole
// in its place, and dropped on another tagged cell the two cells change
// places (the tool palette's order of tools).

#include "appkit/CellMatrix.h"

#include <memory>

namespace kit {
class DrawContext;
class Event;
}

class ENSMatrix : public kit::CellMatrix {
public:
    using kit::CellMatrix::CellMatrix;

    std::string className() const override { return "ENSMatrix"; }

    // A new matrix of the given one-column matrix's cells, which it takes
    // (the given matrix is left empty and without a prototype), with its
    // frame, cell size, spacing, tag, selection, target, action and
    // drawing settings, in radio mode, following its superview's height.
    // The caller puts it in the window and removes the old one.
    static std::unique_ptr<ENSMatrix> promote(kit::CellMatrix& matrix);

    // With Command held a tagged cell is dragged; otherwise (and for an
    // untagged cell) the matrix's own handling.
    void mouseDown(const kit::Event& event) override;
};

// The drag of the cell under the mouse down, to the mouse-up: false (and
// nothing drawn) when there is no cell there or its tag is 0. While the
// mouse moves only two pictures taken at the start are drawn, one flush a
// mouse event.
bool doCellDrag(kit::CellMatrix& matrix, const kit::Event& mouseDown);

// A sunken well over the rectangle, in the current coordinates (a flipped
// view's top is its least y): one-point lines inwards, the greatest-y and
// greatest-x edges white, the least-y and least-x edges dark grey then
// black, the inside dark grey.
void drawHole(kit::DrawContext& context, const kit::Rect& rect);
