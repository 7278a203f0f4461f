// Area prefix, country filter, fields, time texts, file look-up, the system
// configuration that stands in for the registry, and the connection status text.
#include "core/numeric.h"
#include "core/procedures.h"
#include "tests/core/fakesocket.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

using namespace korvel;
using korvel::testing::FakeSocket;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/korvel-test-XXXXXX";
        m_Path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(m_Path); }
    fs::path Write(const std::string& name, const std::string& content) const {
        fs::path p = m_Path / name;
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    const fs::path& Path() const { return m_Path; }

private:
    fs::path m_Path;
};

const std::string kKey = "[SOFTWARE\\Brenfal\\Korvel ActiveX Client\\Version 3]\n";

} // namespace

TEST(Area, PrefixIsAreaAndBackslashIgnoringCase) {
    ClientState state;
    EXPECT_TRUE(IsNameInArea(state, "anything"));
    EXPECT_EQ(RemoveAreaFromName(state, "North\\Door 1"), "North\\Door 1");
    EXPECT_EQ(AddAreaToName(state, "Door 1"), "Door 1");

    state.Area = "North";
    struct Case {
        const char* name;
        bool in;
        const char* removed;
        const char* added;
    } cases[] = {
        {"north\\Door 1", true, "Door 1", "north\\Door 1"},
        {"Door 1", false, "Door 1", "North\\Door 1"},
        {"South\\Door 1", false, "South\\Door 1", "South\\Door 1"},
        {"North", false, "North", "North\\North"},
        {"North\\", true, "", "North\\"},
        {"Northern\\x", false, "Northern\\x", "Northern\\x"},
        {"North/x", false, "North/x", "North\\North/x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsNameInArea(state, c.name), c.in) << c.name;
        EXPECT_EQ(RemoveAreaFromName(state, c.name), c.removed) << c.name;
        EXPECT_EQ(AddAreaToName(state, c.name), c.added) << c.name;
    }
    state.Area = "\xE5sen"; // cp1252 lower-case a-ring compares with its upper case
    EXPECT_TRUE(IsNameInArea(state, "\xC5SEN\\x"));
}

TEST(CountryFilter, ListsFilterAndSwitch) {
    ClientState state;
    state.ReceiverTypes.Count = 2;
    state.ReceiverTypes.Rows[0].CountryList = "se,NO";
    state.ReceiverTypes.Rows[1].CountryList = "";
    EXPECT_TRUE(IsReceiverTypeInCountryFilter(state, 0)) << "filter off";
    state.UseCountryFilterSetting = true;
    EXPECT_FALSE(IsReceiverTypeInCountryFilter(state, 0)) << "filter on but empty";
    EXPECT_TRUE(IsReceiverTypeInCountryFilter(state, 1)) << "a type without countries always passes";
    struct Case {
        const char* filter;
        bool passes;
    } cases[] = {{"SE", true}, {"DK,no", true}, {"S", false}, {"DK", false}, {",SE", false}, {"DK,,SE", false}};
    for (const auto& c : cases) {
        state.CountryFilterSetting = c.filter;
        EXPECT_EQ(IsReceiverTypeInCountryFilter(state, 0), c.passes) << c.filter;
    }
    EXPECT_FALSE(IsReceiverTypeInCountryFilter(state, -1));
    EXPECT_FALSE(IsReceiverTypeInCountryFilter(state, 300));
}

TEST(GetField, SeparatorsAndMissingFields) {
    Bytes sep;
    EXPECT_EQ(GetField("a;b;c", 1, sep), "b");
    EXPECT_EQ(sep, ";");
    sep.clear();
    EXPECT_EQ(GetField("a\tb;c", 1, sep), "b;c");
    EXPECT_EQ(sep, "\t");
    sep.clear();
    EXPECT_EQ(GetField("abc", 0, sep), "") << "no separator: every field is empty";
    EXPECT_EQ(sep, "");
    EXPECT_EQ(GetField("a,b", 3, ","), "");
    EXPECT_EQ(GetField("a,b", 2, ","), "");
    EXPECT_EQ(GetField("a,b,", 2, ","), "");
    EXPECT_EQ(GetField("a,,b", 2, ","), "b");
    EXPECT_EQ(GetField("a,b", -1, ","), "");
    EXPECT_EQ(GetField(std::string("x\0y", 3), 1, std::string(1, '\0')), "y");
    EXPECT_EQ(GetField("k1<>k2", 1, "<>"), "k2");
}

TEST(ConvertTimeTextToMinutes, Texts) {
    struct Case {
        const char* text;
        int want;
    } cases[] = {
        {"7:30", 450}, {"24:00", 1440}, {"25", 1440}, {"7", 420}, {"0", 0}, {"", 0}, {"-5", 5},
        {"730", 450}, {"1230", 750}, {"05", 5}, {"7.30", 450}, {"7,30", 450}, {"7 30", 450},
        {"7+30", 450}, {"12", 720}, {"99:99", 1440}, {"abc", 0}, {"0:0.5", 0}, {"0:1.5", 2},
        {"12:30:45", 750}, {"1e9:0", 1440}, {"12345", 1425}, {"2359", 1439},
    };
    for (const auto& c : cases) EXPECT_EQ(ConvertTimeTextToMinutes(c.text), c.want) << '"' << c.text << '"';
}

TEST(FileExists, RegularFilesAndWildcards) {
    TempDir dir;
    dir.Write("cal.dat", "x");
    dir.Write("[a].txt", "x");
    fs::create_directory(dir.Path() / "sub.dat");
    std::string base = dir.Path().string() + "/";
    struct Case {
        std::string path;
        bool want;
    } cases[] = {
        {base + "cal.dat", true}, {base + "CAL.dat", false}, {base + "*.dat", true}, {base + "c?l.dat", true},
        {base + "sub.dat", false}, {base + "s*", false}, {base + "[a].txt", true}, {base + "a.txt", false},
        {base + "[ab].txt", false}, {"", false}, {base + "missing/x", false},
    };
    for (const auto& c : cases) EXPECT_EQ(FileExists(c.path), c.want) << c.path;
}

TEST(Registry, TypedValuesDefaultsAndLimits) {
    TempDir dir;
    std::string conf = dir.Write("client.conf",
        "; system configuration\n"
        "[Other]\nServerPort=dword:1\n" + kKey +
        "  ServerAddress = alarm.example.org \r\n"
        "ServerPort=dword:00000a0a\n"
        "area=\"  Nord \xC3\xB6 \"\n"
        "Long=" + std::string(1023, 'x') + "\n"
        "TooLong=" + std::string(1024, 'x') + "\n"
        "Odd=dword:123456789\n"
        "Empty=\n"
        "ServerAddress=second\n").string();
    struct Case {
        const char* name;
        std::string want;
    } cases[] = {
        {"ServerAddress", "alarm.example.org"}, // first occurrence, blanks dropped
        {"SERVERPORT", "&h00000A0A"},
        {"Area", "  Nord \xF6 "},              // UTF-8 file, Windows-1252 value
        {"Long", std::string(1023, 'x')},
        {"TooLong", "dflt"},
        {"Odd", "dword:123456789"},            // not a 32-bit number: a text
        {"Empty", ""},
        {"Missing", "dflt"},
    };
    for (const auto& c : cases) EXPECT_EQ(GetRegistryValue(c.name, "dflt", kClientRegistryKey, conf), c.want) << c.name;
    EXPECT_EQ(GetRegistryValue("ServerPort", "dflt", "software\\other\\key", conf), "dflt");
    EXPECT_EQ(GetRegistryValue("ServerPort", "dflt", kClientRegistryKey, dir.Path().string() + "/none"), "dflt");
    EXPECT_EQ(GetRegistryValue("ServerPort", "dflt", "Other", conf), "&h00000001");
}

// Only a regular file of at most 1 MiB is read, and opening never waits: a FIFO without a
// writer, a device that never ends and a larger file count as missing. A line too long
// for any value that fits is skipped.
TEST(Registry, BoundedRegularFileOnlyAndLongLinesSkipped) {
    TempDir dir;
    const std::string fifo = (dir.Path() / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string value = kKey + "ServerAddress=alarm\n";
    const std::string full = value + "; " + std::string(kSystemConfigMaxBytes - value.size() - 3, 'x') + "\n";
    ASSERT_EQ(full.size(), kSystemConfigMaxBytes);
    const std::string exact = dir.Write("exact.conf", full).string();
    const std::string over = dir.Write("over.conf", full + "\n").string();
    fs::create_symlink(exact, dir.Path() / "link.conf");
    EXPECT_EQ(GetRegistryValue("ServerAddress", "dflt", kClientRegistryKey, exact), "alarm");
    EXPECT_EQ(GetRegistryValue("ServerAddress", "dflt", kClientRegistryKey, (dir.Path() / "link.conf").string()),
              "alarm");
    for (const std::string& path : {over, fifo, std::string("/dev/zero"), dir.Path().string()})
        EXPECT_EQ(GetRegistryValue("ServerAddress", "dflt", kClientRegistryKey, path), "dflt") << path;

    const std::string longLine = std::string(kSystemConfigMaxLineBytes, 'x');
    const SystemConfig config = SystemConfig::FromText(
        kKey + "Area=" + longLine + "\nArea=North\n[" + longLine + "]\nServerAddress=other key\n");
    EXPECT_EQ(GetRegistryValue("Area", "dflt", kClientRegistryKey, config), "North");
    EXPECT_EQ(GetRegistryValue("ServerAddress", "dflt", kClientRegistryKey, config), "dflt");
}

TEST(Registry, EnvironmentChoosesTheFile) {
    ASSERT_EQ(setenv("KORVEL_SYSTEM_CONFIG", "/somewhere/else.conf", 1), 0);
    EXPECT_EQ(SystemConfigPath(), "/somewhere/else.conf");
    unsetenv("KORVEL_SYSTEM_CONFIG");
    EXPECT_EQ(SystemConfigPath(), "/etc/korvel/client.conf");
}

TEST(ReadRegistrySettings, LoadsTheFourValuesAndRefusesBadPorts) {
    TempDir dir;
    struct Case {
        std::string port;
        int32_t want;
    } cases[] = {
        {"dword:00000a0a", 2570}, {"2570", 2570}, {"2570x", 2570}, {"65535", 65535}, {"1", 1},
        {"65536", 0}, {"0", 0}, {"-1", 0}, {"dword:ffffffff", 0}, {"99999999999", 0}, {"", 0}, {"port", 0},
    };
    for (const auto& c : cases) {
        std::string conf = dir.Write("c.conf", kKey + "ServerAddress=alarm\nServerPort=" + c.port +
                                                  "\nArea=North\nIgnoreCtrlWhenEnablingOrDisabling=dword:1\n")
                               .string();
        ClientState state;
        state.ConnectAttempted = true;
        ReadRegistrySettings(state, conf);
        EXPECT_EQ(state.ServerPort, c.want) << c.port;
        EXPECT_FALSE(state.ConnectAttempted);
        EXPECT_EQ(state.ServerAddress, "alarm");
        EXPECT_EQ(state.Area, "North");
        EXPECT_TRUE(state.IgnoreCtrlWhenEnablingOrDisabling);
    }
    ClientState state;
    state.ServerAddress = "old";
    ReadRegistrySettings(state, dir.Path().string() + "/missing.conf");
    EXPECT_EQ(state.ServerAddress, "");
    EXPECT_EQ(state.ServerPort, 0);
    EXPECT_FALSE(state.IgnoreCtrlWhenEnablingOrDisabling);
}

TEST(ConnectionStatus, TextsAndVisibility) {
    FakeSocket socket;
    socket.Host = "10.0.0.5";
    socket.Port = 2570;
    ClientState state;
    state.ServerSocket = &socket;
    struct Case {
        const char* address;
        int32_t port;
        const char* text;
    } cases[] = {
        {"", 0, "Disconnected (missing ServerAddress and ServerPort)"},
        {"", 2570, "Disconnected (missing ServerAddress)"},
        {"alarm", 0, "Disconnected (missing ServerPort)"},
        {"alarm", 2570, "Disconnected from 10.0.0.5:2570"},
    };
    for (const auto& c : cases) {
        state.ServerAddress = c.address;
        state.ServerPort = c.port;
        EXPECT_EQ(GetConnectionStatus(state).Text, c.text);
    }
    socket.StateValue = SocketConnecting;
    EXPECT_TRUE(GetConnectionStatus(state).Visible);
    socket.StateValue = SocketConnected;
    EXPECT_FALSE(GetConnectionStatus(state).Visible);
}

// The numeric value behind ports, flags and settings: which blanks, signs and sizes
// it takes.
TEST(NumericValueForSettings, BlanksSignsAndOverflow) {
    struct Case {
        const char* text;
        double want;
    } cases[] = {
        {"\r\n 5", 5}, {"\xA0" "5", 0}, {"5 ", 5}, {"+-5", 0}, {"--5", 0}, {"- &h10", 0},
        {"-&hFFFFFFFF", 1}, {"&h80000000", -2147483648.0}, {"&h000000000A", 10}, {"1e308", 1e308},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(NumericValue(c.text), c.want) << '"' << c.text << '"';
    EXPECT_EQ(NumericValueAsInt32("2147483647.5"), std::nullopt) << "rounds to 2^31";
    EXPECT_EQ(NumericValueAsInt32("-2147483648.5"), INT32_MIN);
    EXPECT_EQ(NumericValueAsInt32("99999999999999999999"), std::nullopt);
    EXPECT_EQ(NumericValueAsInt32("&hFFFFFFFF"), -1);
}
