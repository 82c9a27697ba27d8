// orvphone: the desktop client.
#include "client/app/app_quit.h"
#include "client/app/client_app.h"
#include "client/app/qt_message_pump.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/media/talk_media.h"
#include "client/video/devices/video_device_list.h"
#include "platform/paths.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    std::string homeError;
    if (!orv::InitHomeFolder(argc, argv, &homeError)) {
        std::fprintf(stderr, "orvphone: %s\n", homeError.c_str());
        return 2;
    }
    orv::InitOnlySoundDevice(argc, argv); // --audio-device NAME, as orvcli
    orv::InitOnlyVideoDevice(argc, argv); // --video-device NAME, likewise
    QApplication qt(argc, argv);          // takes Qt's own options out of argv
    orv::AppOptions options;
    std::string error;
    if (!orv::ParseAppOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "orvphone: %s\nusage: orvphone [--home DIR] [--server HOST:PORT] [--audio-device NAME] [--video-device NAME] [--call NUMBER | tel:NUMBER] [LOG [level]]\n",
                     error.c_str());
        return 2;
    }
    orv::QtMessagePump pump;
    orv::QuitSignalWatcher quitWatcher;
    orv::MediaPipelineScope media; // calls get real media; outlives the core's calls
    orv::ClientApp app;
    return app.Run(options);
}
