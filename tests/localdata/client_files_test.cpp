// The client's own files when the disk does not cooperate: writes that fail are reported and
// made again with the next change, damaged files are kept beside themselves before they are
// replaced, permissions survive a rewrite, and call records written on the writer thread are
// all on disk when the list is gone.
#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/data/scramble.h"
#include "platform/profile.h"
#include "tests/localdata/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <random>

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// The files beside path whose names begin "<name>.damaged-".
std::vector<std::string> KeptDamaged(const std::string& path) {
    std::vector<std::string> kept;
    const std::string prefix = fs::path(path).filename().string() + ".damaged-";
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            kept.push_back(entry.path().string());
    }
    return kept;
}

fs::perms Permissions(const std::string& path) {
    return fs::status(path).permissions();
}

// Reports of files not saved, from whichever thread made them.
struct NotSaved {
    std::mutex mutex;
    std::vector<std::string> files;
    void Add(const std::string& file) {
        std::lock_guard<std::mutex> lock(mutex);
        files.push_back(file);
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return files.size();
    }
};

ConfigEnvironment Environment(const TempFolder& home) {
    ConfigEnvironment env;
    env.homeFolder = home.Path();
    env.moduleName = "orvphone";
    env.captureDevices = [] { return std::vector<SoundInputDevice>{{"usbmic", "USB microphone"}}; };
    return env;
}

TEST(ClientFilesTest, SettingsThatCannotBeWrittenAreReportedAndWrittenWithTheNextChange) {
    TempFolder home;
    const std::string settings = home.File("orvphone.cfg");
    fs::create_directory(settings); // a folder where the settings file belongs

    ClientConfig config(Environment(home));
    NotSaved notSaved;
    // The write at load (the sound device) failed already: told as soon as someone listens.
    config.SetNotSavedHandler([&notSaved](const std::string& file) { notSaved.Add(file); });
    ASSERT_EQ(notSaved.Count(), 1u);
    EXPECT_EQ(notSaved.files[0], settings);
    config.Video().frameRate = 15;
    EXPECT_FALSE(config.SaveVideo());
    EXPECT_EQ(notSaved.Count(), 2u);
    EXPECT_TRUE(fs::is_directory(settings)) << "what stands there is left alone";

    // Once the path is free, the next change of any group writes what was not saved too.
    fs::remove(settings);
    config.Comm().keepAlive = 7;
    ASSERT_TRUE(config.SaveComm());
    EXPECT_EQ(GetProfileInt("Video", "FrameRate", 0, settings), 15);
    EXPECT_EQ(GetProfileString("Audio", "Device", "", settings), "usbmic");
    EXPECT_EQ(GetProfileInt("Comm", "KeepAlive", 0, settings), 7);
    EXPECT_EQ(notSaved.Count(), 2u);

    // A rewrite keeps the file's permissions.
    fs::permissions(settings, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(config.SaveGeneral());
    EXPECT_EQ(Permissions(settings), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ClientFilesTest, ADamagedSettingsFileIsKeptBesideItselfOnceAndItsGoodKeysStay) {
    TempFolder home;
    const std::string settings = home.File("orvphone.cfg");
    std::string text = "[Comm]\nKeepAlive=9\n";
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>(random());
    text += "\n[Video]\nFrameRate=12\n[Vid"; // and torn at the end
    test::WriteText(settings, text);

    ClientConfig config(Environment(home)); // its load writes the sound device
    const auto kept = KeptDamaged(settings);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(test::ReadText(kept[0]), text);
    EXPECT_EQ(config.Comm().keepAlive, 9);
    EXPECT_EQ(GetProfileInt("Comm", "KeepAlive", 0, settings), 9);
    EXPECT_EQ(GetProfileInt("Video", "FrameRate", 0, settings), 12);
    EXPECT_EQ(test::ReadText(settings).find("[Vid\n"), std::string::npos)
        << "the torn line is not carried over";

    ASSERT_TRUE(config.SaveAudio());
    ClientConfig again(Environment(home));
    EXPECT_EQ(KeptDamaged(settings).size(), 1u) << "a clean file is not kept again";
}

TEST(ClientFilesTest, CallRecordsAreKeptThroughDamageFailedWritesAndTheEndOfTheList) {
    TempFolder home;
    const std::string file = home.File("8001/CallRecord.dat");
    NotSaved notSaved;

    // A file of noise with a torn record at its end: kept beside itself at the first save,
    // and only then.
    fs::create_directory(home.File("8001"));
    std::vector<std::uint8_t> noise(3 * kCallRecordSize + 50);
    std::mt19937 random(3);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    test::WriteBytes(file, noise);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    {
        CallRecordList list(home.Path());
        list.SetNotSavedHandler([&notSaved](const std::string& path) { notSaved.Add(path); });
        ASSERT_EQ(list.Load("8001"), 1);
        ASSERT_EQ(list.Add(1, 0, 1, "8001", "8002", kDialledCall, 1), 1);
        list.Flush();
        auto kept = KeptDamaged(file);
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(test::ReadBytes(kept[0]), noise);
        EXPECT_EQ(Permissions(file),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

        // A write that fails (a folder took the file's place) is reported; the records stay
        // in memory and the next change writes them all.
        fs::remove(file);
        fs::create_directory(file);
        ASSERT_EQ(list.Add(1, 0, 2, "8001", "8003", kDialledCall, 1), 1);
        list.Flush();
        ASSERT_EQ(notSaved.Count(), 1u);
        EXPECT_EQ(notSaved.files[0], file);
        fs::remove(file);
        for (std::uint32_t id = 3; id <= 40; ++id) {
            ASSERT_EQ(list.Add(1, 0, id, "8001", "8004", kDialledCall, 1), 1);
        }
        // No flush: the list's end writes what waits.
    }
    EXPECT_EQ(KeptDamaged(file).size(), 1u);
    EXPECT_EQ(notSaved.Count(), 1u);
    CallRecordList reloaded(home.Path());
    ASSERT_EQ(reloaded.Load("8001"), 1);
    EXPECT_EQ(reloaded.Records().size(), 40u);
}

} // namespace
} // namespace orv
