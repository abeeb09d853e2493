#pragma once
// The GUI's way of handing worker results to the main thread: tasks posted
// with PostToMainThread run from the Qt event loop.

namespace fv {

// Call once on the main thread after the QApplication exists.
void InstallQtMainThreadPoster();

}  // namespace fv
