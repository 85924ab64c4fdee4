// The text of the sound-card window, built from a description of the first
// wave-out device so it can be produced and checked without a device.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>

namespace orvo::recorder {

// The parts of a wave-out device's capabilities the report shows, with the
// identifiers and channel count read as signed numbers.
struct WaveOutDescription {
    int16_t wMid = 0;
    int16_t wPid = 0;
    int32_t vDriverVersion = 0;
    std::wstring szPname;  // up to its first NUL
    uint32_t dwFormats = 0;
    int16_t wChannels = 0;
    uint32_t dwSupport = 0;
};

WaveOutDescription DescriptionFromCaps(const WAVEOUTCAPSW& caps);
// Asks the system for the capabilities of one wave-out device. The record is
// filled only up to the low half of dwSupport, as the report has always
// asked; the rest stays 0. False when the query fails.
bool QueryWaveOutDescription(UINT device, WaveOutDescription& description);

// One standard format or optional function by its exact bit value; any other
// value gives an empty text.
std::wstring GetFormatText(uint32_t bit);
std::wstring GetSupportText(uint32_t bit);

// The two header lines: whether a wave-out device was found.
std::wstring SoundCardHeader(bool found);
// Everything after the header: name, identifiers, version, channels, formats
// and optional functions. Ends right after the last function's line break, or
// right after the functions' heading when there are none.
std::wstring SoundCardDetails(const WaveOutDescription& device);

}  // namespace orvo::recorder
