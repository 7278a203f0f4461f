#include "core/records/variant.h"

#include "core/numeric.h"

#include <cstdio>
#include <string>

namespace korvel {

SettingTypeCode Variant::TypeCode() const {
    switch (m_Value.index()) {
    case 1: return SettingInteger;
    case 2: return SettingLong;
    case 3: return SettingDouble;
    case 4: return SettingBoolean;
    case 5: return SettingText;
    default: return SettingEmpty;
    }
}

Bytes Variant::ToText() const {
    switch (m_Value.index()) {
    case 1: return std::to_string(std::get<int16_t>(m_Value));
    case 2: return std::to_string(std::get<int32_t>(m_Value));
    case 3: {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.15G", std::get<double>(m_Value));
        return buffer;
    }
    case 4: return std::get<bool>(m_Value) ? "True" : "False";
    case 5: return std::get<Bytes>(m_Value);
    default: return Bytes();
    }
}

bool Variant::IsNumericValue() const {
    if (const Bytes* text = TextValue()) return IsNumeric(*text);
    return true;
}

double Variant::NumericValueOf() const {
    switch (m_Value.index()) {
    case 1: return std::get<int16_t>(m_Value);
    case 2: return std::get<int32_t>(m_Value);
    case 3: return std::get<double>(m_Value);
    case 4: return std::get<bool>(m_Value) ? -1.0 : 0.0;
    case 5: return NumericValue(std::get<Bytes>(m_Value));
    default: return 0.0;
    }
}

} // namespace korvel
