#include "app/program.h"

#include "app/context_menu.h"
#include "app/tray_icon.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"
#include "settings/settings.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"
#include "stage/stage_view.h"

HINSTANCE AppInstance;
Settings Options;

// Constructed first and so destroyed last: its destructor closes the device once more
// after shut-down, which is harmless.
CdAudioDevice CdDevice;
// Made while the directory the program was started in is still current: the figure's
// pictures are looked for there.
Performer Figure;
NoteSwarm Notes(Options);
StageView Stage(Figure, Notes);

PlayOrder Order;
PlaybackController Controller(CdDevice, Order, Options);
ContextMenu Menu;
TrayIcon Tray;
