#pragma once
// The queue rows' icons: what a row's conversion came to, drawn in the window's colours.

#include <windows.h>
#include <commctrl.h>

// What a row's icon says: its state in the batch running now or in the last one.
enum class TRowMark { rmNone, rmWorking, rmWritten, rmLaidOut, rmNotWritten, rmError };

// One icon per mark but rmNone, size pixels square, in a new image list the caller owns.
HIMAGELIST MakeMarkImages(int size);
int MarkImageIndex(TRowMark mark);
// rmNone for no image or one of no mark.
TRowMark MarkOfImageIndex(int index);
