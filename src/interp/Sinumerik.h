#pragma once

#include "interp/Interpreter.h"

namespace vorlund {

// Runs a Sinumerik (840D, 828D) program over the machine, as Interpret does
// an RS274NGC one: R parameters and DEF locals, expressions, jumps and
// loops, subprograms in the file, standard cycles.
InterpResult InterpretSinumerik(const ProgramSource& Source, const InterpLimits& Limits = {});

} // namespace vorlund
