#include "client/data/skin_paths.h"

#include "platform/paths.h"

namespace orv {

namespace {

const char* SkinFolderName(SkinWindow window) {
    switch (window) {
    case SkinWindow::Settings: return "CfgDlg";
    case SkinWindow::Main: return "MainDlg";
    case SkinWindow::Video: return "VideoDlg";
    case SkinWindow::Conference: return "ConfDlg";
    }
    return "";
}

} // namespace

const char* SkinFileName(SkinWindow window) {
    switch (window) {
    case SkinWindow::Settings: return "theme.ini";
    case SkinWindow::Main: return "mainbody.ini";
    case SkinWindow::Video: return "videoWin.ini";
    case SkinWindow::Conference: return "Conference.ini";
    }
    return "";
}

std::string SkinFolderPath(const std::string& home, SkinWindow window) {
    return JoinPath(JoinPath(home, kSkinRootFolder), SkinFolderName(window));
}

std::string SkinFilePath(const std::string& home, SkinWindow window) {
    return JoinPath(SkinFolderPath(home, window), SkinFileName(window));
}

} // namespace orv
