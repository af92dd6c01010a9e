#pragma once

#include "core/Geometry.h"

#include <optional>
#include <string>

namespace kit {

// A PostScript transformation matrix [a b c d tx ty]. Points are row vectors,
// as in PostScript: x' = a·x + c·y + tx, y' = b·x + d·y + ty. Elements are
// floats because the drawing operators and the stored form use reals; the
// arithmetic is done in double and rounded once.
struct Matrix {
    float a = 1.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 1.0f;
    float tx = 0.0f;
    float ty = 0.0f;

    friend bool operator==(const Matrix&, const Matrix&) = default;

    static Matrix identity() { return {}; }
    static Matrix translation(float tx, float ty) { return {1, 0, 0, 1, tx, ty}; }
    static Matrix scaling(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }
    // Multiples of 90 degrees give exact 0 and ±1, so that a quarter turn
    // leaves pixel-aligned rectangles aligned.
    static Matrix rotation(float degrees);

    bool isIdentity() const { return *this == Matrix{}; }
    double determinant() const;
    // False for a singular matrix or one with a non-finite element.
    bool isInvertible() const;
    std::optional<Matrix> inverted() const;

    // The PostScript operators on a CTM: the new transformation applies
    // first, then this one (translate: T × this).
    Matrix translated(float tx, float ty) const;
    Matrix scaled(float sx, float sy) const;
    Matrix rotated(float degrees) const;
    // m × this: what `m concat` makes of this CTM.
    Matrix concatenated(const Matrix& m) const;

    Point transform(Point p) const;
    Point dtransform(Point distance) const;
    // The inverse mappings; nullopt when the matrix cannot be inverted.
    std::optional<Point> itransform(Point p) const;
    std::optional<Point> idtransform(Point distance) const;

    // The smallest axis-aligned rectangle holding the four mapped corners.
    Rect transformRect(const Rect& r) const;

    // "[a b c d tx ty]" with up to four decimals, for messages and tests.
    std::string description() const;
};

// PostScript's concatmatrix: m1 × m2, the transformation that applies m1 and
// then m2.
Matrix concatMatrix(const Matrix& m1, const Matrix& m2);

} // namespace kit
