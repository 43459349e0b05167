// The sound output device: opened by RuntimeInit, closed by RuntimeEnd. Without
// a device every sound operation returns -1 and the game runs silent.
#pragma once

// Opens the device, sets the primary format, starts the silent loop and logs the
// device description. 0, or -1 when the device exists already or cannot be opened.
int InitSoundSystem(void);
// Deletes every sound and closes the device. 0, or -1 when there is no device.
int EndSoundSystem(void);
