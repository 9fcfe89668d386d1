// The FileVersion string of the program's version block.
#pragma once

#include <string>

namespace snaplark {

// The FileVersion of the running executable; empty when it has no version
// block, no translation table or no such string.
std::string ReadFileVersion();
// The same for any executable file.
std::string ReadFileVersionOf(const std::string& path);

}  // namespace snaplark
