// Resource identifiers of OrvoRecord. Each part of the program keeps to its
// own range so they never collide:
//   1-99 program-wide, 100-199 main window, 200-299 volume and sound card,
//   300-399 waveform window, 400-499 busy bar, 500-599 help and links,
//   600-619 voice-activated recording.
//   620-639 timed recording.
#pragma once

#define IDI_ORVORECORD 1

// Main window: image strips of the two toolbars at 16, 20, 24, 32 and 40
// pixels (100 % to 250 %), and the menu commands.
#define IDB_IMG_RECORD 100
#define IDB_IMG_RECORD_20 101
#define IDB_IMG_RECORD_24 102
#define IDB_IMG_RECORD_32 103
#define IDB_IMG_RECORD_40 104
#define IDB_IMG_OTHER 105
#define IDB_IMG_OTHER_20 106
#define IDB_IMG_OTHER_24 107
#define IDB_IMG_OTHER_32 108
#define IDB_IMG_OTHER_40 109
#define IDM_NEW 110
#define IDM_OPEN 111
#define IDM_SAVE 112
#define IDM_EXIT 113
// Keyboard shortcuts that press a record toolbar button.
#define IDK_NEW 114
#define IDK_SAVE 115
#define IDK_PLAY 116
#define IDK_STOP 117
#define IDK_RECORD 118
#define IDM_RECORD 120
#define IDM_PLAY 121
#define IDM_STOP 122
#define IDM_MARK 123
#define IDM_RECCTR 130
#define IDM_VOLCTR 131
#define IDM_ADDMIC 132
#define IDM_REDMIC 133
#define IDM_ADDVOL 134
#define IDM_REDVOL 135
#define IDM_TOMP3 140
#define IDM_AUDIOEDIT 141
#define IDM_TESTGUIDE 142
#define IDM_TESTCARD 143
#define IDM_HOWTOUSED 150
#define IDM_PROBLEM 151
#define IDM_HOME 152
#define IDM_GUESTBOOK 153
#define IDM_MAIL 154
#define IDM_ABOUT 155
#define IDM_VELMORA 156
#define IDM_VMSPRITE 157
#define IDM_SOFTDZ 158
// 设置 → the MP3 bit rates, in the order of kMp3Bitrates.
#define IDM_BITRATE_128 160
#define IDM_BITRATE_192 161
#define IDM_BITRATE_256 162
#define IDM_BITRATE_320 163
// The input source submenu: the default device, the computer's sound, and
// one item for each wave-in device from IDM_SOURCE_DEVICE on.
#define IDM_SOURCE_DEFAULT 180
#define IDM_SOURCE_COMPUTER 181
#define IDM_SOURCE_DEVICE 210
#define IDM_SOURCE_DEVICE_LAST 239
// Sound-card window
#define IDC_TESTCARD_TEXT1 201
#define IDC_TESTCARD_COMMAND1 202

// Voice-activated recording (600-619): the Tools item and the window's controls.
#define IDM_VOICE_RECORD 600
#define IDC_VOICE_THRESHOLD 601
#define IDC_VOICE_HOLD 602
#define IDC_VOICE_PREROLL 603
#define IDC_VOICE_MODE 604
#define IDC_VOICE_FOLDER 605
#define IDC_VOICE_FORMAT 606
#define IDC_VOICE_PATTERN 607
#define IDC_VOICE_NOTE 608
#define IDC_VOICE_SWITCH 609
#define IDC_VOICE_CLOSE 610
#define IDC_VOICE_BROWSE 611

// Help, links and conversion (500-599).
#define IDC_CONVERT_PROGRESS 500

// Waveform window
#define IDI_AUDIOEDIT 300

// Timed recording (620-639): its item in 工具 and the messages of its take.
#define IDM_TIMERRECORD 620
