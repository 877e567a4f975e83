#include "interp/HeidenhainCycles.h"

#include "interp/Params.h"

#include <algorithm>

namespace vorlund {

namespace {

bool In(int N, std::initializer_list<int> List) {
    return std::find(List.begin(), List.end(), N) != List.end();
}

std::string Word(int Q, double V) {
    std::string text = "Q" + std::to_string(Q) + "=" + std::to_string(V);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

} // namespace

CycleKind KindOf(int N) {
    if (In(N, {1, 2, 3, 4, 5, 17})) return CycleKind::Old;
    if (In(N, {200, 201, 202, 203, 205, 206, 207, 208, 209, 240, 241, 251,
               252, 253, 254, 256, 257, 258, 262, 263, 264, 265, 267}))
        return CycleKind::Hole;
    if (N == 232 || N == 233) return CycleKind::Face;
    if (N == 20) return CycleKind::Contour;
    if (N >= 21 && N <= 24) return CycleKind::ContourMill;
    if (N == 25) return CycleKind::Train;
    if (N == 220 || N == 221) return CycleKind::Pattern;
    if (N == 7) return CycleKind::Datum;
    if (N == 8) return CycleKind::Mirror;
    if (N == 11) return CycleKind::Scale;
    if (N == 26) return CycleKind::AxisScale;
    if (N == 19) return CycleKind::Tilt;
    if (N == 12) return CycleKind::Program;
    if (In(N, {9, 10, 13, 14, 32, 247})) return CycleKind::None;
    return CycleKind::Unknown;
}

std::string CycleValues::Name() const {
    return "CYCL DEF " + std::to_string(Number);
}

double CycleValues::Get(int Index) const {
    if (!Has(Index)) {
        const std::string part = Index == kSetUp ? ".1" : Index == kDepth ? ".2" : "";
        throw Doubt{Reason::Unset,
                    Name() + part + (Index < kCount ? " Q" + std::to_string(Index) : ""), 0};
    }
    return Value[Index];
}

CycleBottom BottomOf(const CycleValues& Cycle, const CycleValues& Contour,
                     const CycleValues* Surface) {
    const int n = Cycle.Number;
    const CycleKind kind = KindOf(n);
    CycleBottom out;
    const auto doubt = [&](Reason Why, std::string Text) {
        out.Why = Why, out.Text = std::move(Text);
        return out;
    };
    if (Surface && kind != CycleKind::Hole)
        return doubt(Reason::Cycle, "a pattern of " + Cycle.Name());
    // Depths count down from the surface; a depth of 0 does nothing.
    const auto below = [&](double Top, double Depth, int Q) {
        if (Depth > 0.0)
            return doubt(Reason::Error,
                         Cycle.Name() + " " + Word(Q, Depth) + ": above its surface");
        out.Skip = Depth == 0.0;
        out.Bottom = Top + Depth;
        out.Clearance = Top;
        return out;
    };
    switch (kind) {
    case CycleKind::Hole: {
        // The depth to the tool's shank, or from a diameter: the point angle decides.
        if (In(n, {200, 203, 205}) && Cycle.Has(395) && Cycle.Value[395] != 0.0)
            return doubt(Reason::Cycle, Cycle.Name() + " " + Word(395, Cycle.Value[395]));
        if (n == 240 && Cycle.Has(343) && Cycle.Value[343] != 0.0)
            return doubt(Reason::Cycle, Cycle.Name() + " " + Word(343, Cycle.Value[343]));
        const bool own = !Surface || !Surface->Has(203);
        const double top = own ? Cycle.Get(203) : Surface->Value[203];
        double depth = Cycle.Get(201);
        // Thread cycles also sink or drill: the deepest of their depths.
        for (int q : {356, 358})
            if (In(n, {263, 264, 265, 267}) && Cycle.Has(q))
                depth = std::min(depth, Cycle.Value[q]);
        below(top, depth, 201);
        if (out.Why == Reason::None && Cycle.Has(200))
            out.Clearance += std::max(0.0, Cycle.Value[200]);
        return out;
    }
    case CycleKind::Face: {
        const double start = Cycle.Get(227), end = Cycle.Get(386);
        out.Bottom = std::min(start, end);
        out.Clearance = std::max(start, end);
        return out;
    }
    case CycleKind::ContourMill:
        if (Contour.Number != 20)
            return doubt(Reason::Cycle, Cycle.Name() + " without CYCL DEF 20");
        return below(Contour.Get(5), Contour.Get(1), 1);
    case CycleKind::Train:
        return below(Cycle.Get(5), Cycle.Get(1), 1);
    default:
        return doubt(Reason::Cycle, Cycle.Name());
    }
}

} // namespace vorlund
