// How the main window shows the output directory in its narrow label.
#pragma once

#include <string>

namespace snaplark {

inline constexpr std::size_t kDirectoryCaptionLength = 25;

// Up to 25 characters (bytes of the ANSI code page) whole; a longer path as
// its first 25 characters followed by "...".
std::string DirectoryCaption(const std::string& directory);

}  // namespace snaplark
