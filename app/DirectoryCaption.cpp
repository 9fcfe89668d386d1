#include "app/DirectoryCaption.h"

namespace snaplark {

namespace {

// A byte that continues a UTF-8 sequence rather than starting a character.
bool Continues(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

std::string DirectoryCaption(const std::string& directory)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < directory.size(); ++i) {
        if (Continues(directory[i]))
            continue;
        if (characters == kDirectoryCaptionLength)
            return directory.substr(0, i) + "...";
        ++characters;
    }
    return directory;
}

}  // namespace snaplark
