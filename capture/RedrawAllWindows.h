#pragma once

namespace snaplark {

// Makes every top-level window of the desktop repaint now, top to bottom,
// handling this thread's waiting messages after each one (so handlers may be
// entered again from inside it).
void RedrawAllWindows();

}  // namespace snaplark
