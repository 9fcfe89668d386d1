// The main window's status line, as the capture side sees it ("O.K." after a
// Direct3D capture to a file). The main window plugs its status bar in.
#pragma once

#include <functional>
#include <string>

namespace snaplark {

// Shows text through the sink; does nothing while no sink is set.
void ShowStatusText(const std::string& text);

// Returns the previous sink; an empty function unplugs it.
using StatusTextSink = std::function<void(const std::string&)>;
StatusTextSink SetStatusTextSink(StatusTextSink sink);

}  // namespace snaplark
