// How the error box words an error's text, and which texts tell the same
// failure.
#pragma once

#include <string>

namespace snaplark::ui {

// The text (UTF-8) followed by "." when it is not empty and its last
// character's code is above that of "." (every byte of a character past
// ASCII is); so "Cannot open clipboard" gains a full stop, while a text
// ending in "." or ")" is left alone.
std::string ErrorBoxText(const std::string& text);

// Two error texts that name the same failure: they differ at most in the
// time stamps of capture file names (runs of exactly 15 digits).
bool SameFailure(const std::string& a, const std::string& b);

}  // namespace snaplark::ui
