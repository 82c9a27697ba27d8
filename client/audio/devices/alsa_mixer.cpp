#include "client/audio/devices/alsa_mixer.h"

#include "client/audio/devices/alsa_errors.h"

#include <alsa/asoundlib.h>

#include <cctype>
#include <cstring>

namespace orv {
namespace {

snd_mixer_elem_t* FindElement(snd_mixer_t* mixer, const char* const* names, int (*has)(snd_mixer_elem_t*)) {
    for (const char* const* name = names; *name; ++name) {
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
            if (snd_mixer_selem_is_active(e) && has(e) && std::strcmp(snd_mixer_selem_get_name(e), *name) == 0)
                return e;
        }
    }
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && has(e)) return e;
    }
    return nullptr;
}

bool Contains(const char* text, const char* word) { return std::strstr(text, word) != nullptr; }

// Text of a "KEY=value" item inside an ALSA name's argument list.
std::string Argument(const std::string& arguments, const std::string& key) {
    std::size_t pos = 0;
    while (pos < arguments.size()) {
        std::size_t end = arguments.find(',', pos);
        if (end == std::string::npos) end = arguments.size();
        const std::string item = arguments.substr(pos, end - pos);
        if (item.rfind(key + "=", 0) == 0) return item.substr(key.size() + 1);
        pos = end + 1;
    }
    return {};
}

bool IsCardToken(const std::string& text) {
    if (text.empty() || text.size() > 32) return false;
    for (char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') return false;
    }
    return true;
}

} // namespace

std::string AlsaMixer::ControlNameFor(const std::string& pcmName) {
    if (pcmName == "default") return "default";
    const std::size_t colon = pcmName.find(':');
    if (colon == std::string::npos) return {};
    const std::string arguments = pcmName.substr(colon + 1);
    std::string card = Argument(arguments, "CARD");
    if (card.empty()) card = arguments.substr(0, arguments.find(','));
    if (!IsCardToken(card)) return {};
    const bool numeric = card.find_first_not_of("0123456789") == std::string::npos;
    return numeric ? "hw:" + card : "hw:CARD=" + card;
}

std::unique_ptr<AlsaMixer> AlsaMixer::Open(const std::string& pcmName) {
    const std::string control = ControlNameFor(pcmName);
    if (control.empty()) return nullptr;
    RouteAlsaErrorsToLog();
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) return nullptr;
    if (snd_mixer_attach(mixer, control.c_str()) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer) < 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    std::unique_ptr<AlsaMixer> result(new AlsaMixer(mixer));
    static const char* const kPlayback[] = {"PCM", "Master", "Speaker", "Headphone", nullptr};
    static const char* const kCapture[] = {"Mic", "Capture", "Mic Boost", nullptr};
    result->m_playback = FindElement(mixer, kPlayback, &snd_mixer_selem_has_playback_volume);
    result->m_capture = FindElement(mixer, kCapture, &snd_mixer_selem_has_capture_volume);
    return result;
}

AlsaMixer::AlsaMixer(snd_mixer_t* mixer) : m_mixer(mixer) {}

AlsaMixer::~AlsaMixer() { snd_mixer_close(m_mixer); }

bool AlsaMixer::GetVolume(bool capture, std::uint32_t& value) {
    snd_mixer_elem_t* e = capture ? m_capture : m_playback;
    if (!e) return false;
    snd_mixer_handle_events(m_mixer);
    long low = 0, high = 0, raw = 0;
    const int ranged = capture ? snd_mixer_selem_get_capture_volume_range(e, &low, &high)
                               : snd_mixer_selem_get_playback_volume_range(e, &low, &high);
    const int read = capture ? snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &raw)
                             : snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &raw);
    if (ranged < 0 || read < 0 || high <= low) return false;
    value = static_cast<std::uint32_t>(((raw - low) * 0xFFFFL + (high - low) / 2) / (high - low));
    return true;
}

bool AlsaMixer::SetVolume(bool capture, std::uint32_t value) {
    snd_mixer_elem_t* e = capture ? m_capture : m_playback;
    if (!e) return false;
    long low = 0, high = 0;
    const int ranged = capture ? snd_mixer_selem_get_capture_volume_range(e, &low, &high)
                               : snd_mixer_selem_get_playback_volume_range(e, &low, &high);
    if (ranged < 0 || high <= low) return false;
    const long raw = low + (static_cast<long>(value & 0xFFFF) * (high - low) + 0x7FFF) / 0xFFFF;
    return (capture ? snd_mixer_selem_set_capture_volume_all(e, raw) : snd_mixer_selem_set_playback_volume_all(e, raw)) >= 0;
}

int AlsaMixer::SelectFromEnum(snd_mixer_elem_t* e, bool microphone) {
    const int items = snd_mixer_selem_get_enum_items(e);
    if (items <= 0) return -1;
    int wanted = 0; // the first item when none matches
    for (int i = 0; i < items; ++i) {
        char name[64] = {};
        if (snd_mixer_selem_get_enum_item_name(e, static_cast<unsigned>(i), sizeof name - 1, name) < 0) continue;
        if (microphone ? Contains(name, "Mic") : Contains(name, "Line")) {
            wanted = i;
            break;
        }
    }
    unsigned current = 0;
    if (snd_mixer_selem_get_enum_item(e, SND_MIXER_SCHN_FRONT_LEFT, &current) >= 0 &&
        current == static_cast<unsigned>(wanted))
        return 0;
    for (int channel = 0; channel <= SND_MIXER_SCHN_LAST; ++channel) {
        const auto id = static_cast<snd_mixer_selem_channel_id_t>(channel);
        if (snd_mixer_selem_has_capture_channel(e, id) || channel == 0)
            snd_mixer_selem_set_enum_item(e, id, static_cast<unsigned>(wanted));
    }
    return 1;
}

int AlsaMixer::SelectCaptureSource(bool microphone) {
    snd_mixer_handle_events(m_mixer);
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(m_mixer); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_enum_capture(e)) return SelectFromEnum(e, microphone);
    }
    // No source list: switch the matching input's capture switch on.
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(m_mixer); e; e = snd_mixer_elem_next(e)) {
        const char* name = snd_mixer_selem_get_name(e);
        if (!snd_mixer_selem_has_capture_switch(e) || !(microphone ? Contains(name, "Mic") : Contains(name, "Line")))
            continue;
        int on = 0;
        if (snd_mixer_selem_get_capture_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on) >= 0 && on) return 0;
        return snd_mixer_selem_set_capture_switch_all(e, 1) >= 0 ? 1 : -1;
    }
    return -1;
}

} // namespace orv
