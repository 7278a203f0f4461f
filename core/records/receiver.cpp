#include "core/records/receiver.h"

#include "core/cp1252.h"
#include "core/datafile.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/serversettings.h"

#include <limits>
#include <stdexcept>
#include <utility>

namespace korvel {
namespace {

void CheckSettingIndex(int index) {
    if (index < 0 || index >= kReceiverSettingCount) throw std::out_of_range("receiver setting index outside 0..3");
}

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

void cReceiver::StoreOriginalSettings() { m_SavedNetworkBytes = CompressToNetworkBytes(); }

bool cReceiver::HasChangedSinceLastLoadFromDisk() const { return CompressToNetworkBytes() != m_SavedNetworkBytes; }

void cReceiver::UncompressFromNetworkBytes(ClientState& state, std::string_view PacketData, int32_t& PacketPointer) {
    Parse(state, PacketData, PacketPointer);
}

void cReceiver::UncompressAndStoreOriginalSettings(ClientState& state, std::string_view PacketData,
                                                   int32_t& PacketPointer) {
    const int32_t start = PacketPointer;
    if (Parse(state, PacketData, PacketPointer))
        m_SavedNetworkBytes.assign(PacketData.substr(static_cast<std::size_t>(start),
                                                     static_cast<std::size_t>(PacketPointer - start)));
    else
        StoreOriginalSettings();
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
    const int32_t dateAt = p;
    DateTime stamp = GetDateFromNetworkBytes(PacketData, p);
    int32_t interval = GetLongFromNetworkBytes(PacketData, p);
    std::array<std::string_view, kReceiverSettingCount> settings;
    for (std::string_view& setting : settings) setting = GetStringViewFromNetworkBytes(PacketData, p);
    if (static_cast<std::size_t>(p) > PacketData.size()) throw DecodeError("receiver form ends inside a text");
    // An enabled flag other than 0 and -1 is written back as -1; a date whose parts lie
    // outside their ranges is written back carried.
    const bool exact = (enabled == 0 || enabled == -1) &&
                       DateToNetworkBytes(stamp) == PacketData.substr(static_cast<std::size_t>(dateAt), 12);

    m_ReceiverName.assign(name);
    m_Enabled = enabled != 0 ? -1 : 0;
    m_DiskIdentity = identity;
    SetReceiverTypeId(state, typeId);
    m_BackupReceiver.assign(backup);
    m_FileDateTimeStamp = stamp;
    m_KeepAliveInterval = interval;
    for (int i = 0; i < kReceiverSettingCount; ++i) m_Settings[i] = Variant(settings[i]);
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
        m_ReceiverTypeName = "(" + GetText(state, 1088) + ": " + FourDigitNumber(TypeId) + ")";
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
