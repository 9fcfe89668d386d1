// The name of the running Windows version as the About panel shows it.
#pragma once

#include <cstdint>
#include <string>

namespace snaplark {

struct OsVersion {
    std::uint32_t platformId = 0;  // 2: Windows NT
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint8_t productType = 0;  // 1: workstation; otherwise a server
};

// Empty for anything but the NT platform and for versions it does not know.
// 5.x names are shown as they are; later names with a leading blank.
std::string OsLabelText(const OsVersion& version);

}  // namespace snaplark
