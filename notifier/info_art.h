// The notice window's pictures: its icon, the maker's link icon, the search
// and switch icons and the hand cursor of the links. They are drawn by the
// code itself, so that the window carries them wherever its code goes; the
// icons at any size in pixels (16 at 100 %), each size drawn afresh.
#pragma once
#include <windows.h>

#include "base/scoped.h"

namespace orvo::notifier {

ScopedIcon MakeWindowIcon(int size);
ScopedIcon MakeLogoIcon(int size);
ScopedIcon MakeSearchIcon(int size);
ScopedIcon MakeSwitchIcon(int size);
ScopedIcon MakeHandCursor();  // 32 x 32, hot spot on the fingertip

}  // namespace orvo::notifier
