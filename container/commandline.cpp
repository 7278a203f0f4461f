#include "container/commandline.h"

#include "core/cp1252.h"
#include "core/numeric.h"

#include <iterator>

namespace korvel::container {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

void TrimInPlace(std::string& text) {
    std::string_view trimmed = TrimBlanks(text);
    if (trimmed.size() != text.size()) text = std::string(trimmed);
}

// A component number 1..6 from a text, or 0.
int16_t ComponentNumber(std::string_view text) {
    if (!IsNumeric(text)) return 0;
    auto number = NumericValueAsInt16(text);
    if (!number || *number < 1 || *number > 6) return 0;
    return *number;
}

} // namespace

std::string GetParameter(std::string_view commandLine, std::string_view name, std::string_view stored) {
    if (!stored.empty()) return std::string(stored);
    std::string option = "/";
    option += name;
    option += ':';
    // Upper-casing keeps every byte in its place, so the position found in the
    // upper-cased text is the position in the text itself.
    const std::size_t at = FindIgnoreCase(commandLine, option);
    if (at == std::string_view::npos) return {};

    std::string value;
    bool inQuotes = false;
    for (std::size_t i = at + option.size(); i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == '"') {
            if (!inQuotes) value.clear();
            inQuotes = !inQuotes;
        } else if (inQuotes) {
            value += c;
        } else if (c == '/') {
            break;
        } else {
            value += c;
            TrimInPlace(value);
        }
    }
    TrimInPlace(value);
    return value;
}

int32_t PortNumber(std::string_view port) { return NumericValueAsInt32(port).value_or(0); }

bool ParametersValid(const StartupParameters& p) {
    if (p.SelectedComponent < 1 || p.SelectedComponent > 6) return false;
    if (TrimBlanks(p.ServerAddress).empty()) return false;
    const double port = NumericValue(p.ServerPort);
    return port > 0 && port < 65536;
}

bool AsksForUsage(std::string_view commandLine) {
    return commandLine.find("/?") != std::string_view::npos;
}

bool AsksForCleanUp(std::string_view commandLine) {
    return FindIgnoreCase(commandLine, "/CleanUp") != std::string_view::npos;
}

std::string UsageText() {
    static constexpr const char* lines[] = {
        "Startup paramaters:",
        "",
        ("/Component    \t1 - Textmessage, 2 - Receivers, 3 - Profiles, 4 - Active Profiles, "
         "5 - Alarm events, 6 - System log"),
        "/ServerAddress\tServer address, either IP-address or DNS address",
        "/ServerPort\tServer port (1..65535)",
        "/Area      \tFilter area (optional)",
        "/Password\tUser password (optional)",
        "/TopMost\tAlways on top",
        "/CleanUp\tRemove stored settings",
        "",
        "Example:",
        "KorvelContainer /ServerAddress:192.168.0.10 /ServerPort:58658 /Component:2",
        "",
        "If any of the non-optional parameters are missing you will first get a selection box.",
    };
    std::string text = lines[0];
    for (std::size_t i = 1; i < std::size(lines); ++i) {
        text += "\r\n";
        text += lines[i];
    }
    return text;
}

std::string RebuildCommandLine(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) text += ' ';
        // An argument that still holds a double quote carries the operator's own quotes
        // (the shell passed them through): quoting it again would turn them inside out.
        if (argument.find('"') != std::string::npos) {
            text += argument;
            continue;
        }
        // Blanks vanish and "/" ends a value outside quotes: the shell took away the quotes
        // that kept them, so they go back around the value (or the whole argument).
        const std::size_t colon = argument.find(':');
        const bool isOption = !argument.empty() && argument[0] == '/' && colon != std::string::npos &&
                              argument.find_first_of(" \t") > colon;
        if (isOption) {
            const std::string_view value = std::string_view(argument).substr(colon + 1);
            text.append(argument, 0, colon + 1);
            if (value.find_first_of(" \t/") == std::string_view::npos) {
                text += value;
            } else {
                text += '"';
                text += value;
                text += '"';
            }
            continue;
        }
        // Anything else: a value the shell split from its option ("/Area: North Wing"),
        // or a stray word. A leading "/" is an option's own; a later one is a value's.
        if (argument.find_first_of(" \t") != std::string::npos ||
            argument.find('/', 1) != std::string::npos) {
            text += '"';
            text += argument;
            text += '"';
        } else {
            text += argument;
        }
    }
    return text;
}

StartupParameters ReadStartupParameters(std::string_view commandLine, const ISettingsStore& store) {
    StartupParameters p;
    p.SelectedComponent = ComponentNumber(GetParameter(commandLine, "Component"));
    auto stored = [&](const char* key) { return store.Get(kApplication, kSection, key, ""); };
    p.ServerAddress = GetParameter(commandLine, "ServerAddress", stored("ServerAddress"));
    p.ServerPort = GetParameter(commandLine, "ServerPort", stored("ServerPort"));
    p.Area = GetParameter(commandLine, "Area", stored("Area"));
    p.Password = GetParameter(commandLine, "Password", stored("Password"));
    p.TopMost = NumericValue(GetParameter(commandLine, "TopMost")) != 0;
    return p;
}

void PrepareForSelection(StartupParameters& p, const ISettingsStore& store) {
    if (p.SelectedComponent == 0)
        p.SelectedComponent = ComponentNumber(store.Get(kApplication, kSection, "Component", "0"));
    p.DisableOptions = NumericValue(store.Get(kApplication, kSection, "DisableOptions", "0")) != 0;
}

void StoreAfterSelection(const StartupParameters& p, ISettingsStore& store) {
    if (p.SelectedComponent > 0)
        store.Save(kApplication, kSection, "Component", std::to_string(p.SelectedComponent));
    store.Save(kApplication, kSection, "ServerAddress", p.ServerAddress);
    store.Save(kApplication, kSection, "ServerPort", p.ServerPort);
    store.Save(kApplication, kSection, "Area", p.Area);
    store.Save(kApplication, kSection, "Password", p.Password);
}

void CleanUp(ISettingsStore& store) { store.Delete(kApplication, kSection); }

} // namespace korvel::container
