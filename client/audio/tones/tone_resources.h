// The tone sounds built into the program, each a canonical 44-byte-header RIFF/WAVE image
// looked up by name: one DTMF pair per keypad key ("IDR_WAVE0".."IDR_WAVE9",
// "IDR_WAVESTAR", "IDR_WAVEPOUND"), the dial tone, the busy and ringback cadences (8000 Hz
// 8-bit) and the incoming-call alert (22050 Hz 16-bit).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr char kWaveDialTone[] = "IDR_WAVEDAILTONE";
constexpr char kWaveBusy[] = "IDR_WAVEBUSY";
constexpr char kWaveRing[] = "IDR_WAVERING";
constexpr char kWaveAlert[] = "IDR_WAVEALERT";
constexpr char kWaveStar[] = "IDR_WAVESTAR";
constexpr char kWavePound[] = "IDR_WAVEPOUND";
constexpr char kWaveDigitPrefix[] = "IDR_WAVE"; // followed by '0'..'9'

// The image of the named resource; nullptr when there is none. Built once, kept for the
// life of the process.
const std::vector<std::uint8_t>* FindWaveResource(const std::string& name);

// The two frequencies of a keypad key's tone ('0'..'9', '*', '#'); false for other keys.
bool DtmfPair(char key, int& lowHz, int& highHz);

} // namespace orv
