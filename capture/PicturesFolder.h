// Where captures go while no directory is chosen: the user's Pictures
// folder. A program started from the Run key has the system folder as its
// current directory, one started from a shortcut its own folder; neither is
// a place for pictures.
#pragma once

#include <string>

namespace snaplark {

// The Pictures folder as the shell knows it at this moment, so a folder the
// user has moved is followed. Raises "Cannot find the Pictures folder" with
// the system's reason when the shell has none.
std::string PicturesFolder();

}  // namespace snaplark
