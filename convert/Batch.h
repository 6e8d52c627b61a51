#pragma once
// The "Convert" command: every queued document in order, then the completion box and
// the output folder in the file manager.

#include "convert/BatchFrontEnd.h"
#include "convert/Conversion.h"

// Message-box style flags the command shows.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbIconWarning = 0x30;

// An error from a row ends the batch there and propagates to the caller (the error
// display); the cursor is the default one again by then.
void ConvertBatch(TConversionEngine& engine, IBatchFrontEnd& frontEnd);
