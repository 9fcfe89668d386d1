// How the main window shows the output directory in its narrow label.
#pragma once

#include <string>

namespace snaplark {

inline constexpr std::size_t kDirectoryCaptionLength = 25;

// Up to 25 characters whole; a longer path as its first 25 characters
// followed by "...". The path is UTF-8 and characters are code points, so a
// cut never splits one (nor, in UTF-16, a surrogate pair).
std::string DirectoryCaption(const std::string& directory);

}  // namespace snaplark
