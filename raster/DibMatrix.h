#pragma once
// 4 x 4 transforms of doubles in the row-vector convention, and the points they move. The
// containers of points transform themselves with them, so they stand apart from the rest of
// the geometry, which works on those containers.

#include "raster/DibTypes.h"

namespace kolvar {

// ---- Transformation matrices --------------------------------------------------------------

// A point is a row vector multiplied on the left; the translation lives in row 3.
struct TTransformMatrix {
    double m[4][4];
};

TTransformMatrix IdentityMatrix();
// Cosine and sine are rounded to single precision before they are stored.
TTransformMatrix RotationX(double angle);
TTransformMatrix RotationY(double angle);
TTransformMatrix RotationZ(double angle);
TTransformMatrix RotationXYZ(double ax, double ay, double az);
TTransformMatrix ScaleMatrix(double sx, double sy, double sz);
TTransformMatrix TranslationMatrix(double tx, double ty, double tz);
// a x b: applying the result equals applying a, then b.
TTransformMatrix MultiplyMatrix(const TTransformMatrix& a, const TTransformMatrix& b);
TPoint2D TransformPoint2D(const TTransformMatrix& m, const TPoint2D& p);
// Truncates both results toward zero.
TPoint TransformPoint(const TTransformMatrix& m, const TPoint& p);
TPoint RoundPoint(const TPoint2D& p);

} // namespace kolvar
