#include "client/media/video_codec_plug.h"

#include <mutex>

namespace orv {

namespace {

std::mutex g_factoryLock;
VideoCodecFactory g_factory;

} // namespace

bool IsVideoCodecId(int codecId) { return codecId >= 1 && codecId <= 3; }

void SetVideoCodecFactory(VideoCodecFactory factory) {
    std::lock_guard<std::mutex> hold(g_factoryLock);
    g_factory = std::move(factory);
}

std::unique_ptr<VideoCompressor> OpenVideoCompressor(int codecId) {
    if (!IsVideoCodecId(codecId)) return nullptr;
    std::function<std::unique_ptr<VideoCompressor>(int)> open;
    {
        std::lock_guard<std::mutex> hold(g_factoryLock);
        open = g_factory.openCompressor;
    }
    return open ? open(codecId) : nullptr;
}

std::unique_ptr<VideoDecompressor> OpenVideoDecompressor(int codecId) {
    if (!IsVideoCodecId(codecId)) return nullptr;
    std::function<std::unique_ptr<VideoDecompressor>(int)> open;
    {
        std::lock_guard<std::mutex> hold(g_factoryLock);
        open = g_factory.openDecompressor;
    }
    return open ? open(codecId) : nullptr;
}

} // namespace orv
