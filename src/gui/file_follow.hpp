#pragma once
// Files followed as they change on disk: the loaded picture, sprite file and project file are
// watched, and a change that then rests for follow_settle_ms reloads the file as F4 does. The
// artist's sprite colours and the undo history stay; a file that does not read at that moment
// leaves the last good state and says why in the status bar.

#include <glib.h>

constexpr guint follow_settle_ms = 300; // a burst of saves ends in one reload

// Watches the files in use now and takes their present contents as known, so that the editor's
// own loads and saves reload nothing. Every command that loads or saves one of them calls it.
void file_follow_sync();
// Stops watching (the preference switched off, or quitting).
void file_follow_stop();
