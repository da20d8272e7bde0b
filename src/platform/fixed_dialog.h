// Fixed-size windows that look and behave like native fixed-size dialogs.
#pragma once

class QWidget;

namespace platform {

// A title bar with a close box only: no maximise or minimise button, no context help.
void useFixedDialogFrame(QWidget &window);

// The frame above, and the size fixed to `width` × the height its layout needs at that width,
// so that the desktop offers no resizing.
void fixDialogSize(QWidget &window, int width);

} // namespace platform
