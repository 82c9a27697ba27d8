// Hostile video frames into each decoder through the media codec hook: the first byte picks
// the codec id, the rest is one whole frame (40-byte header, colour table, data). The
// decoders live across inputs, as they do across a call.
#include "client/media/video_codec_install.h"
#include "client/media/video_codec_plug.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Decoded pictures larger than this are not worth the fuzzer's time (the decoders accept up
// to 4096 x 4096).
constexpr std::uint32_t kMaxFuzzedPicture = 4u << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::array<std::unique_ptr<orv::VideoDecompressor>, 3> decoders = [] {
        orv::InstallVideoCodecs();
        std::array<std::unique_ptr<orv::VideoDecompressor>, 3> opened;
        for (int id = 1; id <= 3; ++id) opened[static_cast<std::size_t>(id - 1)] = orv::OpenVideoDecompressor(id);
        return opened;
    }();
    static std::vector<std::uint8_t> picture;
    if (size < 2) return 0;
    orv::VideoDecompressor* decoder = decoders[data[0] % 3].get();
    const std::uint8_t* frame = data + 1;
    const std::size_t length = size - 1;
    orv::BitmapInfoHeader compressed;
    orv::BitmapInfoHeader decoded;
    if (decoder == nullptr || !orv::ReadBitmapInfoHeader(frame, length, compressed) ||
        !decoder->OutputFormat(compressed, decoded) || decoded.biSizeImage > kMaxFuzzedPicture) {
        return 0;
    }
    picture.resize(decoded.biSizeImage);
    decoder->Decompress(frame, length, decoded, picture.data());
    return 0;
}
