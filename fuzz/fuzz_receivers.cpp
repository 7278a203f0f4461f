// The receivers editor's reader of a receiver type's parameter layout (a text the server
// sends): any bytes give a layout whose labels and choices hold no separator and whose
// choices are never empty.
#include "controls/receivers/parameterlayout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const korvel::receivers::ParameterLayout layout = korvel::receivers::ParseParameterLayout(text);
    for (const auto& setting : layout) {
        if (setting.Label && (setting.Label->find('\0') != std::string::npos || setting.Label->find('=') != std::string::npos))
            std::abort();
        if (!setting.IsList && !setting.Choices.empty()) std::abort();
        for (const auto& choice : setting.Choices)
            if (choice.empty() || choice.find(';') != std::string::npos || choice.find('\0') != std::string::npos)
                std::abort();
    }
    return 0;
}
