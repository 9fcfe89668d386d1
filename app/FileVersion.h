// The running executable: its full path and the FileVersion string of its
// version block.
#pragma once

#include <string>

namespace snaplark {

// Full path of the running executable, of any length and in any language.
std::string ExecutablePath();

// The FileVersion of the running executable; empty when it has no version
// block, no translation table or no such string.
std::string ReadFileVersion();
// The same for any executable file.
std::string ReadFileVersionOf(const std::string& path);

}  // namespace snaplark
