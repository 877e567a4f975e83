#pragma once

#include "interp/Interpreter.h"

namespace vorlund {

// Runs a Heidenhain Klartext program over the machine, as Interpret does an
// RS274NGC one: moves, Q parameters, labels, repeats and jumps, cycles.
InterpResult InterpretHeidenhain(const ProgramSource& Source, const InterpLimits& Limits = {});

} // namespace vorlund
