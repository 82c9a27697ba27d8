#include "client/handset/handset_device.h"

#include "client/handset/handset_memory.h"
#include "handset/handset.h"

#include <atomic>
#include <vector>

namespace orv {
namespace {

std::atomic<HandsetDevice*> g_current{nullptr};
std::atomic<HWND> g_target{0};
std::atomic<int> g_present{0};
std::atomic<std::uint8_t> g_keyByte{0};
std::atomic<std::uint8_t> g_bound{0};
std::atomic<bool> g_keyWordRead{false};

constexpr int kStatusReady = 90;

void Post(WPARAM wParam, LPARAM lParam) {
    if (const HWND target = g_target)
        PostMessage(target, HandsetDevice::NotifyMessage(), wParam, lParam);
}

void OnKey(int code) {
    if (!g_target)
        return;
    if (code == kStatusReady) {
        // Word 0 is read once per process (on the user-interface thread: this code comes
        // from the arrival tick).
        if (!g_keyWordRead) {
            if (HandsetDevice* device = g_current)
                g_keyWordRead = device->ReadKeyWord(1);
        }
        Post(1, kHandsetReady);
        return;
    }
    const int param = HandsetKeyParam(code);
    if (param >= 0)
        Post(0, param);
}

void OnDevice(int present, int) {
    g_present = present != 0 ? 1 : 0;
    Post(1, present != 0 ? kHandsetPlugged : kHandsetRemoved);
}

// The key-scan lock is held across one transaction.
class ScanPause {
public:
    ScanPause() { PauseKeyScan(); }
    ~ScanPause() { ResumeKeyScan(); }
    ScanPause(const ScanPause&) = delete;
    ScanPause& operator=(const ScanPause&) = delete;
};

} // namespace

int HandsetKeyParam(int code) {
    if (code >= 0 && code <= 9)
        return code;
    switch (code) {
    case 20: return kHandsetStar;
    case 21: return kHandsetPound;
    case 60: return kHandsetErase;
    case 40: return kHandsetDial;
    case 70: return kHandsetOffHook;
    case 80: return kHandsetOnHook;
    case 30: return kHandsetFunction;
    case 50: return kHandsetRedial;
    default: return -1;
    }
}

HandsetDevice::HandsetDevice() { g_current = this; }

HandsetDevice::~HandsetDevice() {
    Close();
    HandsetDevice* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

HandsetDevice* HandsetDevice::Current() { return g_current; }

UINT HandsetDevice::NotifyMessage() {
    static const UINT message = RegisterWindowMessage(kUsbNotifyMessageName);
    return message;
}

bool HandsetDevice::Open(HWND target) {
    if (!m_hidden) {
        m_hidden = std::make_unique<FunctionWindow>([](UINT, WPARAM, LPARAM) { return LRESULT{0}; });
        m_hidden->Create("");
    }
    g_target = target;
    m_libraryBound = Phone_Open(&OnKey) == 0 && Phone_Bind(m_hidden->GetSafeHwnd(), &OnDevice) == 1;
    Ring(false);
    return m_libraryBound;
}

void HandsetDevice::Retarget(HWND target) { g_target = target; }

void HandsetDevice::Close() {
    if (!m_hidden)
        return;
    Ring(false);
    if (m_libraryBound) {
        Phone_Bind(m_hidden->GetSafeHwnd(), nullptr);
        Phone_Close();
        Phone_Bind(0, nullptr); // the hidden window goes next: nothing stays bound to it
    }
    m_libraryBound = false;
    g_target = 0;
    g_present = 0;
    m_hidden.reset();
}

void HandsetDevice::Ring(bool on) {
    if (m_libraryBound)
        Phone_Ring(on ? 1 : 0);
}

int HandsetDevice::HookState() const { return m_libraryBound ? GetHookState() : 0; }
bool HandsetDevice::Present() { return g_present != 0; }
std::uint8_t HandsetDevice::KeyByte() { return g_keyByte; }
bool HandsetDevice::NumberBound() { return g_bound == 1; }

bool HandsetDevice::Transaction(int attempts, bool (HandsetDevice::*step)(void*), void* data) {
    if (!m_libraryBound)
        return false;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        ScanPause pause;
        if ((this->*step)(data))
            return true;
    }
    return false;
}

bool HandsetDevice::KeyWordStep(void*) {
    std::uint16_t word = 0;
    if (!ReadEEProm(kHandsetWordKey, &word))
        return false;
    const HandsetKeyWord value = SplitKeyWord(word);
    g_keyByte = value.key;
    g_bound = value.bound;
    return true;
}

bool HandsetDevice::ReadKeyWord(int attempts) { return Transaction(attempts, &HandsetDevice::KeyWordStep, nullptr); }

bool HandsetDevice::CustomerStep(void* data) {
    std::uint16_t word5 = 0;
    std::uint16_t word6 = 0;
    if (!ReadEEProm(kHandsetWordCustomer, &word5) || !ReadEEProm(kHandsetWordCustomer + 1, &word6))
        return false;
    *static_cast<std::uint32_t*>(data) = CustomerNumberFromWords(word5, word6, g_keyByte);
    return true;
}

bool HandsetDevice::ReadCustomerNumber(int attempts, std::uint32_t* number) {
    *number = 0;
    return Transaction(attempts, &HandsetDevice::CustomerStep, number);
}

bool HandsetDevice::NumberReadStep(void* data) {
    OrvNumberReader reader(g_keyByte);
    for (int i = 0; i < kHandsetNumberWords && !reader.Done(); ++i) {
        std::uint16_t word = 0;
        if (!ReadEEProm(kHandsetWordNumber + i, &word))
            return false;
        reader.Add(word);
    }
    *static_cast<std::string*>(data) = reader.Number();
    return true;
}

bool HandsetDevice::ReadOrvNumber(int attempts, std::string* number) {
    number->clear();
    return Transaction(attempts, &HandsetDevice::NumberReadStep, number);
}

bool HandsetDevice::NumberWriteStep(void* data) {
    const auto& words = *static_cast<const std::vector<std::uint16_t>*>(data);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!WriteEEProm(kHandsetWordNumber + static_cast<int>(i), words[i]))
            return false;
    }
    return WriteEEProm(kHandsetWordKey, MakeKeyWord(HandsetKeyWord{g_keyByte, 1})) != 0;
}

bool HandsetDevice::WriteOrvNumber(const std::string& number, int attempts) {
    std::vector<std::uint16_t> words;
    if (!OrvNumberToWords(number, g_keyByte, &words))
        return false;
    if (!Transaction(attempts, &HandsetDevice::NumberWriteStep, &words))
        return false;
    g_bound = 1;
    return true;
}

bool HandsetDevice::BindingStep(void*) {
    return WriteEEProm(kHandsetWordKey, MakeKeyWord(HandsetKeyWord{g_keyByte, 0})) != 0;
}

bool HandsetDevice::ClearBinding(int attempts) {
    if (!Transaction(attempts, &HandsetDevice::BindingStep, nullptr))
        return false;
    g_bound = 0;
    return true;
}

} // namespace orv
