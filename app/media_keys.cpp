#include "app/media_keys.h"

#include "playback/player_state.h"
#include "res/resource.h"

namespace media_keys {
namespace {

struct MediaKey {
    int hotKey;
    UINT virtualKey;
    int appCommand;
    int command;  // 0 for Play/Pause, which plays or stops
};

const MediaKey kKeys[] = {
    {IDK_PLAYPAUSE, VK_MEDIA_PLAY_PAUSE, APPCOMMAND_MEDIA_PLAY_PAUSE, 0},
    {IDK_STOP, VK_MEDIA_STOP, APPCOMMAND_MEDIA_STOP, IDM_STOP},
    {IDK_PREV, VK_MEDIA_PREV_TRACK, APPCOMMAND_MEDIA_PREVIOUSTRACK, IDM_PREV},
    {IDK_NEXT, VK_MEDIA_NEXT_TRACK, APPCOMMAND_MEDIA_NEXTTRACK, IDM_NEXT},
};

int CommandOf(const MediaKey& key, int playerState)
{
    return key.command != 0 ? key.command : playerState == kPlayerPlaying ? IDM_STOP : IDM_PLAY;
}

}  // namespace

void Register(HWND window)
{
    for (const MediaKey& key : kKeys) {
        RegisterHotKey(window, key.hotKey, 0, key.virtualKey);
    }
}

void Unregister(HWND window)
{
    for (const MediaKey& key : kKeys) {
        UnregisterHotKey(window, key.hotKey);
    }
}

int CommandForHotKey(WPARAM id, int playerState)
{
    for (const MediaKey& key : kKeys) {
        if (static_cast<WPARAM>(key.hotKey) == id) {
            return CommandOf(key, playerState);
        }
    }
    return 0;
}

int CommandForAppCommand(LPARAM lParam, int playerState)
{
    for (const MediaKey& key : kKeys) {
        if (GET_APPCOMMAND_LPARAM(lParam) == key.appCommand) {
            return CommandOf(key, playerState);
        }
    }
    return 0;
}

}  // namespace media_keys
