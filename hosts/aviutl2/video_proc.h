// The frame procedure: the host's image fetched into a buffer of the
// calling thread's, sharpened there with the module's one filter object and
// handed back.
#pragma once

#include "hosts/aviutl2/plugin_records.h"
#include "quorlin/quorlin.h"

// True when the image was sharpened or had no pixels (then it is untouched);
// false, with the image untouched, when the record is unusable or working
// memory could not be had, so that an export stops rather than leave the
// effect out.
bool ProcVideoFrame(ProcVideo* video);
// The same with `filter` and `controls`.
bool ProcVideoFrameWith(QuorlinFilter* filter, const QuorlinSettings& controls, ProcVideo* video);
