#include "graphics/Matrix.h"

#include "graphics/PostScriptContext.h"

#include <cmath>

namespace kit {

namespace {

bool finite(double v) { return std::isfinite(v); }

} // namespace

Matrix Matrix::rotation(float degrees)
{
    double cosine, sine;
    double quarter = degrees / 90.0;
    if (std::isfinite(quarter) && quarter == std::floor(quarter) && std::fabs(quarter) < 1e9) {
        static const double cosines[4] = {1, 0, -1, 0};
        static const double sines[4] = {0, 1, 0, -1};
        long long k = static_cast<long long>(quarter) % 4;
        if (k < 0)
            k += 4;
        cosine = cosines[k];
        sine = sines[k];
    } else {
        double radians = degrees * (M_PI / 180.0);
        cosine = std::cos(radians);
        sine = std::sin(radians);
    }
    return {static_cast<float>(cosine), static_cast<float>(sine), static_cast<float>(-sine),
            static_cast<float>(cosine), 0, 0};
}

double Matrix::determinant() const
{
    return static_cast<double>(a) * d - static_cast<double>(b) * c;
}

bool Matrix::isInvertible() const { return inverted().has_value(); }

std::optional<Matrix> Matrix::inverted() const
{
    if (!finite(a) || !finite(b) || !finite(c) || !finite(d) || !finite(tx) || !finite(ty))
        return std::nullopt;
    double det = determinant();
    if (det == 0.0 || !finite(1.0 / det))
        return std::nullopt;
    double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    double itx = -(tx * ia + ty * ic);
    double ity = -(tx * ib + ty * id);
    Matrix m{static_cast<float>(ia), static_cast<float>(ib), static_cast<float>(ic),
             static_cast<float>(id), static_cast<float>(itx), static_cast<float>(ity)};
    if (!finite(m.a) || !finite(m.b) || !finite(m.c) || !finite(m.d) || !finite(m.tx) || !finite(m.ty))
        return std::nullopt;
    return m;
}

Matrix concatMatrix(const Matrix& m1, const Matrix& m2)
{
    double a = static_cast<double>(m1.a) * m2.a + static_cast<double>(m1.b) * m2.c;
    double b = static_cast<double>(m1.a) * m2.b + static_cast<double>(m1.b) * m2.d;
    double c = static_cast<double>(m1.c) * m2.a + static_cast<double>(m1.d) * m2.c;
    double d = static_cast<double>(m1.c) * m2.b + static_cast<double>(m1.d) * m2.d;
    double tx = static_cast<double>(m1.tx) * m2.a + static_cast<double>(m1.ty) * m2.c + m2.tx;
    double ty = static_cast<double>(m1.tx) * m2.b + static_cast<double>(m1.ty) * m2.d + m2.ty;
    return {static_cast<float>(a), static_cast<float>(b), static_cast<float>(c),
            static_cast<float>(d), static_cast<float>(tx), static_cast<float>(ty)};
}

Matrix Matrix::translated(float x, float y) const { return concatMatrix(translation(x, y), *this); }
Matrix Matrix::scaled(float sx, float sy) const { return concatMatrix(scaling(sx, sy), *this); }
Matrix Matrix::rotated(float degrees) const { return concatMatrix(rotation(degrees), *this); }
Matrix Matrix::concatenated(const Matrix& m) const { return concatMatrix(m, *this); }

Point Matrix::transform(Point p) const
{
    double x = static_cast<double>(a) * p.x + static_cast<double>(c) * p.y + tx;
    double y = static_cast<double>(b) * p.x + static_cast<double>(d) * p.y + ty;
    return {static_cast<float>(x), static_cast<float>(y)};
}

Point Matrix::dtransform(Point p) const
{
    double x = static_cast<double>(a) * p.x + static_cast<double>(c) * p.y;
    double y = static_cast<double>(b) * p.x + static_cast<double>(d) * p.y;
    return {static_cast<float>(x), static_cast<float>(y)};
}

std::optional<Point> Matrix::itransform(Point p) const
{
    if (!isInvertible())
        return std::nullopt;
    // Solved directly rather than through inverted(), which would round the
    // inverse to floats first.
    double det = determinant();
    double x = p.x - static_cast<double>(tx);
    double y = p.y - static_cast<double>(ty);
    return Point{static_cast<float>((x * d - y * c) / det), static_cast<float>((y * a - x * b) / det)};
}

std::optional<Point> Matrix::idtransform(Point p) const
{
    if (!isInvertible())
        return std::nullopt;
    double det = determinant();
    return Point{static_cast<float>((p.x * static_cast<double>(d) - p.y * static_cast<double>(c)) / det),
                 static_cast<float>((p.y * static_cast<double>(a) - p.x * static_cast<double>(b)) / det)};
}

Rect Matrix::transformRect(const Rect& r) const
{
    Point corners[4] = {transform({minX(r), minY(r)}), transform({maxX(r), minY(r)}),
                        transform({maxX(r), maxY(r)}), transform({minX(r), maxY(r)})};
    float x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
    for (const Point& p : corners) {
        x0 = std::fmin(x0, p.x);
        x1 = std::fmax(x1, p.x);
        y0 = std::fmin(y0, p.y);
        y1 = std::fmax(y1, p.y);
    }
    return makeRect(x0, y0, x1 - x0, y1 - y0);
}

std::string Matrix::description() const
{
    std::string s = "[";
    const float values[6] = {a, b, c, d, tx, ty};
    for (int i = 0; i < 6; ++i) {
        if (i)
            s += ' ';
        appendPostScriptNumber(s, values[i]);
    }
    s += ']';
    return s;
}

} // namespace kit
