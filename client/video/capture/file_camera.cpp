#include "client/video/capture/file_camera.h"

#include "client/video/capture/paced_camera.h"
#include "client/video/capture/pixel_convert.h"
#include "client/video/capture/video_device_choice.h"

#include <utility>
#include <vector>

namespace orv {

namespace {

constexpr double kMinRate = 1.0;
constexpr double kMaxRate = 60.0;

class FileCamera final : public PacedCamera {
  public:
    FileCamera(std::unique_ptr<Y4mReader> reader, std::unique_ptr<PixelConverter> converter,
               bool loop, const VideoFormat& format, std::shared_ptr<PacingClock> clock)
        : PacedCamera(format, std::move(clock)), m_reader(std::move(reader)),
          m_converter(std::move(converter)), m_loop(loop) {}
    ~FileCamera() override { Stop(); }

  protected:
    bool NextPicture(std::uint8_t* out, std::uint64_t frameIndex) override {
        // Frames whose time passed while the receiver was busy are read and dropped.
        do {
            if (!ReadNext()) return false;
        } while (m_framesRead <= frameIndex);
        if (!m_converter->Convert(m_planes.data(), m_planes.size(), out)) {
            SetError("cannot convert a Y4M frame");
            return false;
        }
        return true;
    }

  private:
    bool ReadNext() {
        std::string error;
        bool ok = m_reader->ReadFrame(m_planes, error);
        if (!ok && error.empty() && m_loop && m_framesRead > 0) { // the end: go round again
            ok = m_reader->Rewind() && m_reader->ReadFrame(m_planes, error);
        }
        if (!ok) {
            if (!error.empty()) SetError(error);
            return false;
        }
        // Room for the converter's wide reads, so that it reads the planes where they are.
        m_planes.resize(m_planes.size() + kPixelConvertReadSlack);
        ++m_framesRead;
        return true;
    }

    std::unique_ptr<Y4mReader> m_reader;
    std::unique_ptr<PixelConverter> m_converter;
    bool m_loop;
    std::uint64_t m_framesRead = 0;
    std::vector<std::uint8_t> m_planes;
};

} // namespace

CameraPixelFormat Y4mPixelFormat(Y4mChroma chroma) {
    switch (chroma) {
    case Y4mChroma::k420:
        return CameraPixelFormat::kYuv420;
    case Y4mChroma::k422:
        return CameraPixelFormat::kYuv422p;
    case Y4mChroma::k444:
        return CameraPixelFormat::kYuv444p;
    case Y4mChroma::kMono:
        return CameraPixelFormat::kGrey;
    }
    return CameraPixelFormat::kYuv420;
}

bool ParseFileCameraName(const std::string& deviceName, FileCameraSetting& setting) {
    if (deviceName.rfind(kFileCameraPrefix, 0) != 0) return false;
    std::string path = deviceName.substr(sizeof(kFileCameraPrefix) - 1);
    bool loop = false;
    for (const char* option : {",loop=1", ",loop=0"}) {
        const std::string text = option;
        if (path.size() >= text.size() &&
            path.compare(path.size() - text.size(), text.size(), text) == 0) {
            path.resize(path.size() - text.size());
            loop = text.back() == '1';
            break;
        }
    }
    if (path.empty()) return false;
    setting = {path, loop};
    return true;
}

std::unique_ptr<VideoSource> OpenFileCamera(const FileCameraSetting& setting, const VideoFormat& format,
                                            std::string& error, std::shared_ptr<PacingClock> clock) {
    auto reader = std::make_unique<Y4mReader>();
    if (!reader->Open(setting.path, error)) {
        error = "file camera: " + error;
        return nullptr;
    }
    const Y4mHeader& header = reader->Header();
    const double rate = static_cast<double>(header.rateNum) / header.rateDen;
    if (rate < kMinRate || rate > kMaxRate) {
        error = "file camera: frame rate of \"" + setting.path + "\" outside 1..60 per second";
        return nullptr;
    }
    auto converter = std::make_unique<PixelConverter>();
    if (!converter->Configure(Y4mPixelFormat(header.chroma), header.width, header.height, 0,
                              format.width, format.height, error)) {
        error = "file camera: " + error;
        return nullptr;
    }
    // The file sets the pace: a camera delivers at its own rate, the render filter thins it.
    const VideoFormat paced{format.width, format.height, rate};
    return std::make_unique<FileCamera>(std::move(reader), std::move(converter), setting.loop, paced,
                                        std::move(clock));
}

} // namespace orv
