// The byte layer and the environment of the record data files.
#include "core/clientstate.h"
#include "core/datafile.h"
#include "datafile_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace korvel;
using korvel::testing::ScriptedRandom;
using korvel::testing::TempFolder;
namespace fs = std::filesystem;

namespace {
Bytes B(std::initializer_list<int> v) {
    Bytes s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}


} // namespace

TEST(DataFileLayer, DatesAreDaysSinceTheZeroDate) {
    struct Case { DateTime date; Bytes bytes; } cases[] = {
        {DateTime::Zero(), B({0, 0, 0, 0, 0, 0, 0, 0})},
        // 2.25 days: 1900-01-01 06:00
        {DateTime::FromParts(1900, 1, 1, 6), B({0, 0, 0, 0, 0, 0, 0x02, 0x40})},
        // -1.25: 1899-12-29 06:00 (whole days back, the fraction forward)
        {DateTime::FromParts(1899, 12, 29, 6), B({0, 0, 0, 0, 0, 0, 0xF4, 0xBF})},
    };
    for (const auto& c : cases) {
        FileWriter w;
        w.Date(c.date);
        EXPECT_EQ(w.bytes(), c.bytes) << c.date.ToIsoText();
        FileReader r(c.bytes);
        EXPECT_EQ(r.Date(), c.date);
    }
    Bytes nanBytes = B({0, 0, 0, 0, 0, 0, 0xF8, 0x7F});
    FileReader nan(nanBytes);
    EXPECT_THROW(nan.Date(), DecodeError);
}

// Fields a file cannot carry, and lengths of 0x8000 and more (never negative).
TEST(DataFileLayer, SettingCodesAndLongTexts) {
    FileWriter w;
    EXPECT_THROW(w.Setting(TaggedValue{9, ""}), EncodeError);
    EXPECT_THROW(w.Setting(TaggedValue{SettingLong, "ab"}), EncodeError);
    EXPECT_THROW(w.Text(Bytes(65536, 'x')), EncodeError);
    Bytes unknownCode = B({9, 0, 0, 0});
    FileReader unknown(unknownCode);
    EXPECT_THROW(unknown.Setting(), DecodeError);
    w.Text(Bytes(0x8000, 'q'));
    FileReader longText(w.bytes());
    EXPECT_EQ(longText.Text().size(), 0x8000u);
}

TEST(DataFileLayer, WholeWriteReplacesAndLeavesNoTemporaryFile) {
    TempFolder dir;
    PosixDataFileSystem files;
    std::string path = (dir.path / "a.dat").string();
    files.WriteWhole(path, Bytes(5000, 'x'));
    files.WriteWhole(path, "short");
    EXPECT_EQ(ReadFile(path), "short");
    EXPECT_EQ(files.ReadWhole(path), "short");
    EXPECT_TRUE(files.FileIsThere(path));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
    files.Remove(path);
    EXPECT_FALSE(files.FileIsThere(path));
    EXPECT_THROW(files.Remove(path), FileError);
    EXPECT_THROW(files.ReadWhole(path), FileError);
    EXPECT_FALSE(files.FileIsThere(dir.path.string()));
    EXPECT_THROW(files.Remove(dir.path.string()), FileError);
}

TEST(DataFileLayer, WriteIntoReadOnlyFolderKeepsOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    TempFolder dir;
    PosixDataFileSystem files;
    std::string path = (dir.path / "a.dat").string();
    files.WriteWhole(path, "old");
    fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(files.WriteWhole(path, "new"), FileError);
    EXPECT_EQ(ReadFile(path), "old");
}

TEST(DataFileLayer, DrawFreeIdentity) {
    TempFolder dir;
    DataFileEnvironment env;
    auto pathOf = [&](int16_t id) { return (dir.path / ("f" + std::to_string(id))).string(); };
    auto touch = [&](int id) { std::ofstream(pathOf(static_cast<int16_t>(id))) << "x"; };

    // r = 0 gives 1, r just below 1 gives 9991, 0.5 gives 4996 (9990 * 0.5 + 1).
    env.Random = std::make_shared<ScriptedRandom>(std::vector<double>{0.0, 0.5, 0.9999999});
    EXPECT_EQ(DrawFreeIdentity(env, pathOf), 1);
    touch(1);
    EXPECT_EQ(DrawFreeIdentity(env, pathOf), 4996);
    EXPECT_EQ(DrawFreeIdentity(env, pathOf), 9991);

    // Draws that keep hitting taken identities end in a scan for the lowest free one.
    env.Random = std::make_shared<ScriptedRandom>(std::vector<double>{0.0});
    touch(2);
    EXPECT_EQ(DrawFreeIdentity(env, pathOf), 3);
}

