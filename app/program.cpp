#include "app/program.h"

#include "app/context_menu.h"
#include "app/tray_icon.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"

HINSTANCE AppInstance;

// Constructed first and so destroyed last: its destructor closes the device once more
// after shut-down, which is harmless.
CdAudioDevice CdDevice;

PlayOrder Order;
PlaybackController Controller(CdDevice, Order);
ContextMenu Menu;
TrayIcon Tray;
