// Puts the client's video codecs ("MPG4", "ORV2", "M263") behind the media paths' codec
// hook, so the video sender compresses and the receive threads decode with them.
#pragma once

namespace orv {

// Installs the codec factory; opening a compressor or decompressor afterwards opens a
// VideoCodec for the codec id. Safe to call more than once.
void InstallVideoCodecs();

} // namespace orv
