// How the error box words an error's text.
#pragma once

#include <string>

namespace snaplark::ui {

// The text followed by "." when it is not empty and its last character's code
// (as an unsigned byte) is above that of "."; so "Cannot open clipboard" gains
// a full stop, while a text ending in "." or ")" is left alone.
std::string ErrorBoxText(const std::string& text);

}  // namespace snaplark::ui
