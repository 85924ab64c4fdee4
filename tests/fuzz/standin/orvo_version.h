// Stand-in for the version header the build writes.
#pragma once
#define ORVO_VERSION_TEXT "fuzz"
