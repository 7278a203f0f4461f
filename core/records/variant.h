#pragma once
// The value of a receiver setting: empty, a number, a flag or a text. Settings received
// from the server are always texts; the receiver parameters window stores the chosen
// entry of a list setting as a number. Type codes follow the data files' tagged form
// (core/datafile.h) so a setting can be written and read back as what it was.

#include "core/codec.h"
#include "core/datafile.h"

#include <cstdint>
#include <string_view>
#include <variant>

namespace korvel {

class Variant {
public:
    Variant() = default; // empty
    Variant(const char* text) : m_Value(Bytes(text)) {}
    Variant(std::string_view text) : m_Value(Bytes(text)) {}
    Variant(const Bytes& text) : m_Value(text) {}
    Variant(Bytes&& text) : m_Value(std::move(text)) {}

    // Makes the value that text, reusing the room of a text it held.
    void AssignText(std::string_view text) {
        if (Bytes* held = std::get_if<Bytes>(&m_Value))
            held->assign(text);
        else
            m_Value.emplace<Bytes>(text);
    }

    static Variant Integer(int16_t v) { return Variant(Value(v)); }
    static Variant Long(int32_t v) { return Variant(Value(v)); }
    static Variant Double(double v) { return Variant(Value(v)); }
    static Variant Boolean(bool v) { return Variant(Value(v)); }

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(m_Value); }
    bool IsText() const { return std::holds_alternative<Bytes>(m_Value); }
    // SettingEmpty, SettingInteger, SettingLong, SettingDouble, SettingBoolean or SettingText.
    SettingTypeCode TypeCode() const;

    // The value as text: "" when empty, decimal for numbers (doubles with up to 15
    // significant digits), "True"/"False" for flags.
    Bytes ToText() const;
    // The text itself when the value is a text (no copy); nullptr otherwise.
    const Bytes* TextValue() const { return std::get_if<Bytes>(&m_Value); }
    // True when the value is a number, a flag, empty (which counts as 0) or a text that
    // reads as a number (core/numeric.h); NumericValueOf gives that number.
    bool IsNumericValue() const;
    double NumericValueOf() const;

    bool operator==(const Variant&) const = default;

private:
    using Value = std::variant<std::monostate, int16_t, int32_t, double, bool, Bytes>;
    explicit Variant(Value v) : m_Value(std::move(v)) {}
    Value m_Value;
};

} // namespace korvel
