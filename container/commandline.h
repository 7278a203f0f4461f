#pragma once
// The host program's start-up parameters: the command-line syntax and its parser, the
// validity rule, and the parameters stored for the user between runs. Qt-free.
//
// Command-line texts here are single-byte Windows-1252, as the rest of the client's
// texts; RebuildCommandLine joins the arguments the shell split apart.

#include "core/settingsstore.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::container {

inline constexpr const char* kApplication = "Korvel Container";
inline constexpr const char* kSection = "Parameters";
inline constexpr const char* kProgramName = "KorvelContainer";

struct StartupParameters {
    int16_t SelectedComponent = 0; // 1..6; 0 not given; -1 selection cancelled
    std::string ServerAddress;
    std::string ServerPort; // as typed
    std::string Area;
    std::string Password;
    bool TopMost = false;
    bool DisableOptions = false;
};

// The value of the option "/" & name & ":" (name in any case; the first occurrence
// counts), or "" when absent. A non-empty stored value is returned unchanged instead.
// The value ends at the next "/" outside double quotes; blanks outside quotes are
// dropped; an opening quote discards what was gathered before it.
std::string GetParameter(std::string_view commandLine, std::string_view name,
                         std::string_view stored = {});

// Component 1..6, a server address, and a port whose numeric value is 1..65535.
bool ParametersValid(const StartupParameters& parameters);

// The port as the number handed to the control (numeric value, nearest integer), or 0.
int32_t PortNumber(std::string_view port);

bool AsksForUsage(std::string_view commandLine);   // "/?" anywhere
bool AsksForCleanUp(std::string_view commandLine); // "/CleanUp" anywhere, any case

// The usage text, lines joined by CR LF, without a final line break.
std::string UsageText();
inline constexpr const char* kUsageTitle = "Korvel ActiveX Container";
inline constexpr const char* kCleanUpText =
    "All stored Korvel Container settings for the active user was removed";

// The command line as one text from the arguments after the program name, as the shell
// split them (its quotes gone). Arguments are joined by one blank. Every value the parser
// would cut or change is quoted again, so that the parser sees what the operator typed:
// an option's value that holds a blank or a "/" ("/Password:pa/ss" gives
// /Password:"pa/ss"), and any other argument that holds a blank or a "/" after its
// first character, as a whole. An argument that still holds a double quote is taken
// as it stands.
std::string RebuildCommandLine(const std::vector<std::string>& arguments);

// Start-up steps before the selection window: the command line merged with the stored
// parameters (a stored non-empty address, port, area or password wins). A "/Component"
// value that is not a number in 1..6 counts as not given.
StartupParameters ReadStartupParameters(std::string_view commandLine, const ISettingsStore& store);

// Before the selection window: the stored component when none was given, and the stored
// "DisableOptions".
void PrepareForSelection(StartupParameters& parameters, const ISettingsStore& store);

// After the selection window: the component when one was chosen, and the four texts
// in any case.
void StoreAfterSelection(const StartupParameters& parameters, ISettingsStore& store);

// Removes every stored parameter (window positions included).
void CleanUp(ISettingsStore& store);

} // namespace korvel::container
