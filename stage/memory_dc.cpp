#include "stage/memory_dc.h"

HDC MemoryDc::Holding(HBITMAP bitmap, HDC like)
{
    if (dc_ == nullptr) {
        dc_ = CreateCompatibleDC(like);
        original_ = dc_ != nullptr ? SelectObject(dc_, bitmap) : nullptr;
    } else {
        SelectObject(dc_, bitmap);
    }
    return dc_;
}

void MemoryDc::Release()
{
    if (dc_ != nullptr) {
        SelectObject(dc_, original_);
        DeleteDC(dc_);
        dc_ = nullptr;
    }
}
