// The texts of the wave-audio device's error codes, as mciGetErrorString
// gives them, with the device's own table where a system lacks one.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace orvo {

// The text of an error code returned by the device. False when the code has
// no text.
bool WaveGetErrorString(MCIERROR error, std::wstring& text);
// The same, never empty: a code without a text is at least named.
std::wstring WaveErrorText(MCIERROR error);

}  // namespace orvo
