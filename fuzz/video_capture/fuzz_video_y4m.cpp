// Arbitrary bytes as a Y4M file through the file camera's path: header, frame markers,
// planes, and the conversion of every frame read to a small RGB24 picture.
#include "client/video/capture/file_camera.h"
#include "client/video/capture/pixel_convert.h"
#include "client/video/capture/y4m_reader.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orv;
    if (size == 0) return 0;
    std::vector<std::uint8_t> copy(data, data + size); // fmemopen wants writable memory
    std::FILE* file = ::fmemopen(copy.data(), copy.size(), "rb");
    if (!file) return 0;
    Y4mReader reader;
    std::string error;
    if (!reader.Attach(file, error)) return 0;
    const Y4mHeader& header = reader.Header();
    PixelConverter converter;
    if (!converter.Configure(Y4mPixelFormat(header.chroma), header.width, header.height, 0, 32, 24,
                             error))
        return 0;
    std::vector<std::uint8_t> planes;
    std::vector<std::uint8_t> picture(Rgb24ImageSize(32, 24));
    for (int frames = 0; frames < 8 && reader.ReadFrame(planes, error); ++frames) {
        if (planes.size() != Y4mFrameBytes(header)) __builtin_trap();
        if (!converter.Convert(planes.data(), planes.size(), picture.data())) __builtin_trap();
    }
    return 0;
}
