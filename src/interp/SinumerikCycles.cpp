#include "interp/SinumerikCycles.h"

#include <cmath>

namespace vorlund {

namespace {

// Where a cycle's retraction plane (RTP), reference plane (RFP), absolute
// depth (DP) and depth below the reference plane (DPR) stand among its
// arguments; -1 when it has none.
struct Shape {
    std::string_view Name;
    int Rtp, Rfp, Dp, Dpr;
};

constexpr Shape kShapes[] = {
    // Drilling, boring, tapping, thread milling: (RTP, RFP, SDIS, DP, DPR, ...).
    {"CYCLE81", 0, 1, 3, 4},
    {"CYCLE82", 0, 1, 3, 4},
    {"CYCLE83", 0, 1, 3, 4},
    {"CYCLE84", 0, 1, 3, 4},
    {"CYCLE840", 0, 1, 3, 4},
    {"CYCLE85", 0, 1, 3, 4},
    {"CYCLE86", 0, 1, 3, 4},
    {"CYCLE87", 0, 1, 3, 4},
    {"CYCLE88", 0, 1, 3, 4},
    {"CYCLE89", 0, 1, 3, 4},
    {"CYCLE90", 0, 1, 3, 4},
    // Pockets, slots, spigots with the same head.
    {"POCKET1", 0, 1, 3, 4},
    {"POCKET2", 0, 1, 3, 4},
    {"SLOT1", 0, 1, 3, 4},
    {"SLOT2", 0, 1, 3, 4},
    {"LONGHOLE", 0, 1, 3, 4},
    {"CYCLE76", 0, 1, 3, 4},
    {"CYCLE77", 0, 1, 3, 4},
    // An absolute depth only: (RTP, RFP, SDIS, DP, ...).
    {"POCKET3", 0, 1, 3, -1},
    {"POCKET4", 0, 1, 3, -1},
    {"CYCLE71", 0, 1, 3, -1},
    // Contour milling: (KNAME, RTP, RFP, SDIS, DP, ...).
    {"CYCLE72", 1, 2, 4, -1},
};

const Shape* ShapeOf(std::string_view Name) {
    for (const Shape& s : kShapes)
        if (s.Name == Name) return &s;
    return nullptr;
}

bool Has(const CycleArgs& Args, int I) {
    return I >= 0 && I < Args.Count && Args.Given[I];
}

} // namespace

SiemensCycle SiemensCycleKind(std::string_view Name) {
    if (ShapeOf(Name)) return SiemensCycle::Depth;
    if (Name == "HOLES1" || Name == "HOLES2" || Name == "CYCLE801" || Name == "CYCLE802")
        return SiemensCycle::Pattern;
    if (Name == "CYCLE832") return SiemensCycle::None;
    return SiemensCycle::Unknown;
}

SiemensBottom SiemensBottomOf(std::string_view Name, const CycleArgs& Args) {
    const Shape* s = ShapeOf(Name);
    const std::string name(Name);
    if (!s) return {Reason::Cycle, name};
    const auto missing = [&](const char* Param) {
        return SiemensBottom{Reason::Unset, name + " " + Param};
    };
    if (!Has(Args, s->Rtp)) return missing("RTP");
    SiemensBottom out;
    out.Retract = Args.Value[s->Rtp];
    // DPR, counted down from RFP without its sign, wins over DP when given.
    if (Has(Args, s->Dpr) && Args.Value[s->Dpr] != 0.0) {
        if (!Has(Args, s->Rfp)) return missing("RFP");
        out.Bottom = Args.Value[s->Rfp] - std::fabs(Args.Value[s->Dpr]);
    } else if (Has(Args, s->Dp)) {
        out.Bottom = Args.Value[s->Dp];
    } else {
        return missing("DP");
    }
    if (out.Retract < out.Bottom) return {Reason::Error, name + ": RTP below its depth"};
    return out;
}

} // namespace vorlund
