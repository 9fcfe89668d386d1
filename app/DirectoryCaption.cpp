#include "app/DirectoryCaption.h"

namespace snaplark {

std::string DirectoryCaption(const std::string& directory)
{
    if (directory.size() <= kDirectoryCaptionLength)
        return directory;
    return directory.substr(0, kDirectoryCaptionLength) + "...";
}

}  // namespace snaplark
