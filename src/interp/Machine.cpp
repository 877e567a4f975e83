#include "interp/Machine.h"

namespace vorlund {

Outcome Machine::Run(const Block& Given) {
    for (int i = 0; i < Given.GCount; ++i) {
        switch (Given.G[i]) {
        case 0:
        case 10:
            motion_ = Given.G[i];
            break;
        case 900:
            absolute_ = true;
            break;
        case 910:
            absolute_ = false;
            break;
        default:
            break;
        }
    }
    if (!Given.Given('Z')) {
        moved_ = moved_ || (Given.Has & (1u << ('X' - 'A') | 1u << ('Y' - 'A')));
        return {};
    }
    if (motion_ < 0) return {Unsettled::Error, "axis words without a motion mode"};
    double z = Given.Of('Z');
    if (!absolute_) {
        if (!zKnown_ && z != 0.0) return {Unsettled::IncrementalStart, "G91 Z"};
        z += z_;
    }
    z_ = z;
    zKnown_ = zKnown_ || absolute_;
    moved_ = true;
    if (zKnown_ && z_ < minZ_) {
        minZ_ = z_;
        minLine_ = Given.Line;
    }
    return {};
}

float Machine::MinZ() const {
    return static_cast<float>(minZ_);
}
std::int64_t Machine::MinLine() const {
    return minLine_;
}
DepthSource Machine::Source() const {
    return source_;
}
bool Machine::Moved() const {
    return moved_;
}

} // namespace vorlund
