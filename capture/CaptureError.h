// The one error type of the capture path: it carries the text that the
// error box shows, and nothing on the capture path catches it.
#pragma once

#include <stdexcept>
#include <string>

namespace snaplark {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
    explicit Error(const char* text) : std::runtime_error(text) {}
};

}  // namespace snaplark
