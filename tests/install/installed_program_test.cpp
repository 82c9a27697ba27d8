// An installed program folder (a private folder with the install marker, its commands as
// links in the folder the marker names): the autostart entry written by the client starts
// the command, not the private folder's file; without the marker, or when the command is
// missing or the marker names a folder that is not there, the program's own file is used.
#include "client/data/client_config.h"
#include "platform/installed_layout.h"
#include "tests/app/file_wait.h"
#include "tests/server/test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace orv {
namespace {

namespace fs = std::filesystem;

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

TEST(InstalledProgram, TheAutostartEntryStartsTheInstalledCommand) {
    TestFolder root;
    const std::string prefix = fs::canonical(root.Path()).string();
    const std::string privateFolder = prefix + "/lib/orv";
    fs::create_directories(privateFolder);
    fs::create_directories(prefix + "/bin");
    fs::copy_file("/bin/true", privateFolder + "/orvphone");
    fs::create_symlink("../lib/orv/orvphone", prefix + "/bin/orvphone");
    const std::string own = privateFolder + "/orvphone";

    // A build folder: no marker, the program's own file.
    EXPECT_FALSE(RunsInstalled(privateFolder));
    EXPECT_EQ(InstalledCommandPath(privateFolder, "orvphone"), own);

    WriteText(privateFolder + "/" + kInstalledMarkerName, "[Installed]\nPrograms=../../bin\n");
    EXPECT_TRUE(RunsInstalled(privateFolder));
    EXPECT_EQ(InstalledCommandPath(privateFolder, "orvphone"), prefix + "/bin/orvphone");
    EXPECT_EQ(InstalledCommandPath(privateFolder, "orvcli"), privateFolder + "/orvcli"); // no such command
    EXPECT_EQ(InstalledCommandPath(privateFolder, "../bin/orvphone"), privateFolder + "/../bin/orvphone");

    ConfigEnvironment environment;
    environment.programFolder = privateFolder;
    environment.homeFolder = root.File("home");
    environment.moduleName = "orvphone";
    environment.autostartFolder = root.File("autostart");
    fs::create_directories(environment.homeFolder);
    {
        ClientConfig config(environment);
        EXPECT_EQ(config.ProgramPath(), prefix + "/bin/orvphone");
        config.General().autoRun = 1;
        ASSERT_TRUE(config.SaveGeneral());
    }
    EXPECT_NE(ReadAll(root.File("autostart/orvphone.desktop")).find("Exec=\"" + prefix + "/bin/orvphone\"\n"),
              std::string::npos)
        << ReadAll(root.File("autostart/orvphone.desktop"));

    // A marker naming a folder that is not there falls back to the program's own file.
    WriteText(privateFolder + "/" + kInstalledMarkerName, "[Installed]\nPrograms=../../nowhere\n");
    EXPECT_EQ(ClientConfig(environment).ProgramPath(), own);
}

} // namespace
} // namespace orv
