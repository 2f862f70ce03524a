#include "raster/DibMatrix.h"

#include "raster/DibMath.h"

#include <cmath>

namespace kolvar {

TTransformMatrix IdentityMatrix() {
    TTransformMatrix r{};
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0;
    return r;
}

namespace {

struct TCosSin {
    double c;
    double s;
};

TCosSin SingleCosSin(double angle) {
    return {ToSingle(std::cos(angle)), ToSingle(std::sin(angle))};
}

} // namespace

TTransformMatrix RotationX(double angle) {
    const auto [c, s] = SingleCosSin(angle);
    TTransformMatrix r = IdentityMatrix();
    r.m[1][1] = c;
    r.m[1][2] = -s;
    r.m[2][1] = s;
    r.m[2][2] = c;
    return r;
}

TTransformMatrix RotationY(double angle) {
    const auto [c, s] = SingleCosSin(angle);
    TTransformMatrix r = IdentityMatrix();
    r.m[0][0] = c;
    r.m[0][2] = s;
    r.m[2][0] = -s;
    r.m[2][2] = c;
    return r;
}

TTransformMatrix RotationZ(double angle) {
    const auto [c, s] = SingleCosSin(angle);
    TTransformMatrix r = IdentityMatrix();
    r.m[0][0] = c;
    r.m[0][1] = -s;
    r.m[1][0] = s;
    r.m[1][1] = c;
    return r;
}

TTransformMatrix RotationXYZ(double ax, double ay, double az) {
    return MultiplyMatrix(MultiplyMatrix(RotationX(ax), RotationY(ay)), RotationZ(az));
}

TTransformMatrix ScaleMatrix(double sx, double sy, double sz) {
    TTransformMatrix r = IdentityMatrix();
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    return r;
}

TTransformMatrix TranslationMatrix(double tx, double ty, double tz) {
    TTransformMatrix r = IdentityMatrix();
    r.m[3][0] = tx;
    r.m[3][1] = ty;
    r.m[3][2] = tz;
    return r;
}

TTransformMatrix MultiplyMatrix(const TTransformMatrix& a, const TTransformMatrix& b) {
    TTransformMatrix r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    }
    return r;
}

TPoint2D TransformPoint2D(const TTransformMatrix& m, const TPoint2D& p) {
    return {p.X * m.m[0][0] + p.Y * m.m[1][0] + m.m[3][0],
            p.X * m.m[0][1] + p.Y * m.m[1][1] + m.m[3][1]};
}

TPoint TransformPoint(const TTransformMatrix& m, const TPoint& p) {
    const TPoint2D r = TransformPoint2D(m, {double(p.X), double(p.Y)});
    return {Trunc(r.X), Trunc(r.Y)};
}

TPoint RoundPoint(const TPoint2D& p) {
    return {Round(p.X), Round(p.Y)};
}

} // namespace kolvar
