#ifndef VELTOCD_STAGE_STAGE_SIZE_H
#define VELTOCD_STAGE_STAGE_SIZE_H

// The stage, and so the main window's client area, in pixels.
const int kStageWidth = 144;
const int kStageHeight = 104;

#endif
