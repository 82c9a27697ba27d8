#include "client/video/capture/v4l2_camera.h"

#include "client/video/capture/threaded_camera.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace orv {

namespace {

constexpr CameraPixelFormat kPreference[] = {CameraPixelFormat::kYuyv,  CameraPixelFormat::kMjpeg,
                                             CameraPixelFormat::kNv12,  CameraPixelFormat::kYuv420,
                                             CameraPixelFormat::kUyvy,  CameraPixelFormat::kRgb24,
                                             CameraPixelFormat::kBgr24, CameraPixelFormat::kGrey};
constexpr unsigned kBufferCount = 4;
constexpr int kPollMs = 100;
constexpr std::uint32_t kMaxDeviceSide = 8192;

int Ioctl(int fd, unsigned long request, void* arg) {
    int result;
    do {
        result = ::ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result;
}

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

class V4l2Camera final : public ThreadedCamera {
  public:
    ~V4l2Camera() override {
        Stop();
        Close();
    }

    bool Open(const std::string& path, const VideoFormat& format, std::string& error);
    VideoFormat Format() const override { return m_format; }

  protected:
    bool BeforeStart() override;
    void RunLoop(const VideoFrameCallback& onFrame, const std::atomic<bool>& stop) override;
    void AfterStop() override;

  private:
    struct Buffer {
        void* start = MAP_FAILED;
        std::size_t length = 0;
    };
    bool Negotiate(const VideoFormat& format, std::string& error);
    bool MapBuffers(std::string& error);
    bool Queue(std::uint32_t index);
    void Close();

    int m_fd = -1;
    std::string m_path;
    VideoFormat m_format;
    CameraPixelFormat m_pixelFormat = CameraPixelFormat::kYuyv;
    std::vector<Buffer> m_buffers;
    PixelConverter m_converter;
    std::vector<std::uint8_t> m_picture;
};

bool V4l2Camera::Open(const std::string& path, const VideoFormat& format, std::string& error) {
    m_path = path;
    m_fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        error = Errno("cannot open " + path);
        return false;
    }
    v4l2_capability caps{};
    if (Ioctl(m_fd, VIDIOC_QUERYCAP, &caps) < 0) {
        error = path + " is not a V4L2 device";
        return false;
    }
    const std::uint32_t nodeCaps =
        (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if (!(nodeCaps & V4L2_CAP_VIDEO_CAPTURE) || !(nodeCaps & V4L2_CAP_STREAMING)) {
        error = path + " cannot stream video";
        return false;
    }
    return Negotiate(format, error) && MapBuffers(error);
}

bool V4l2Camera::Negotiate(const VideoFormat& format, std::string& error) {
    std::vector<std::uint32_t> offered;
    for (std::uint32_t index = 0; index < 64; ++index) {
        v4l2_fmtdesc description{};
        description.index = index;
        description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Ioctl(m_fd, VIDIOC_ENUM_FMT, &description) < 0) break;
        offered.push_back(description.pixelformat);
    }
    const auto chosen = PreferredCameraPixelFormat(offered);
    if (!chosen) {
        error = m_path + " offers no pixel format we can convert";
        return false;
    }
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = static_cast<std::uint32_t>(format.width);
    fmt.fmt.pix.height = static_cast<std::uint32_t>(format.height);
    fmt.fmt.pix.pixelformat = static_cast<std::uint32_t>(*chosen);
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    if (Ioctl(m_fd, VIDIOC_S_FMT, &fmt) < 0) {
        error = Errno("cannot set the capture format of " + m_path);
        return false;
    }
    // The driver may change the size (we scale to the size asked for), but not the format.
    const v4l2_pix_format& pix = fmt.fmt.pix;
    if (pix.pixelformat != static_cast<std::uint32_t>(*chosen) || pix.width == 0 ||
        pix.height == 0 || pix.width > kMaxDeviceSide || pix.height > kMaxDeviceSide ||
        pix.bytesperline > 8 * kMaxDeviceSide) {
        error = m_path + " answered an unusable capture format";
        return false;
    }
    m_pixelFormat = *chosen;
    m_format = format;
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Ioctl(m_fd, VIDIOC_G_PARM, &parm) == 0 &&
        (parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME)) {
        parm.parm.capture.timeperframe = {
            1000, static_cast<std::uint32_t>(std::lround(format.frameRate * 1000))};
        if (Ioctl(m_fd, VIDIOC_S_PARM, &parm) == 0 &&
            parm.parm.capture.timeperframe.numerator > 0 &&
            parm.parm.capture.timeperframe.denominator > 0) {
            m_format.frameRate = static_cast<double>(parm.parm.capture.timeperframe.denominator) /
                                 parm.parm.capture.timeperframe.numerator;
        }
    }
    const int bytesPerLine =
        m_pixelFormat == CameraPixelFormat::kMjpeg ? 0 : static_cast<int>(pix.bytesperline);
    m_picture.assign(Rgb24ImageSize(format.width, format.height), 0);
    return m_converter.Configure(m_pixelFormat, static_cast<int>(pix.width),
                                 static_cast<int>(pix.height), bytesPerLine, format.width,
                                 format.height, error);
}

