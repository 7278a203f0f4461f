#include "container/commandline.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::container;

TEST(CommandLine, GetParameterReadsValuesAsTheOperatorTypedThem) {
    struct Case { const char* commandLine; const char* name; const char* value; };
    const Case cases[] = {
        {"/Area:\"North Wing\" /Component:2", "Area", "North Wing"},   // quoted blank stays
        {"/Area:North Wing /Component:2", "Area", "NorthWing"},        // unquoted blanks vanish
        {"/Password:\"a/b c\"/Area:x", "Password", "a/b c"},           // quoted slash stays
        {"/Password:a/b", "Password", "a"},                            // unquoted slash ends it
        {"/Area:junk\"kept\"", "Area", "kept"},                        // text before a quote dropped
        {"/Area:\"kept\"more", "Area", "keptmore"},                    // text after a quote kept
        {"/Area:\"open to the end", "Area", "open to the end"},        // unclosed quote
        {"/sErVeRaDdReSs:Host.Example", "ServerAddress", "Host.Example"}, // name any case, value own case
        {"/Component:1 /Component:2", "Component", "1"},               // first occurrence counts
        {"/ServerPort:58658/ServerAddress:h", "ServerPort", "58658"},
        {"/ServerPort:", "ServerPort", ""},
        {"/Area", "Area", ""},                                         // no colon: not given
        {"/ServerAddressX:1 /ServerAddress:2", "ServerAddress", "2"},
        {"  /Area:   x   ", "Area", "x"},
        // Non-ASCII (Windows-1252) text before the option keeps positions in place.
        {"\xE5\xE4\xF6\xDF\xFF /Area:\xC5rhus /Component:3", "Area", "\xC5rhus"},
        {"/Area:\xE9t\xE9", "Area", "\xE9t\xE9"},
        {"", "Area", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetParameter(c.commandLine, c.name), c.value) << c.commandLine;
    EXPECT_EQ(GetParameter("/Area:x", "Area", "stored"), "stored");
}

TEST(CommandLine, UsageAndCleanUpSwitchesAnywhere) {
    EXPECT_TRUE(AsksForUsage("/?"));
    EXPECT_TRUE(AsksForUsage("/Component:2 /?"));
    // "/?" counts anywhere, even inside a quoted value.
    EXPECT_TRUE(AsksForUsage("/Password:\"a/?b\" /Component:2"));
    EXPECT_FALSE(AsksForUsage("/Component:2 ?"));
    EXPECT_TRUE(AsksForCleanUp("/cleanup"));
    EXPECT_TRUE(AsksForCleanUp("/Component:2 /CLEANUP"));
    EXPECT_FALSE(AsksForCleanUp("/Clean"));

    const std::string usage = UsageText();
    EXPECT_EQ(usage.rfind("Startup paramaters:\r\n\r\n/Component    \t1 - Textmessage, ", 0), 0u);
    EXPECT_NE(usage.find("\r\n/Area      \tFilter area (optional)\r\n"), std::string::npos);
    EXPECT_NE(usage.find("\r\nExample:\r\nKorvelContainer /ServerAddress:"), std::string::npos);
    EXPECT_NE(usage.find(" /ServerPort:58658 /Component:2\r\n\r\nIf any of"), std::string::npos);
    EXPECT_EQ(usage.substr(usage.size() - 16), "a selection box.");
    EXPECT_EQ(std::count(usage.begin(), usage.end(), '\n'), 13);
}

TEST(CommandLine, ValidityNeedsComponentAddressAndPortInRange) {
    struct Case { int16_t component; const char* address; const char* port; bool valid; };
    const Case cases[] = {
        {2, "host", "58658", true},   {2, "host", "58658x", true}, {2, "host", "1", true},
        {2, "host", "65535", true},   {2, "host", "0", false},     {2, "host", "65536", false},
        {2, "host", "x", false},      {2, "host", "-1", false},    {2, "   ", "58658", false},
        {0, "host", "58658", false},  {7, "host", "58658", false}, {-1, "host", "58658", false},
        {6, "host", "&hE522", true},
    };
    for (const auto& c : cases) {
        StartupParameters p;
        p.SelectedComponent = c.component;
        p.ServerAddress = c.address;
        p.ServerPort = c.port;
        EXPECT_EQ(ParametersValid(p), c.valid) << c.component << " " << c.address << " " << c.port;
    }
    EXPECT_EQ(PortNumber("58658x"), 58658);
    EXPECT_EQ(PortNumber("x"), 0);
}

TEST(CommandLine, RebuildQuotesArgumentsTheShellUnquoted) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(RebuildCommandLine({}), "");
    EXPECT_EQ(RebuildCommandLine(Args{"/Component:2", "/ServerPort:1"}), "/Component:2 /ServerPort:1");
    EXPECT_EQ(RebuildCommandLine(Args{"/Area:North Wing", "/TopMost"}), "/Area:\"North Wing\" /TopMost");
    EXPECT_EQ(RebuildCommandLine(Args{"two words"}), "\"two words\"");
    EXPECT_EQ(RebuildCommandLine(Args{"/Password:a/b c"}), "/Password:\"a/b c\"");

    // What the operator meant survives the round trip through the shell.
    const std::string line = RebuildCommandLine(Args{"/Area:North Wing", "/Password:x/y z", "/Component:2"});
    EXPECT_EQ(GetParameter(line, "Area"), "North Wing");
    EXPECT_EQ(GetParameter(line, "Password"), "x/y z");
    EXPECT_EQ(GetParameter(line, "Component"), "2");

    // A "/" ends an unquoted value, so a value holding one is quoted again, blank or not;
    // an option's own leading "/" is not a value's.
    struct Case {
        Args typed; // argv as the shell passes it
        const char* line;
    };
    const Case cases[] = {
        {{"/Password:pa/ss"}, "/Password:\"pa/ss\""},
        {{"/Area:North/Wing", "/ServerAddress:host/x"}, "/Area:\"North/Wing\" /ServerAddress:\"host/x\""},
        {{"/Password:/"}, "/Password:\"/\""},
        {{"/Password:"}, "/Password:"},
        {{"/TopMost", "/CleanUp"}, "/TopMost /CleanUp"},
        {{"/Area:", "a/b"}, "/Area: \"a/b\""}, // typed /Area: "a/b"
        {{"/Area:", "/x"}, "/Area: /x"},
    };
    for (const Case& c : cases) EXPECT_EQ(RebuildCommandLine(c.typed), c.line) << c.line;
    const std::string slashes =
        RebuildCommandLine(Args{"/ServerAddress:host/x", "/Password:pa/ss", "/Area:No/rth", "/Component:3"});
    EXPECT_EQ(GetParameter(slashes, "ServerAddress"), "host/x");
    EXPECT_EQ(GetParameter(slashes, "Password"), "pa/ss");
    EXPECT_EQ(GetParameter(slashes, "Area"), "No/rth");
    EXPECT_EQ(GetParameter(slashes, "Component"), "3");
    EXPECT_EQ(GetParameter(RebuildCommandLine(Args{"/Area:", "a/b"}), "Area"), "a/b");

    // Quotes the shell passed through are the operator's own and stay as typed.
    const std::string quoted = RebuildCommandLine(Args{"/Area:\"North Wing\"", "/Password:\"a/b\""});
    EXPECT_EQ(quoted, "/Area:\"North Wing\" /Password:\"a/b\"");
    EXPECT_EQ(GetParameter(quoted, "Area"), "North Wing");
    EXPECT_EQ(GetParameter(quoted, "Password"), "a/b");
}

