#pragma once

#include <string>

namespace vorlund {

// The minimum Z of the NC program at Path, read in chunks. Throws Error
// "PATH: reason" when the file cannot be read or holds a bad number.
float ScanProgramFile(const std::string& Path);

} // namespace vorlund
