// Where each window finds its skin: fixed folders under "SkinFile" in the home folder, into
// which the skin archives are unpacked at start.
#pragma once

#include <string>

namespace orv {

constexpr char kSkinRootFolder[] = "SkinFile";
constexpr char kMainSkinArchive[] = "orv.dat";
constexpr char kConferenceSkinArchive[] = "Conf.dat";

enum class SkinWindow { Settings, Main, Video, Conference };

// The skin description file name of a window ("theme.ini", "mainbody.ini", "videoWin.ini",
// "Conference.ini").
const char* SkinFileName(SkinWindow window);
// "<home>/SkinFile/CfgDlg" and the like.
std::string SkinFolderPath(const std::string& home, SkinWindow window);
// The window's skin description file inside its skin folder.
std::string SkinFilePath(const std::string& home, SkinWindow window);

} // namespace orv
