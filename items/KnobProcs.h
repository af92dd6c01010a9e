#pragma once

// The knob font and the PostScript hit procedures. A PostScript output gets
// the programs themselves (the definitions go into its prologue, the knobs go
// out as the font's glyph); the screen draws the same squares and answers the
// hit tests from the context's own geometry.

#include "graphics/DrawContext.h"

#include <string>
#include <string_view>

// The definitions of devround, rdevround and the Type 3 font "KnobFont".
std::string_view knobFontPostScript();

// Sends the definitions to the context (a screen context ignores them).
void PSinitcontrolpoints(kit::DrawContext& context);
// A knob at (x, y): a white square of the outer size under a square of the
// inner size in the given gray; sizes are font sizes (a side of 6/1000).
void PSdrawknob(kit::DrawContext& context, float x, float y, float outer, float inner, float gray);
// n knobs from (x, y); displacements holds count numbers, the x and y moves
// from each knob to the next.
void PSdrawknobs(kit::DrawContext& context, float x, float y, int n, const float* displacements, int count,
                 float outer, float inner, float gray);

// Hit procedures: result gets 1 or 0. A user path is its coordinates and its
// operator bytes; the first path of a pair is the aperture. Stroke tests use
// the context's line width and miter limit.
void PSinboundary(kit::DrawContext& context, float x, float y, const float* coords, int numCoords,
                  const unsigned char* ops, int numOps, int* result);
void PSpathinboundary(kit::DrawContext& context, const float* coords1, int numCoords1, const unsigned char* ops1,
                      int numOps1, const float* coords2, int numCoords2, const unsigned char* ops2, int numOps2,
                      int* result);
void PSinpath(kit::DrawContext& context, float x, float y, const float* coords, int numCoords,
              const unsigned char* ops, int numOps, int* result);
void PSpathinpath(kit::DrawContext& context, const float* coords1, int numCoords1, const unsigned char* ops1,
                  int numOps1, const float* coords2, int numCoords2, const unsigned char* ops2, int numOps2,
                  int* result);

// The programs the hit procedures send to an interpreter that answers them
// itself: "x y userpath operator" or "aperture userpath operator", each user
// path encoded as the client library encodes it, [number string of 32-bit
// reals, operator string]. Each program leaves exactly one boolean. A path
// too long for a number string gives an empty program.
enum class HitOperator { inufill, inustroke };
std::string hitProcedureProgram(float x, float y, const kit::UserPath& path, HitOperator op);
std::string hitProcedureProgram(const kit::UserPath& aperture, const kit::UserPath& path, HitOperator op);
