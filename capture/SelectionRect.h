// A selected rectangle in screen coordinates (signed: monitors left of or
// above the primary one have negative coordinates).
#pragma once

#include <cstdint>

namespace snaplark {

struct SelectionRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool operator==(const SelectionRect&) const = default;
};

}  // namespace snaplark
