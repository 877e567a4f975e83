#include "interp/Interpreter.h"

namespace vorlund {

InterpResult Interpret(const ProgramSource&, const InterpLimits&) {
    return {Unsettled::Error, 1, "not interpreted yet", 0.0f, 0, DepthSource::Move};
}

} // namespace vorlund