bool V4l2Camera::MapBuffers(std::string& error) {
    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (Ioctl(m_fd, VIDIOC_REQBUFS, &request) < 0 || request.count < 2) {
        error = m_path + " has no memory-mapped capture buffers";
        return false;
    }
    m_buffers.resize(std::min(request.count, 32u));
    for (std::uint32_t i = 0; i < m_buffers.size(); ++i) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        if (Ioctl(m_fd, VIDIOC_QUERYBUF, &buffer) < 0) {
            error = Errno("cannot query a capture buffer of " + m_path);
            return false;
        }
        m_buffers[i].start = ::mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED,
                                    m_fd, buffer.m.offset);
        if (m_buffers[i].start == MAP_FAILED) {
            error = Errno("cannot map a capture buffer of " + m_path);
            return false;
        }
        m_buffers[i].length = buffer.length;
    }
    return true;
}

bool V4l2Camera::Queue(std::uint32_t index) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    return Ioctl(m_fd, VIDIOC_QBUF, &buffer) == 0;
}

bool V4l2Camera::BeforeStart() {
    for (std::uint32_t i = 0; i < m_buffers.size(); ++i) {
        if (!Queue(i)) {
            SetError(Errno("cannot queue a capture buffer of " + m_path));
            return false;
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Ioctl(m_fd, VIDIOC_STREAMON, &type) < 0) {
        SetError(Errno("cannot start streaming from " + m_path));
        return false;
    }
    return true;
}

void V4l2Camera::RunLoop(const VideoFrameCallback& onFrame, const std::atomic<bool>& stop) {
    while (!stop.load()) {
        pollfd ready{m_fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, kPollMs);
        if (polled < 0 && errno != EINTR) {
            SetError(Errno("waiting for " + m_path));
            return;
        }
        if (polled <= 0) continue;
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (Ioctl(m_fd, VIDIOC_DQBUF, &buffer) < 0) {
            if (errno == EAGAIN) continue;
            SetError(Errno("capture from " + m_path + " ended")); // e.g. the camera was unplugged
            return;
        }
        // The driver's counts are checked like any outside input.
        if (buffer.index < m_buffers.size() && !(buffer.flags & V4L2_BUF_FLAG_ERROR)) {
            const Buffer& mapped = m_buffers[buffer.index];
            const std::size_t used = buffer.bytesused
                                         ? std::min<std::size_t>(buffer.bytesused, mapped.length)
                                         : mapped.length;
            if (m_converter.Convert(static_cast<const std::uint8_t*>(mapped.start), used,
                                    m_picture.data())) {
                VideoFrame frame;
                frame.width = m_format.width;
                frame.height = m_format.height;
                frame.timestampMs = static_cast<std::uint32_t>(buffer.timestamp.tv_sec * 1000 +
                                                               buffer.timestamp.tv_usec / 1000);
                frame.bits = m_picture.data();
                frame.length = m_picture.size();
                if (onFrame) onFrame(frame);
            }
        }
        if (buffer.index < m_buffers.size() && !Queue(buffer.index)) {
            SetError(Errno("cannot requeue a capture buffer of " + m_path));
            return;
        }
    }
}

void V4l2Camera::AfterStop() {
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Ioctl(m_fd, VIDIOC_STREAMOFF, &type);
}

void V4l2Camera::Close() {
    for (const Buffer& buffer : m_buffers) {
        if (buffer.start != MAP_FAILED) ::munmap(buffer.start, buffer.length);
    }
    m_buffers.clear();
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

} // namespace

std::optional<CameraPixelFormat>
PreferredCameraPixelFormat(const std::vector<std::uint32_t>& offered) {
    for (const CameraPixelFormat format : kPreference) {
        if (std::find(offered.begin(), offered.end(), static_cast<std::uint32_t>(format)) !=
            offered.end()) {
            return format;
        }
    }
    return std::nullopt;
}

std::unique_ptr<VideoSource> OpenV4l2Camera(const std::string& devicePath,
                                            const VideoFormat& format, std::string& error) {
    auto camera = std::make_unique<V4l2Camera>();
    if (!camera->Open(devicePath, format, error)) return nullptr;
    return camera;
}

} // namespace orv
