// Speech for the audio tests, spoken at test time by espeak-ng and brought to 8000 Hz mono
// 16-bit by sox, the format the file sound device plays unchanged.
#pragma once

#include <string>
#include <vector>

namespace orv::test {

// The program's full path from PATH; empty when it is not installed.
std::string FindProgram(const std::string& name);
// Runs an installed program to its end (60 s at most), its output to the log file. False
// with a reason in *error when it is missing or fails.
bool RunTool(const std::string& program, const std::vector<std::string>& args, const std::string& log,
             std::string* error);

// Speaks text with the voice into path (a WAV file). False with a reason in *error.
bool MakeSpeechFile(const std::string& text, const std::string& voice, const std::string& path,
                    std::string* error);
// Writes to `to` the file `from` behind `seconds` of silence.
bool PadWithSilence(const std::string& from, const std::string& to, double seconds, std::string* error);

} // namespace orv::test
