// The window skin description ("mainbody.ini"): the five pictures of "Screen" and the four
// control sections. Reading it needs no drawing, so it stays free of Qt (the fuzz target and
// the skin generator's checks use it too).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Coordinates beyond this are refused (a skin window is never larger than a screen); a
// rectangle with a negative or larger value is read as empty.
constexpr int kMaxSkinCoordinate = 16384;

// Controls read per section at most; a window never needs more, and each line costs a read.
constexpr std::size_t kMaxSkinControlsPerSection = 256;

struct SkinRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

struct SkinButtonInfo {
    int index = 0; // key number minus 1
    std::string name;
    SkinRect rect;
    std::string tooltip;
    std::string flag;
    bool FlagSet() const { return !flag.empty() && flag[0] == 'T'; }
};

struct SkinTextInfo {
    std::string name;
    std::string fontFace;
    bool bold = false;       // weight 700, else 400
    bool styleFlag = false;  // first character of the style token is "F"
    int size = 0;            // font height in pixels
    std::uint32_t colour = 0; // red in the low byte
    SkinRect rect;
    std::string initialText;
    std::string extra;
};

struct SkinTrackbarInfo {
    std::string name;
    std::string track; // picture file
    std::string thumb; // second picture file
    SkinRect rect;
    std::string extra1;
    std::string extra2;
    bool horizontal = false;
    std::string extra3;
};

struct SkinProgressInfo {
    std::string name;
    std::string picture;
    SkinRect rect;
    bool horizontal = false;
};

struct WindowSkinDescription {
    std::string folder; // pictures are relative to it
    std::string main, mask, over, down, disabled;
    std::vector<SkinButtonInfo> buttons;
    std::vector<SkinTextInfo> texts;
    std::vector<SkinTrackbarInfo> trackbars;
    std::vector<SkinProgressInfo> progressBars;
};

// Splits a value at every ","; each token is trimmed of blanks at both ends.
std::vector<std::string> SplitSkinTokens(const std::string& value);
// Leading decimal digits with an optional sign, like the profile reader's integers; anything
// else is 0, and values out of the int range saturate.
int SkinTokenInt(const std::string& token);

// Reads file; false when it does not exist (the window then stays unskinned). Control lines
// are read by keys "1".."n" (n = the number of keys in the section, at most
// kMaxSkinControlsPerSection); an empty line makes no control. Tokens missing at the end
// read as empty (numbers as 0).
bool ReadWindowSkinDescription(const std::string& file, WindowSkinDescription* description);

// A picture named in a description, as a path: empty when the name is empty or not a plain
// file name (a skin must not reach outside its own folder).
std::string SkinPicturePath(const std::string& folder, const std::string& name);

} // namespace orv
