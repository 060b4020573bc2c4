// The frame procedure: the host's records read into the library's settings
// and frame, and the frame sharpened.
#pragma once

#include "hosts/aviutl/filter_pool.h"
#include "hosts/aviutl/filter_table.h"

// Returns 1 when the frame was processed (or there was nothing to do) and 0,
// with the frame untouched, when the records are unusable or working memory
// could not be had. Its filter objects wait in one pool between frames.
int FrameProc(FILTER* fp, FILTER_PROC_INFO* fpip);
// The same with the objects of `pool`.
int FrameProcWith(FilterPool& pool, FILTER* fp, FILTER_PROC_INFO* fpip);
