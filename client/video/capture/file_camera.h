// The file camera: "file:PATH[,loop=1]" reads a Y4M file paced in real time at the file's
// frame rate (the camera's rate), scaled to the size asked for. Without loop the camera
// stops delivering at the end of the file.
#pragma once

#include "client/video/capture/pixel_convert.h"
#include "platform/pacing_clock.h"
#include "client/video/capture/video_source.h"
#include "client/video/capture/y4m_reader.h"

#include <memory>
#include <string>

namespace orv {

struct FileCameraSetting {
    std::string path;
    bool loop = false;
};

// Splits "file:PATH[,loop=1]"; false when the text is not a file camera name or the path
// is empty.
bool ParseFileCameraName(const std::string& deviceName, FileCameraSetting& setting);

// The converter input format of a Y4M file's planes.
CameraPixelFormat Y4mPixelFormat(Y4mChroma chroma);

std::unique_ptr<VideoSource>
OpenFileCamera(const FileCameraSetting& setting, const VideoFormat& format, std::string& error,
               std::shared_ptr<PacingClock> clock = MonotonicPacingClock());

} // namespace orv
