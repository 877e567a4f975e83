#pragma once

#include <string>

namespace vorlund {

// What the start-up run needs of the system. Implementations throw Error with
// a message that names the file: "PATH: reason".

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The minimum Z of the program at Path.
    virtual float ScanMinZ(const std::string& Path) = 0;
    // Renames From to To; never replaces an existing To.
    virtual void RenameNoReplace(const std::string& From, const std::string& To) = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Makes Text the clipboard's only content, as plain text; it stays there
    // after the program has ended.
    virtual void SetText(const std::string& Text) = 0;
};

} // namespace vorlund
