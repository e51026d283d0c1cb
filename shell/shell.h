// The process entry that both backends' main() call.
#pragma once

// Sets up the process, creates the main window and pumps its messages until
// the window is gone. Returns the process exit code.
int QuillmoorMain();
