#include "interp/Arc.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vorlund {
namespace {

constexpr double FullTurn = 2.0 * std::numbers::pi;

// Angle in [0, 2 pi).
double Wrap(double Angle) {
    double a = std::fmod(Angle, FullTurn);
    return a < 0.0 ? a + FullTurn : a;
}

} // namespace

bool ArcSweeps(const ArcPlane& Arc, double Angle) {
    if (Arc.Turns > 1) return true;
    // A full circle: ends the same within what sums of decimals miss by.
    if (std::fabs(Arc.StartA - Arc.EndA) < 1e-8 && std::fabs(Arc.StartB - Arc.EndB) < 1e-8)
        return true;
    double start = std::atan2(Arc.StartB - Arc.CentreB, Arc.StartA - Arc.CentreA);
    double end = std::atan2(Arc.EndB - Arc.CentreB, Arc.EndA - Arc.CentreA);
    double sign = Arc.Clockwise ? -1.0 : 1.0;
    double sweep = Wrap(sign * (end - start));
    if (sweep == 0.0) sweep = FullTurn;
    return Wrap(sign * (Angle - start)) <= sweep;
}

bool ArcCentreFromRadius(ArcPlane& Arc, double Radius, double Tolerance) {
    double da = Arc.EndA - Arc.StartA, db = Arc.EndB - Arc.StartB;
    double half = std::hypot(da, db) / 2.0, r = std::fabs(Radius);
    if (half - r > Tolerance) return false;
    // Distance from the chord's middle to the centre, left of the chord
    // for an anticlockwise arc under half a circle.
    double side = std::sqrt(std::max(0.0, r * r - half * half));
    if (Arc.Clockwise != (Radius < 0.0)) side = -side;
    double ua = da / (2.0 * half), ub = db / (2.0 * half);
    Arc.CentreA = Arc.StartA + da / 2.0 - ub * side;
    Arc.CentreB = Arc.StartB + db / 2.0 + ua * side;
    return true;
}

bool ArcRadiiAgree(const ArcPlane& Arc, double Small, double Big) {
    double r1 = std::hypot(Arc.StartA - Arc.CentreA, Arc.StartB - Arc.CentreB);
    double r2 = std::hypot(Arc.EndA - Arc.CentreA, Arc.EndB - Arc.CentreB);
    double err = std::fabs(r1 - r2);
    return err <= Big && (err <= Small || err <= 0.001 * std::max(r1, r2));
}

} // namespace vorlund
