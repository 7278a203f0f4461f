#include "controls/receivers/parameterlayout.h"

#include <algorithm>

namespace korvel::receivers {
namespace {

// The setting number of a key: one letter, then decimal digits naming 0..3.
std::optional<int> SettingNumber(std::string_view key) {
    if (key.size() < 2) return std::nullopt;
    int n = 0;
    for (char c : key.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        n = std::min(n * 10 + (c - '0'), kSettingFields); // leading zeros allowed; large is out
    }
    if (n >= kSettingFields) return std::nullopt;
    return n;
}

} // namespace

ParameterLayout ParseParameterLayout(std::string_view layout) {
    ParameterLayout result;
    std::size_t start = 0;
    while (start <= layout.size()) {
        const std::size_t end = std::min(layout.find('\0', start), layout.size());
        const std::string_view item = layout.substr(start, end - start);
        if (item.empty()) break;
        start = end + 1;

        const std::size_t equals = item.find('=');
        const std::string_view key = item.substr(0, equals);
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = item.substr(equals + 1);
            value = value.substr(0, value.find('='));
        }
        const std::optional<int> n = SettingNumber(key);
        if (!n) continue;
        SettingLayout& setting = result[static_cast<std::size_t>(*n)];
        switch (key[0]) {
        case 'L': setting.Label = Bytes(value); break;
        case 'C': {
            setting.IsList = true;
            setting.Choices.clear();
            std::size_t from = 0;
            while (from <= value.size()) {
                const std::size_t to = std::min(value.find(';', from), value.size());
                if (to == from) break;
                setting.Choices.emplace_back(value.substr(from, to - from));
                from = to + 1;
            }
            break;
        }
        case 'T': setting.IsText = true; break;
        default: break;
        }
    }
    return result;
}

} // namespace korvel::receivers
