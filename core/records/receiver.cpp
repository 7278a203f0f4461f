#include "core/records/receiver.h"

#include "core/cp1252.h"
#include "core/datafile.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/serversettings.h"

#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <utility>

namespace korvel {
namespace {

void CheckSettingIndex(int index) {
    if (index < 0 || index >= kReceiverSettingCount) throw std::out_of_range("receiver setting index outside 0..3");
}

// The six Int16 parts of a Date as sent, read as GetDateFromNetworkBytes reads them.
struct SentDate {
    int year, month, day, hour, minute, second;

    static SentDate Read(std::string_view body, int32_t& position) {
        SentDate d{};
        for (int* part : {&d.year, &d.month, &d.day, &d.hour, &d.minute, &d.second})
            *part = GetIntegerFromNetworkBytes(body, position);
        return d;
    }
    DateTime Value() const { return DateTime::FromParts(year, month, day, hour, minute, second); }

    // True when each part lies in its range (month 1..12, a day of that month, hour,
    // minute and second of a day): only such a date is written back as it came. One whose
    // parts were carried is written back carried.
    bool InRange() const {
        if (month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
            second < 0 || second > 59)
            return false;
        static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    }
};

} // namespace

void cReceiver::AppendNetworkBytes(Bytes& out) const {
    AppendString(out, m_ReceiverName);
    AppendInteger(out, m_Enabled);
    AppendInteger(out, m_DiskIdentity);
    AppendInteger(out, GetReceiverTypeId());
    AppendString(out, m_BackupReceiver);
    AppendDate(out, m_FileDateTimeStamp);
    AppendLong(out, m_KeepAliveInterval);
    for (const Variant& setting : m_Settings) {
        if (const Bytes* text = setting.TextValue())
            AppendString(out, *text);
        else
            AppendString(out, setting.ToText());
    }
}

Bytes cReceiver::CompressToNetworkBytes() const {
    Bytes out;
    std::size_t size = kEmptyReceiverFormLength + m_ReceiverName.size() + m_BackupReceiver.size();
    for (const Variant& setting : m_Settings)
        if (const Bytes* text = setting.TextValue()) size += text->size();
    out.reserve(size);
    AppendNetworkBytes(out);
    return out;
}

void cReceiver::StoreOriginalSettings() { KeepOwnForm(CompressToNetworkBytes()); }

bool cReceiver::HasChangedSinceLastLoadFromDisk() const { return CompressToNetworkBytes() != SavedNetworkBytes(); }

void cReceiver::KeepOwnForm(std::string_view Form) {
    m_SavedNetworkBytes.assign(Form); // keeps its room when it can
    m_SavedListForms.reset();
}

void cReceiver::KeepOwnForm(Bytes&& Form) {
    m_SavedNetworkBytes = std::move(Form);
    m_SavedListForms.reset();
}

void cReceiver::UncompressFromNetworkBytes(ClientState& state, std::string_view PacketData, int32_t& PacketPointer) {
    Parse(state, PacketData, PacketPointer);
}

void cReceiver::UncompressAndStoreOriginalSettings(ClientState& state, std::string_view PacketData,
                                                   int32_t& PacketPointer) {
    const int32_t start = PacketPointer;
    if (Parse(state, PacketData, PacketPointer))
        KeepOwnForm(
            PacketData.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(PacketPointer - start)));
    else
        StoreOriginalSettings();
}

void cReceiver::UncompressAndStoreOriginalSettings(ClientState& state, std::string_view PacketData,
                                                   int32_t& PacketPointer, const std::shared_ptr<Bytes>& ListForms) {
    const int32_t start = PacketPointer;
    if (!Parse(state, PacketData, PacketPointer)) {
        StoreOriginalSettings();
        return;
    }
    const std::string_view form =
        PacketData.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(PacketPointer - start));
    m_SavedListAt = static_cast<uint32_t>(ListForms->size());
    m_SavedListLength = static_cast<uint32_t>(form.size());
    ListForms->append(form);
    m_SavedListForms = ListForms;
    m_SavedNetworkBytes.clear();
}

