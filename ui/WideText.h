// The program keeps its text in UTF-8; Windows takes and gives UTF-16. These
// two are the only places where one becomes the other, so that a folder
// name in any language survives the round trip.
#pragma once

#include <string>
#include <string_view>

namespace snaplark::ui {

std::wstring ToUtf16(std::string_view utf8);
std::string ToUtf8(std::wstring_view utf16);

}  // namespace snaplark::ui
