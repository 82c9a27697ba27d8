#include "client/audio/devices/alsa_errors.h"

#include "client/log/log.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace orv {
namespace {

void AlsaErrorToLog(const char* file, int line, const char* function, int err, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    WriteLog(4, "ALSA %s:%d %s: %s (%d)", file, line, function, text, err);
}

} // namespace

void RouteAlsaErrorsToLog() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&AlsaErrorToLog); });
}

} // namespace orv
