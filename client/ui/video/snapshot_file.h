// Saving a snapshot: the chosen file name's extension decides the format. ".bmp" is a Windows
// bitmap file of exactly 54 + image size bytes (14-byte file header, the 40-byte bitmap
// header, the rows as shown); ".jpg"/".jpeg" and ".png" go through Qt's image writers.
#pragma once

#include "client/ui/video/video_picture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

enum class SnapshotFormat { Bmp, Jpeg, Png, Unknown };

constexpr std::size_t kBmpFileHeaderBytes = 14;

// By the name's last extension, in any case.
SnapshotFormat SnapshotFormatOf(const std::string& path);

// The whole bitmap file for a picture; empty when the picture is not drawable RGB24.
std::vector<std::uint8_t> BmpFileBytes(const VideoPicture& picture);

// Writes the picture to path in the format its name asks for, replacing an existing file
// only once the new one is complete. False with a reason in *error for an empty picture, an
// unknown extension, or a failed write (an existing file is then left as it was).
bool SaveSnapshot(const std::string& path, const VideoPicture& picture, std::string* error);

} // namespace orv
