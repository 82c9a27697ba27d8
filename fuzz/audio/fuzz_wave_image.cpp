// Sound images and streams from anywhere: the resource layout check, the stream reader and
// the conversion to the device format must hold for arbitrary bytes; what reads back is
// written out again byte for byte.
#include "client/audio/tones/wave.h"
#include "client/audio/tones/wave_player.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::CWave image;
    if (image.LoadImage(data, size)) orv::ToDeviceSamples(image);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    orv::CWave read;
    std::string error;
    if (!read.Read(in, "fuzz", error)) return 0;
    std::ostringstream out;
    read.Write(out);
    std::istringstream again(out.str());
    orv::CWave copy;
    if (!copy.Read(again, "again", error) || copy.Data() != read.Data() || !(copy.Format() == read.Format()))
        __builtin_trap();
    return 0;
}
