// skingen: draws the default skin and packs it.
//   skingen TREE OUTPUT
//   skingen --icons FOLDER   the desktop's icons (hicolor layout) instead
// TREE is a scratch folder (emptied first) for the unpacked trees; OUTPUT receives "orv.dat"
// (main window, video window, settings theme) and "Conf.dat" (conference window).
// Runs at build time on Qt's offscreen platform.
#include "client/data/atomic_file.h"
#include "client/data/skin_pack.h"
#include "client/data/skin_paths.h"
#include "tools/skingen/desktop_icons.h"
#include "tools/skingen/frame_skin.h"
#include "tools/skingen/main_skin.h"
#include "tools/skingen/menu_icons.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool MakeFolder(const QString& path) {
    if (QDir().mkpath(path)) return true;
    std::fprintf(stderr, "skingen: cannot create %s\n", path.toUtf8().constData());
    return false;
}

bool Pack(const QString& folder, const QString& archivePath) {
    std::vector<std::uint8_t> archive;
    std::string error;
    if (!orv::PackSkinFolder(folder.toStdString(), &archive, &error)) {
        std::fprintf(stderr, "skingen: %s\n", error.c_str());
        return false;
    }
    if (!orv::WriteFileAtomically(archivePath.toStdString(), archive)) {
        std::fprintf(stderr, "skingen: cannot write %s\n", archivePath.toUtf8().constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Drawing needs no display; run by hand it must not need one either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: skingen TREE OUTPUT | skingen --icons FOLDER\n");
        return 2;
    }
    if (std::string(argv[1]) == "--icons") return skingen::WriteDesktopIcons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    const QString tree = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    std::error_code ignored;
    std::filesystem::remove_all(tree.toStdString(), ignored);

    const QString mainTree = tree + "/orv";
    const QString confTree = tree + "/conf";
    const QString mainDlg = mainTree + "/MainDlg";
    const QString videoDlg = mainTree + "/VideoDlg";
    const QString cfgDlg = mainTree + "/CfgDlg";
    const QString confDlg = confTree + "/ConfDlg";
    for (const QString& folder : {mainDlg, videoDlg, cfgDlg, confDlg, output}) {
        if (!MakeFolder(folder)) return 1;
    }
    const bool drawn = skingen::WriteMainSkin(mainDlg) && skingen::WriteMenuIcons(mainDlg) &&
                       skingen::WriteVideoSkin(videoDlg) && skingen::WriteConferenceSkin(confDlg) &&
                       skingen::WriteThemeSkin(cfgDlg);
    if (!drawn) return 1;
    if (!Pack(mainTree, output + "/" + orv::kMainSkinArchive)) return 1;
    if (!Pack(confTree, output + "/" + orv::kConferenceSkinArchive)) return 1;
    return 0;
}
