#include "app/OsLabel.h"

namespace snaplark {

namespace {

constexpr std::uint32_t kPlatformNt = 2;
constexpr std::uint8_t kWorkstation = 1;

// Server releases of version 10.0 differ only in their build number.
std::string Server10Name(std::uint32_t build)
{
    if (build >= 26100)
        return " Windows Server 2025";
    if (build >= 20348)
        return " Windows Server 2022";
    if (build >= 17763)
        return " Windows Server 2019";
    return " Windows Server 2016";
}

}  // namespace

std::string OsLabelText(const OsVersion& v)
{
    if (v.platformId != kPlatformNt)
        return {};
    const bool workstation = v.productType == kWorkstation;
    if (v.major == 5) {
        switch (v.minor) {
        case 0: return "Windows 2000";
        case 1: return "Windows XP";
        case 2: return "Windows 2003";
        default: return {};
        }
    }
    if (v.major == 6) {
        switch (v.minor) {
        case 0: return workstation ? " Windows Vista" : " Windows Server 2008";
        case 1: return workstation ? " Windows 7" : " Windows Server 2008 R2";
        case 2: return workstation ? " Windows 8" : " Windows Server 8";
        case 3: return workstation ? " Windows 8.1" : " Windows Server 2012 R2";
        default: return {};
        }
    }
    if (v.major == 10 && v.minor == 0) {
        if (!workstation)
            return Server10Name(v.build);
        // Windows 11 kept the version number 10.0; only the build tells.
        return v.build >= 22000 ? " Windows 11" : " Windows 10";
    }
    return {};
}

}  // namespace snaplark
