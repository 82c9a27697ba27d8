// Arbitrary datagrams into the receive threads' datagram handling, both media: probe
// detection and the sender's re-pointing, audio decoding into the playback queue, video
// stream selection, reassembly, decompression into the picture slot and the window message.
// The first byte picks the medium, the strict and the multi-stream settings and the codec.
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/media/data_recv_thread.h"
#include "client/media/data_send_thread.h"
#include "client/media/media_socket.h"
#include "client/media/video_codec_plug.h"
#include "fuzz/media/datagram_split.h"

#include <sys/socket.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

using namespace orv;

// Decoding is a copy of the frame's data part: the picture is as large as the data.
class CopyDecompressor : public VideoDecompressor {
public:
    bool OutputFormat(const BitmapInfoHeader& compressed, BitmapInfoHeader& decoded) override {
        decoded = compressed;
        return true;
    }
    bool Decompress(const std::uint8_t* frame, std::size_t length, const BitmapInfoHeader& decoded,
                    std::uint8_t* out) override {
        if (decoded.biSizeImage > length) __builtin_trap(); // the frame was checked against its header
        std::memcpy(out, frame + (length - decoded.biSizeImage), decoded.biSizeImage);
        return true;
    }
};

struct Rig {
    MediaSocket socket; // bound, never sent to: the threads stay blocked in their receive
    PcmBlockQueue playback;
    std::unique_ptr<CDataSendThread> videoSender;
    std::unique_ptr<CDataRecvThread> audio;
    std::unique_ptr<CDataRecvThread> video;

    Rig() {
        SetVideoCodecFactory({nullptr, [](int) { return std::make_unique<CopyDecompressor>(); }});
        socket.Create(0, SOCK_DGRAM, "127.0.0.1");
        videoSender = std::make_unique<CDataSendThread>(CDataSendThread::kModeVideo, &socket, 5);
        audio = std::make_unique<CDataRecvThread>(CDataRecvThread::kModeAudio, &socket, nullptr);
        video = std::make_unique<CDataRecvThread>(CDataRecvThread::kModeVideo, &socket, videoSender.get());
        audio->SetOutputQueue(&playback);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 65536) return 0;
    static Rig rig;
    static int lastControl = -1;
    const std::uint8_t control = data[0];
    const bool changed = control != lastControl;
    lastControl = control;
    const bool videoMode = (control & 1) != 0;
    CDataRecvThread& receiver = videoMode ? *rig.video : *rig.audio;
    if (!changed) {
        // Opening codecs costs more than a run: settings stay while the first byte does.
    } else if (videoMode) {
        const bool multiStream = (control & 2) != 0;
        receiver.SetCodecs(0, 1 + (control >> 2) % 3, multiStream);
        receiver.SetStrict((control & 0x20) != 0);
        if (multiStream) {
            receiver.AssignStream(1, true);
            receiver.AssignStream(2, true);
        }
    } else {
        receiver.SetCodecs(1 + (control >> 1) % 4, 0, false);
    }
    DatagramSplit split(data + 1, size - 1);
    const std::uint8_t* datagram = nullptr;
    std::size_t length = 0;
    while (split.Next(datagram, length)) receiver.HandleDatagram(datagram, length, "127.0.0.1", 4000);
    rig.playback.Clear();
    return 0;
}
