// Reads a YUV4MPEG2 (Y4M) file frame by frame: 8-bit 4:2:0, 4:2:2, 4:4:4 and mono pictures.
// The file is outside input: the header is checked field by field and a frame that is cut
// short or malformed ends the stream with an error.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace orv {

enum class Y4mChroma { k420, k422, k444, kMono };

struct Y4mHeader {
    int width = 0;
    int height = 0;
    int rateNum = 25; // frame rate as a fraction; 25/1 when the file names none
    int rateDen = 1;
    Y4mChroma chroma = Y4mChroma::k420;
};

// Parses the stream header line (without the trailing newline). false with error set.
bool ParseY4mHeader(const std::string& line, Y4mHeader& header, std::string& error);
// Size in bytes of one frame's planes.
std::size_t Y4mFrameBytes(const Y4mHeader& header);

class Y4mReader {
  public:
    Y4mReader() = default;
    ~Y4mReader();
    Y4mReader(const Y4mReader&) = delete;
    Y4mReader& operator=(const Y4mReader&) = delete;

    bool Open(const std::string& path, std::string& error);
    // Reads from an open stream, which the reader then owns and closes.
    bool Attach(std::FILE* file, std::string& error);
    const Y4mHeader& Header() const { return m_header; }
    // Reads the next frame's planes into planes (Y, then U, V when present). false at the end
    // of the file (error empty) or on a malformed frame (error set).
    bool ReadFrame(std::vector<std::uint8_t>& planes, std::string& error);
    // Back to the first frame.
    bool Rewind();

  private:
    std::FILE* m_file = nullptr;
    long m_firstFrameOffset = 0;
    Y4mHeader m_header;
};

} // namespace orv
