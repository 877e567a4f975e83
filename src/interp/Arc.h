#pragma once

namespace vorlund {

// An arc in its plane: first axis a, second axis b; clockwise is G2 seen
// from the plane's normal.
struct ArcPlane {
    double StartA, StartB, EndA, EndB, CentreA, CentreB;
    bool Clockwise;
    int Turns; // P: 1 for a plain arc
};

// Whether the arc passes the point of its circle at Angle (radians, from
// the first axis towards the second), its ends included.
bool ArcSweeps(const ArcPlane& Arc, double Angle);

// The centre of an R-form arc (negative R: more than half a circle); false
// when the radius cannot reach the end within Tolerance.
bool ArcCentreFromRadius(ArcPlane& Arc, double Radius, double Tolerance);

// Whether the start and end radii agree as a controller requires: within
// Big, and within Small or a thousandth of the radius.
bool ArcRadiiAgree(const ArcPlane& Arc, double Small, double Big);

} // namespace vorlund
