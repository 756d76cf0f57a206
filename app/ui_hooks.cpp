#include "app/ui_hooks.h"

#include "app/program.h"
#include "app/texts.h"
#include "app/track_list.h"
#include "res/resource.h"

namespace {

Program& ProgramOf(void* owner)
{
    return *static_cast<Program*>(owner);
}

void ShowTip(void* owner, ui::Tip tip, int track)
{
    wchar_t format[64];
    LoadText(tip == ui::Tip::Playing   ? IDS_TIP_PLAYING
             : tip == ui::Tip::Stopped ? IDS_TIP_STOPPED
                                       : IDS_TIP_NODISC,
             format);
    wchar_t name[32];
    LoadText(IDS_APP_NAME, name);
    wchar_t text[128];
    wsprintfW(text, format, name, track);
    ProgramOf(owner).tray.SetTip(text);
}

void FillList(void* owner)
{
    Program& program = ProgramOf(owner);
    FillTrackList(program.window, program.order.TrackCount, program.order.CurrentTrack(), program.drive.DiscId());
}

void SelectEntry(void* owner)
{
    SelectCurrentEntry(ProgramOf(owner).window, ProgramOf(owner).order.CurrentTrack());
}

void SyncMarks(void* owner)
{
    ProgramOf(owner).menu.SyncCheckMarks(ProgramOf(owner).options);
}

}  // namespace

const ui::Hooks kUiHooks = {ShowTip, FillList, SelectEntry, SyncMarks};
