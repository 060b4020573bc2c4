// The frame procedure: the host's records read into the library's controls
// and frame, and the frame sharpened.
#pragma once

#include "hosts/aviutl/filter_table.h"
#include "quorlin/quorlin.h"

// Returns 1 when the frame was processed (or there was nothing to do) and 0,
// with the frame untouched, when the records are unusable or working memory
// could not be had. Every editor thread shares the module's one filter
// object, made at the first call (again at the next call if it could not be).
int FrameProc(FILTER* fp, FILTER_PROC_INFO* fpip);
// The same with `filter`.
int FrameProcWith(QuorlinFilter* filter, FILTER* fp, FILTER_PROC_INFO* fpip);
