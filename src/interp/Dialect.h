#pragma once

#include "common/Source.h"

#include <cstdint>

namespace vorlund {

// The language a program is written in, as far as the run tells them apart.
enum class Dialect : std::uint8_t { Rs274, Heidenhain, Sinumerik };

// A Heidenhain Klartext program opens with BEGIN PGM (after a block number,
// blank lines or comments). A Sinumerik program shows, in its first lines, a
// word no RS274NGC or Fanuc program has: R1=, DEF REAL, PROC, MSG(, a
// standard cycle's call, GOTOF, MCALL, IF or WHILE without a bracket. Any
// other program is read as RS274NGC or Fanuc.
Dialect DialectOf(const ProgramSource& Source);

} // namespace vorlund
