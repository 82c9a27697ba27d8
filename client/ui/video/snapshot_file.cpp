#include "client/ui/video/snapshot_file.h"

#include "client/data/atomic_file.h"
#include "wire/byte_writer.h"

#include <QBuffer>
#include <QByteArray>
#include <algorithm>
#include <cctype>

namespace orv {

namespace {

constexpr std::uint16_t kBmpMagic = 0x4D42; // "BM" read little-endian
constexpr int kJpegQuality = 90;

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::vector<std::uint8_t> EncodedImage(const VideoPicture& picture, const char* format, int quality) {
    const QImage image = PictureImage(picture);
    if (image.isNull()) return {};
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality)) return {};
    return std::vector<std::uint8_t>(encoded.begin(), encoded.end());
}

} // namespace

SnapshotFormat SnapshotFormatOf(const std::string& path) {
    const std::string extension = LowerExtension(path);
    if (extension == ".bmp") return SnapshotFormat::Bmp;
    if (extension == ".jpg" || extension == ".jpeg") return SnapshotFormat::Jpeg;
    if (extension == ".png") return SnapshotFormat::Png;
    return SnapshotFormat::Unknown;
}

std::vector<std::uint8_t> BmpFileBytes(const VideoPicture& picture) {
    const std::size_t imageBytes = Rgb24ImageBytes(picture.header);
    if (imageBytes == 0 || picture.bits.size() < imageBytes) return {};
    const std::size_t headersBytes = kBmpFileHeaderBytes + kBitmapInfoHeaderBytes;
    ByteWriter out;
    out.U16LE(kBmpMagic);
    out.U32LE(static_cast<std::uint32_t>(headersBytes + imageBytes));
    out.U16LE(0);
    out.U16LE(0);
    out.U32LE(static_cast<std::uint32_t>(headersBytes));
    BitmapInfoHeader info = picture.header;
    info.biSize = kBitmapInfoHeaderBytes;
    info.biSizeImage = static_cast<std::uint32_t>(imageBytes);
    info.biClrUsed = 0;
    info.biClrImportant = 0;
    std::uint8_t infoBytes[kBitmapInfoHeaderBytes];
    WriteBitmapInfoHeader(info, infoBytes);
    out.Bytes(infoBytes, sizeof infoBytes);
    out.Bytes(picture.bits.data(), imageBytes);
    return std::move(out.Get());
}

bool SaveSnapshot(const std::string& path, const VideoPicture& picture, std::string* error) {
    auto fail = [error](const char* reason) {
        if (error) *error = reason;
        return false;
    };
    if (!IsDrawableRgb24(picture.header, picture.bits.size())) return fail("there is no picture to save");
    std::vector<std::uint8_t> bytes;
    switch (SnapshotFormatOf(path)) {
    case SnapshotFormat::Bmp: bytes = BmpFileBytes(picture); break;
    case SnapshotFormat::Jpeg: bytes = EncodedImage(picture, "JPEG", kJpegQuality); break;
    case SnapshotFormat::Png: bytes = EncodedImage(picture, "PNG", -1); break;
    case SnapshotFormat::Unknown: return fail("the file name must end in .bmp, .jpg or .png");
    }
    if (bytes.empty()) return fail("the picture could not be encoded");
    if (!WriteFileAtomically(path, bytes)) return fail("the file could not be written");
    return true;
}

} // namespace orv
