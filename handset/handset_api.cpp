// The library's exported functions.
#include "handset/handset_state.h"
#include "handset/serial_memory.h"
#include "platform/message_box.h"

#include <dlfcn.h>
#include <string>

namespace orv::handset {

HandsetState& State() {
    static HandsetState* state = new HandsetState; // the key-scan thread may outlive statics
    return *state;
}

namespace {

void UnloadDriver(HandsetState& s) {
    if (s.driverLibrary)
        dlclose(s.driverLibrary);
    s.driverLibrary = nullptr;
    s.entry = nullptr;
}

// The folder of this library (the program folder), where the driver is looked for first.
std::string OwnFolder() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&Phone_Open), &info) == 0 || info.dli_fname == nullptr)
        return "";
    const std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool LoadDriver(HandsetState& s) {
    if (s.entry)
        return true;
    // By name: beside this library first, then on the loader's search path.
    const std::string folder = OwnFolder();
    if (!folder.empty())
        s.driverLibrary = dlopen((folder + "/" + handsetsys::kLibraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!s.driverLibrary)
        s.driverLibrary = dlopen(handsetsys::kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (s.driverLibrary)
        s.entry = reinterpret_cast<handsetsys::EntryPoint>(dlsym(s.driverLibrary, handsetsys::kEntryName));
    if (!s.entry) {
        ShowMessageBox("Information", std::string("Can't find or open the file ") + handsetsys::kLibraryName + ".");
        UnloadDriver(s);
        return false;
    }
    return true;
}

bool CallDriver(std::uint32_t operation, std::uintptr_t first = 0, std::uintptr_t second = 0) {
    const HandsetState& s = State();
    return s.entry && s.entry(operation, first, second) != 0;
}

int SetLine(int bit, std::atomic<bool>& flag, int on) {
    flag = on == 1;
    HandsetState& s = State();
    if (!s.entry)
        return -1;
    return s.Registers().SetPortBit(bit, on == 1) ? 0 : -1;
}

} // namespace

void StopKeyScan() {
    HandsetState& s = State();
    s.scanRunning = false;
    if (s.scanThread.joinable())
        s.scanThread.join();
}

} // namespace orv::handset

using namespace orv;
using namespace orv::handset;

extern "C" {

int Phone_Open(PhoneKeyCallback keyCallback) {
    HandsetState& s = State();
    if (!LoadDriver(s))
        return -1;
    if (!s.moduleHandle)
        s.moduleHandle = reinterpret_cast<std::uintptr_t>(dlopen(nullptr, RTLD_NOW));
    s.keyCallback = keyCallback;
    return 0;
}

int Phone_Close(void) {
    HandsetState& s = State();
    StopKeyScan();
    s.scanLockMade = false;
    s.productId = 0;
    s.plugged = false;
    return CallDriver(handsetsys::kOpClose) ? 0 : -1;
}

int Phone_Bind(uint32_t window, PhoneDeviceCallback deviceCallback) {
    HandsetState& s = State();
    if (s.boundWindow)
        UnbindWindow();
    if (window == 0)
        return 1;
    WindowProcFn previous = SetWindowProc(window, &BoundWindowProc);
    if (!previous)
        return 1;
    s.boundWindow = window;
    s.previousProc = previous;
    s.pending = PendingAction::None;
    CallDriver(handsetsys::kOpOpen, s.moduleHandle, 0);
    CallDriver(handsetsys::kOpNotifyWindow, window, 0);
    if (deviceCallback)
        s.deviceCallback = deviceCallback;
    return 1;
}

int Phone_Ring(int on) { return SetLine(6, State().ring, on); }

int Phone_Light(int on) { return SetLine(7, State().lamp, on); }

int GetHookState(void) {
    std::uint8_t status = 0;
    if (!State().Registers().Read(handsetsys::kRegStatus, &status))
        return 0;
    return (status & 0x80) ? 1 : 0;
}

int IsPhonePlugged(void) { return State().plugged ? 1 : 0; }

int GetProductID(int* productId) {
    if (productId)
        *productId = State().productId;
    return 0;
}

int ReadEEProm(int address, uint16_t* word) {
    if (!word)
        return 0;
    return ReadMemoryWord(State().Registers(), address, word) ? 1 : 0;
}

int WriteEEProm(int address, uint16_t value) {
    return WriteMemoryWord(State().Registers(), address, value) ? 1 : 0;
}

void PauseKeyScan(void) {
    HandsetState& s = State();
    if (!s.scanRunning)
        return;
    s.scanLock.lock();
    ++s.pauseDepth;
    s.Registers().InitPort();
}

void ResumeKeyScan(void) {
    HandsetState& s = State();
    if (s.pauseDepth == 0)
        return;
    --s.pauseDepth;
    s.scanLock.unlock();
}

} // extern "C"