TEST(StartupParameters, CommandLineMergesWithStoredValues) {
    MemorySettingsStore store;
    auto read = [&](const char* line) { return ReadStartupParameters(line, store); };

    StartupParameters p = read("/Component:2 /ServerAddress:10.0.0.1 /ServerPort:58658 /TopMost:1");
    EXPECT_EQ(p.SelectedComponent, 2);
    EXPECT_EQ(p.ServerAddress, "10.0.0.1");
    EXPECT_TRUE(p.TopMost);
    EXPECT_TRUE(ParametersValid(p));

    struct TopMostCase { const char* line; bool on; };
    for (auto c : {TopMostCase{"/TopMost", false}, TopMostCase{"/TopMost:0", false},
                   TopMostCase{"/topmost:1", true}, TopMostCase{"/TopMost:x", false}})
        EXPECT_EQ(read(c.line).TopMost, c.on) << c.line;

    struct ComponentCase { const char* line; int16_t component; };
    for (auto c : {ComponentCase{"/Component:6", 6}, ComponentCase{"/Component:7", 0},
                   ComponentCase{"/Component:0", 0}, ComponentCase{"/Component:-3", 0},
                   ComponentCase{"/Component:abc", 0}, ComponentCase{"/Component:2.5", 2},
                   ComponentCase{"/Component:99999", 0}, ComponentCase{"/Component:3abc", 0},
                   ComponentCase{"/Component:3 x", 0}, ComponentCase{"/Component: 3 ", 3},
                   ComponentCase{"/Component:&h3", 3}, ComponentCase{"/Component:", 0}})
        EXPECT_EQ(read(c.line).SelectedComponent, c.component) << c.line;

    // A stored non-empty text wins over the command line; an empty one does not.
    store.Save(kApplication, kSection, "ServerAddress", "stored.host");
    store.Save(kApplication, kSection, "Area", "");
    p = read("/ServerAddress:other.host /Area:A1");
    EXPECT_EQ(p.ServerAddress, "stored.host");
    EXPECT_EQ(p.Area, "A1");

    // The stored component only when none (or none valid) was given.
    store.Save(kApplication, kSection, "Component", "4");
    store.Save(kApplication, kSection, "DisableOptions", "1");
    p = read("/Component:9");
    PrepareForSelection(p, store);
    EXPECT_EQ(p.SelectedComponent, 4);
    EXPECT_TRUE(p.DisableOptions);
    p = read("/Component:3");
    PrepareForSelection(p, store);
    EXPECT_EQ(p.SelectedComponent, 3);
}

TEST(StartupParameters, StoringAfterSelectionAndCleanUp) {
    MemorySettingsStore store;
    StartupParameters p;
    p.SelectedComponent = -1; // cancelled
    p.ServerAddress = "h";
    p.ServerPort = "1";
    p.Password = "secret";
    StoreAfterSelection(p, store);
    EXPECT_EQ(store.Get(kApplication, kSection, "Component", "none"), "none");
    EXPECT_EQ(store.Get(kApplication, kSection, "ServerPort", "none"), "1");
    EXPECT_EQ(store.Get(kApplication, kSection, "Area", "none"), "");
    EXPECT_EQ(store.Get(kApplication, kSection, "Password", "none"), "secret");
    p.SelectedComponent = 5;
    StoreAfterSelection(p, store);
    EXPECT_EQ(store.Get(kApplication, kSection, "Component", "none"), "5");

    store.Save(kApplication, kSection, "Korvel_SysLog.Top", "300");
    store.Save("Other", kSection, "Keep", "1");
    CleanUp(store);
    EXPECT_EQ(store.Get(kApplication, kSection, "Korvel_SysLog.Top", "none"), "none");
    EXPECT_EQ(store.Get(kApplication, kSection, "ServerAddress", "none"), "none");
    EXPECT_EQ(store.Get("Other", kSection, "Keep", "none"), "1");
}
