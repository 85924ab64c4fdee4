// Resource identifiers of OrvoRecord. Each part of the program keeps to its
// own range so they never collide:
//   1-99 program-wide, 100-199 main window, 200-299 volume and sound card,
//   300-399 waveform window, 400-499 busy bar, 500-599 help and links.
#pragma once

#define IDI_ORVORECORD 1

// Sound-card window
#define IDC_TESTCARD_TEXT1 201
#define IDC_TESTCARD_COMMAND1 202

// Help, links and conversion (500-599).
#define IDC_CONVERT_PROGRESS 500
