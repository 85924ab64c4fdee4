// The notice window's pictures: its icon, the maker's link icon, the search
// and switch icons and the hand cursor of the links. They are drawn from small
// pixel maps so that the window carries them wherever its code goes.
#pragma once
#include <windows.h>

#include "base/scoped.h"

namespace orvo::notifier {

ScopedIcon MakeWindowIcon(int size);  // 16 or 32 pixels
ScopedIcon MakeLogoIcon();            // 16 x 16
ScopedIcon MakeSearchIcon();          // 16 x 16
ScopedIcon MakeSwitchIcon();          // 16 x 16
ScopedIcon MakeHandCursor();          // 32 x 32, hot spot on the fingertip

}  // namespace orvo::notifier
