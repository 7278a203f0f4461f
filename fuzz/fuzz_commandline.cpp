// The host program's command-line reader on arbitrary text: never reads outside the
// text, and its values obey their rules whatever the quotes and slashes.

#include "container/commandline.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::container;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    MemorySettingsStore store;
    StartupParameters p = ReadStartupParameters(text, store);
    ParametersValid(p);
    AsksForUsage(text);
    AsksForCleanUp(text);
    for (const char* name : {"Component", "ServerAddress", "ServerPort", "Area", "Password", "TopMost"}) {
        const std::string value = GetParameter(text, name);
        if (value.size() > text.size()) std::abort();
        if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) std::abort();
    }
    if (p.SelectedComponent < 0 || p.SelectedComponent > 6) std::abort();

    // The arguments as the shell would split them at NUL bytes, joined again.
    std::vector<std::string> arguments;
    std::string current;
    for (char c : text) {
        if (c == '\0') {
            arguments.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    arguments.push_back(current);
    const std::string line = RebuildCommandLine(arguments);
    GetParameter(line, "Area");
    return 0;
}
