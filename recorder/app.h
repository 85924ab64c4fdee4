#pragma once

namespace orvo::recorder {

// Creates and shows the main window and runs the message loop until Exit.
int RunRecorder(int show);

}  // namespace orvo::recorder
