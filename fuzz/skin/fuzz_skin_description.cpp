// Window skin description ("mainbody.ini") reader: any file reads without harm, every
// control rectangle it yields is empty or within the coordinate limit, and no picture path
// leaves the skin folder.
#include "client/skin/skin_description.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& DescriptionPath() {
    static const std::string path = [] {
        char folder[] = "/tmp/orv-fuzz-skin-XXXXXX";
        if (mkdtemp(folder) == nullptr) std::abort();
        return std::string(folder) + "/mainbody.ini";
    }();
    return path;
}

void CheckRect(const orv::SkinRect& r) {
    const auto ok = [](int v) { return v >= 0 && v <= orv::kMaxSkinCoordinate; };
    if (!ok(r.x) || !ok(r.y) || !ok(r.width) || !ok(r.height)) std::abort();
}

void CheckPicture(const orv::WindowSkinDescription& d, const std::string& name) {
    const std::string path = orv::SkinPicturePath(d.folder, name);
    if (path.empty()) return;
    if (path.compare(0, d.folder.size() + 1, d.folder + "/") != 0) std::abort();
    if (path.find('/', d.folder.size() + 1) != std::string::npos) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = DescriptionPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    orv::WindowSkinDescription d;
    if (!orv::ReadWindowSkinDescription(path, &d)) std::abort();
    for (const auto& b : d.buttons) CheckRect(b.rect);
    for (const auto& t : d.texts) CheckRect(t.rect);
    for (const auto& t : d.trackbars) {
        CheckRect(t.rect);
        CheckPicture(d, t.track);
        CheckPicture(d, t.thumb);
    }
    for (const auto& p : d.progressBars) {
        CheckRect(p.rect);
        CheckPicture(d, p.picture);
    }
    for (const std::string* name : {&d.main, &d.mask, &d.over, &d.down, &d.disabled}) {
        CheckPicture(d, *name);
    }
    return 0;
}
