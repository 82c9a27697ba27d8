// What the call-handler fuzz targets share: media without sockets or threads (so runs do not
// churn descriptors) and an owner without a window that forwards nothing.
#pragma once

#include "client/call/call_media.h"
#include "client/call/call_owner.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

class QuietMedia : public CallMedia {
public:
    bool BindSockets(std::uint16_t, std::uint16_t) override { return true; }
    std::uint16_t LocalPort(std::uint8_t) const override { return 5000; }
    long SendOnChannel(std::uint8_t, const std::uint8_t*, std::size_t size, std::uint32_t, std::uint16_t) override {
        return static_cast<long>(size);
    }
    int Open(const CallMediaParams&, const CallMediaContext&) override { return 1; }
    void Close() override {}
    bool SendAudioProbe() override { return false; }
    bool SendVideoProbe() override { return false; }
};

// forwardBusy: a forward request for a busy call (type 2) counts as sent.
class FuzzOwner : public CallOwner {
public:
    explicit FuzzOwner(ClientConfig& config, bool forwardBusy = false) : m_config(config), m_forwardBusy(forwardBusy) {}
    HWND CallEventWindow() const override { return 0; }
    ClientConfig& CallConfig() override { return m_config; }
    CallRecordList* CallRecords() override { return nullptr; }
    void OnCallRinging(TalkServHandler*, const std::string&) override {}
    void OnCallHandlerGone(TalkServHandler*) override {}
    int RequestCallForward(int type, std::uint32_t, std::uint32_t, const std::string&) override {
        return m_forwardBusy && type == 2;
    }

private:
    ClientConfig& m_config;
    bool m_forwardBusy;
};

} // namespace orv
