#include "audio/wave_errors.h"

#include <map>

namespace orvo {

bool WaveGetErrorString(MCIERROR error, std::wstring& text) {
    wchar_t buffer[300] = {};
    if (mciGetErrorStringW(error, buffer, 300) && buffer[0]) {
        text = buffer;
        return true;
    }
    // Should a system lack the table, the device still explains its own errors.
    static const std::map<MCIERROR, const wchar_t*> kOwn = {
        {MCIERR_UNRECOGNIZED_COMMAND, L"The driver cannot recognize the specified command."},
        {MCIERR_INVALID_DEVICE_ID, L"Invalid MCI device ID."},
        {MCIERR_OUTOFRANGE, L"The specified parameter is out of range for the specified command."},
        {MCIERR_WAVE_INPUTSUNSUITABLE, L"No wave device that can record is installed."},
        {MCIERR_WAVE_OUTPUTSUNSUITABLE, L"No wave device that can play is installed."},
        {MCIERR_WAVE_SETINPUTUNSUITABLE, L"The recording device cannot use the current format."},
        {MCIERR_WAVE_SETOUTPUTUNSUITABLE, L"The playback device cannot use the current format."},
        {MCIERR_WAVE_INPUTSINUSE, L"The recording device is in use."},
        {MCIERR_WAVE_OUTPUTSINUSE, L"The playback device is in use."},
        {MCIERR_INVALID_FILE, L"The file is not a WAV file the device can play, or it is damaged."},
        {MCIERR_FILE_NOT_FOUND, L"Cannot find the specified file."},
        {MCIERR_FILE_READ, L"Cannot read the specified file."},
        {MCIERR_FILE_WRITE, L"Cannot write to the file; the disk may be full."},
        {MCIERR_FILE_NOT_SAVED, L"Cannot save the specified file."},
        {MCIERR_DEVICE_OPEN, L"The device is already open."},
        {MCIERR_NONAPPLICABLE_FUNCTION, L"Nothing is open to carry out this command."},
        {MCIERR_UNSUPPORTED_FUNCTION, L"The device does not support the specified command."},
        {MCIERR_NULL_PARAMETER_BLOCK, L"A null parameter block was passed."},
        {MCIERR_MISSING_PARAMETER, L"The specified command requires a parameter."},
        {MCIERR_BAD_TIME_FORMAT, L"The specified time format is invalid."},
        {MCIERR_OUT_OF_MEMORY, L"Not enough memory available for this task."},
        {MCIERR_HARDWARE, L"There is a problem with the sound device."},
    };
    auto it = kOwn.find(error);
    if (it == kOwn.end()) return false;
    text = it->second;
    return true;
}

std::wstring WaveErrorText(MCIERROR error) {
    std::wstring text;
    if (!WaveGetErrorString(error, text)) text = L"MCI error " + std::to_wstring(error);
    return text;
}

}  // namespace orvo
