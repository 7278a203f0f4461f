// The byte layer and the environment of the record data files.
#include "core/clientstate.h"
#include "core/datafile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

using namespace korvel;
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

struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string t = (fs::temp_directory_path() / "korvel-datafile-XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
};

class ScriptedRandom final : public IRandomSource {
public:
    explicit ScriptedRandom(std::vector<double> values) : m_Values(std::move(values)) {}
    double Next() override { return m_Values[m_Next++ % m_Values.size()]; }

private:
    std::vector<double> m_Values;
    std::size_t m_Next = 0;
};
} // namespace

TEST(DataFileLayer, NumbersAreLittleEndian) {
    FileWriter w;
    w.Int16(5);
    w.Int16(-1);
    w.Int16(65535);
    w.Int32(0x01020304);
    w.Int32(-2);
    w.Zero(3);
    EXPECT_EQ(w.bytes(), B({5, 0, 0xFF, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0}));
    FileReader r(w.bytes());
    EXPECT_EQ(r.Int16(), 5);
    EXPECT_EQ(r.Int16(), -1);
    EXPECT_EQ(r.Int16(), -1);
    EXPECT_EQ(r.Int32(), 0x01020304);
    EXPECT_EQ(r.Int32(), -2);
    r.Skip(3);
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_THROW(w.Int16(65536), EncodeError);
    EXPECT_THROW(w.Int16(-32769), EncodeError);
}

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

TEST(DataFileLayer, TextAndTaggedSettings) {
    FileWriter w;
    w.Text("AB");
    w.Setting(TaggedValue::Text("xyz"));
    w.Setting(TaggedValue{});
    w.Setting(TaggedValue{SettingInteger, B({7, 0})});
    w.Setting(TaggedValue{SettingDouble, Bytes(8, '\1')});
    EXPECT_EQ(w.bytes(), B({2, 0, 'A', 'B', 8, 0, 3, 0, 'x', 'y', 'z', 0, 0, 2, 0, 7, 0, 5, 0, 1, 1, 1, 1, 1, 1, 1, 1}));
    FileReader r(w.bytes());
    EXPECT_EQ(r.Text(), "AB");
    EXPECT_EQ(r.Setting(), TaggedValue::Text("xyz"));
    EXPECT_EQ(r.Setting(), TaggedValue{});
    EXPECT_EQ(r.Setting(), (TaggedValue{SettingInteger, B({7, 0})}));
    EXPECT_EQ(r.Setting(), (TaggedValue{SettingDouble, Bytes(8, '\1')}));

    EXPECT_THROW(w.Setting(TaggedValue{9, ""}), EncodeError);
    EXPECT_THROW(w.Setting(TaggedValue{SettingLong, "ab"}), EncodeError);
    Bytes unknownCode = B({9, 0, 0, 0});
    FileReader unknown(unknownCode);
    EXPECT_THROW(unknown.Setting(), DecodeError);
    // A length of 0x8000 or more is a length, never negative.
    Bytes big = B({0x00, 0x80}) + Bytes(0x8000, 'q');
    FileReader longText(big);
    EXPECT_EQ(longText.Text().size(), 0x8000u);
}

TEST(DataFileLayer, ReadingPastTheEndRaisesShortFileError) {
    struct Case { Bytes bytes; std::function<void(FileReader&)> read; } cases[] = {
        {B({1}), [](FileReader& r) { r.Int16(); }},
        {B({1, 2, 3}), [](FileReader& r) { r.Int32(); }},
        {Bytes(7, 0), [](FileReader& r) { r.Date(); }},
        {B({3, 0, 'a', 'b'}), [](FileReader& r) { r.Text(); }},
        {B({8, 0, 2, 0, 'a'}), [](FileReader& r) { r.Setting(); }},
        {B({3, 0, 1, 2}), [](FileReader& r) { r.Setting(); }},
        {Bytes(9, 0), [](FileReader& r) { r.Skip(10); }},
    };
    for (auto& c : cases) {
        FileReader r(c.bytes);
        EXPECT_THROW(c.read(r), ShortFileError);
    }
}

TEST(DataFileLayer, NamesAndPaths) {
    EXPECT_EQ(FourDigitNumber(7), "0007");
    EXPECT_EQ(FourDigitNumber(1234), "1234");
    EXPECT_EQ(FourDigitNumber(12345), "2345");
    EXPECT_EQ(FourDigitNumber(-1), "00-1");
    EXPECT_EQ(NativeDataFilePath("/srv/data/Receivers\\Receiver_0007.dat"), "/srv/data/Receivers/Receiver_0007.dat");
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

TEST(DataFileLayer, DefaultRandomSourceIsRepeatableAndInRange) {
    DefaultRandomSource a, b;
    for (int i = 0; i < 10000; ++i) {
        double x = a.Next();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
        ASSERT_EQ(x, b.Next());
    }
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

TEST(DataFileLayer, DrawFreeIdentityFailsWhenAllAreTaken) {
    class Full final : public IDataFileSystem {
    public:
        bool FileIsThere(const std::string&) override { return true; }
        Bytes ReadWhole(const std::string&) override { return {}; }
        void WriteWhole(const std::string&, std::string_view) override {}
        void Remove(const std::string&) override {}
    };
    DataFileEnvironment env;
    env.Files = std::make_shared<Full>();
    EXPECT_THROW(DrawFreeIdentity(env, [](int16_t) { return std::string("x"); }), FileError);
}

TEST(DataFileLayer, StateReachesItsEnvironment) {
    ClientState state;
    EXPECT_EQ(&DataFilesOf(state), &DefaultDataFileEnvironment());
    DataFileEnvironment env;
    std::vector<Bytes> lines;
    env.TraceSink = [&](const Bytes& l) { lines.push_back(l); };
    env.Clock = [] { return DateTime::FromParts(2024, 5, 6, 7, 8, 9); };
    state.DataFiles = &env;
    EXPECT_EQ(DataFilesOf(state).Now(), DateTime::FromParts(2024, 5, 6, 7, 8, 9));
    TraceDataFileLine(state, "line");
    EXPECT_EQ(lines, std::vector<Bytes>{"line"});
}
