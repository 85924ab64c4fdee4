// Stand-in (see windows.h beside it): what base/scoped.h names is there.
#pragma once
#include "windows.h"