bool cReceiver::Parse(ClientState& state, std::string_view PacketData, int32_t& PacketPointer) {
    // The texts are views into the form until the whole form has been read; then they are
    // copied into the receiver's own texts, which keep their room when they can.
    int32_t p = PacketPointer;
    const std::string_view name = GetStringViewFromNetworkBytes(PacketData, p);
    int16_t enabled = GetIntegerFromNetworkBytes(PacketData, p);
    int16_t identity = GetIntegerFromNetworkBytes(PacketData, p);
    int16_t typeId = GetIntegerFromNetworkBytes(PacketData, p);
    const std::string_view backup = GetStringViewFromNetworkBytes(PacketData, p);
    const SentDate sent = SentDate::Read(PacketData, p);
    const DateTime stamp = sent.Value();
    int32_t interval = GetLongFromNetworkBytes(PacketData, p);
    std::array<std::string_view, kReceiverSettingCount> settings;
    for (std::string_view& setting : settings) setting = GetStringViewFromNetworkBytes(PacketData, p);
    if (static_cast<std::size_t>(p) > PacketData.size()) throw DecodeError("receiver form ends inside a text");
    // An enabled flag other than 0 and -1 is written back as -1; a date whose parts lie
    // outside their ranges is written back carried.
    const bool exact = (enabled == 0 || enabled == -1) && sent.InRange();

    m_ReceiverName.assign(name);
    m_Enabled = enabled != 0 ? -1 : 0;
    m_DiskIdentity = identity;
    SetReceiverTypeId(state, typeId);
    m_BackupReceiver.assign(backup);
    m_FileDateTimeStamp = stamp;
    m_KeepAliveInterval = interval;
    for (int i = 0; i < kReceiverSettingCount; ++i) m_Settings[i].AssignText(settings[i]);
    PacketPointer = p;
    return exact;
}

Variant cReceiver::GetSetting(int Index) const {
    CheckSettingIndex(Index);
    return m_Settings[Index];
}

void cReceiver::SaveSetting(int Index, Variant NewValue) {
    CheckSettingIndex(Index);
    m_Settings[Index] = std::move(NewValue);
}

void cReceiver::CopyFrom(ClientState& state, const cReceiver& Receiver) {
    if (&Receiver == this) return;
    Bytes form = Receiver.CompressToNetworkBytes();
    int32_t position = 0;
    UncompressFromNetworkBytes(state, form, position);
}

void cReceiver::SetReceiverTypeId(ClientState& state, int16_t TypeId) {
    m_ReceiverTypeId = TypeId;
    m_ReceiverTypeIndex = -1;
    const ReceiverTypeTable& types = state.ReceiverTypes;
    const int bound = types.SearchBound();
    int row = 0;
    while (row < bound && types.Rows[row].TypeId != TypeId) ++row;
    if (row == bound) {
        // The no-type name is only composed when no row names the type; a found row
        // would replace it at once.
        const Bytes text = GetText(state, 1088);
        const Bytes number = FourDigitNumber(TypeId);
        m_ReceiverTypeName.clear();
        m_ReceiverTypeName.reserve(text.size() + number.size() + 4);
        m_ReceiverTypeName.append("(").append(text).append(": ").append(number).append(")");
        return;
    }
    const ReceiverTypeRow& type = types.Rows[row];
    m_ReceiverTypeIndex = static_cast<int16_t>(row);
    m_ReceiverTypeName = type.TypeName;

    m_KeepAliveInterval = 0;
    if (!EqualsIgnoreCase(type.ProtocolCode, "ILM") && !EqualsIgnoreCase(type.ProtocolCode, "ILMTCP")) return;
    const Variant& minutes = m_Settings[1];
    if (minutes.IsNumericValue()) {
        double seconds = RoundHalfEven(minutes.NumericValueOf() * 60.0);
        // An interval that does not fit ends the rule here: the interval stays 0 and the
        // time of the last keep-alive keeps its value.
        if (!(seconds >= std::numeric_limits<int32_t>::min() && seconds <= std::numeric_limits<int32_t>::max()))
            return;
        m_KeepAliveInterval = static_cast<int32_t>(seconds);
    }
    m_LastKeepAlive = m_KeepAliveInterval < 1 ? DateTime::Zero() : DataFilesOf(state).Now();
}

} // namespace korvel
