// The record file of a receiver: Receivers\Receiver_NNNN.dat in the data folder.
//
// Version 5 (written and read): Int16 5, Int16 identity, Int16 enabled, Int16 type id,
// Text name, 4 x Setting, Zero(10), Text backup receiver, Date saved at, Zero(2048).
// Version 4 (read): as 5 up to the backup receiver, then four Texts that are ignored.
// Version 3 (read): Int16 3, Int16 ignored, Int16 type id, Text name, 4 x Setting.
// A file is parsed completely before the receiver changes (core/datafile.h).
#include "core/datafile.h"
#include "core/errors.h"
#include "core/records/receiver.h"
#include "core/serversettings.h"

#include <array>
#include <cstring>
#include <optional>

namespace korvel {
namespace {

constexpr int16_t kWrittenVersion = kRecordFileVersion;

// Trace texts of the receiver file.
constexpr int32_t kTextRemoved = 976;
constexpr int32_t kTextRemoveFailed = 977;
constexpr int32_t kTextSaveFailed = 979;
const RecordFileTexts kTexts{888, 803, 804, 978}; // upgraded, other version (+ tail), failed load

// ---- settings in their tagged form ----

uint64_t LittleEndian(std::string_view bytes) {
    uint64_t v = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) v = (v << 8) | static_cast<uint8_t>(bytes[i]);
    return v;
}

Bytes LittleEndianBytes(uint64_t v, int width) {
    Bytes out;
    for (int i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

TaggedValue TaggedFromVariant(const Variant& value) {
    switch (value.TypeCode()) {
    case SettingText: return TaggedValue::Text(*value.TextValue());
    case SettingInteger:
        return {SettingInteger, LittleEndianBytes(static_cast<uint16_t>(static_cast<int16_t>(value.NumericValueOf())), 2)};
    case SettingBoolean:
        return {SettingBoolean, LittleEndianBytes(value.NumericValueOf() != 0 ? 0xFFFF : 0, 2)};
    case SettingLong:
        return {SettingLong, LittleEndianBytes(static_cast<uint32_t>(static_cast<int32_t>(value.NumericValueOf())), 4)};
    case SettingDouble: {
        double d = value.NumericValueOf();
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        return {SettingDouble, LittleEndianBytes(bits, 8)};
    }
    default: return {};
    }
}

// Codes a receiver setting cannot hold as such become the nearest kind it can: a byte an
// integer, an error code a long, single, currency and date values a double, null empty.
Variant VariantFromTagged(const TaggedValue& value) {
    const uint64_t raw = LittleEndian(value.Data);
    switch (value.TypeCode) {
    case SettingText: return Variant(value.Data);
    case SettingInteger: return Variant::Integer(static_cast<int16_t>(raw));
    case SettingByte: return Variant::Integer(static_cast<int16_t>(raw));
    case SettingBoolean: return Variant::Boolean(raw != 0);
    case SettingLong:
    case SettingError: return Variant::Long(static_cast<int32_t>(raw));
    case SettingSingle: {
        float f;
        auto bits = static_cast<uint32_t>(raw);
        std::memcpy(&f, &bits, sizeof f);
        return Variant::Double(f);
    }
    case SettingDouble:
    case SettingDate: {
        double d;
        std::memcpy(&d, &raw, sizeof d);
        return Variant::Double(d);
    }
    case SettingCurrency: return Variant::Double(static_cast<double>(static_cast<int64_t>(raw)) / 10000.0);
    default: return Variant();
    }
}

// What a receiver file holds, before it is applied.
struct ReceiverImage {
    int16_t Enabled = -1;
    int16_t TypeId = -1;
    Bytes Name;
    std::array<Variant, kReceiverSettingCount> Settings{};
    Bytes Backup;
    std::optional<DateTime> SavedAt;
};

void ReadSettings(FileReader& in, ReceiverImage& image) {
    for (auto& setting : image.Settings) setting = VariantFromTagged(in.Setting());
}

// Version 3, 4 or 5 after the version field; raises on a short or malformed file.
ReceiverImage ParseReceiver(FileReader& in, int16_t version) {
    ReceiverImage image;
    if (version == 3) {
        in.Int16(); // unused
        image.TypeId = in.Int16();
        image.Name = in.Text();
        ReadSettings(in, image);
        return image;
    }
    in.Int16(); // the identity: the file's number counts
    image.Enabled = in.Int16();
    image.TypeId = in.Int16();
    image.Name = in.Text();
    ReadSettings(in, image);
    in.Skip(10);
    image.Backup = in.Text();
    if (version == 4) {
        for (int i = 0; i < 4; ++i) in.Text();
    } else {
        image.SavedAt = in.Date();
        in.Skip(2048);
    }
    return image;
}

} // namespace

Bytes cReceiver::CreateFileName(const ClientState& state, int16_t DiskIdentity) const {
    return state.ServerDataPath + "Receivers\\Receiver_" + FourDigitNumber(DiskIdentity) + ".dat";
}

bool cReceiver::LoadFromDisk(ClientState& state, int16_t DiskIdentity) {
    const RecordFileLoad load = LoadRecordFile(
        state, CreateFileName(state, DiskIdentity), kTexts, [](int16_t v) { return v >= 3 && v <= 5; },
        [&](FileReader& in, int16_t version) {
            ReceiverImage image = ParseReceiver(in, version);
            m_Enabled = image.Enabled;
            m_ReceiverName = std::move(image.Name);
            for (int i = 0; i < kReceiverSettingCount; ++i) m_Settings[i] = std::move(image.Settings[i]);
            m_BackupReceiver = std::move(image.Backup);
            if (image.SavedAt) m_FileDateTimeStamp = *image.SavedAt;
            SetReceiverTypeId(state, image.TypeId);
        });
    if (load.HeldVersion) m_DiskIdentity = DiskIdentity;
    // Only a file read completely is written again in the current version.
    if (load.Upgrade && load.Result) SaveToDisk(state);
    try {
        StoreOriginalSettings();
    } catch (const EncodeError&) {
        // A receiver that holds a text too long to carry has no network form: it keeps no
        // original one.
    }
    return load.Result;
}

bool cReceiver::SaveToDisk(ClientState& state) {
    const bool saved = SaveRecordFile(
        state, m_DiskIdentity, m_HasUpdatedDiskIdentity,
        [&](int16_t identity) { return CreateFileName(state, identity); }, kTextSaveFailed,
        [&](FileWriter& out, const DateTime& savedAt) {
            out.Int16(kWrittenVersion);
            out.Int16(m_DiskIdentity);
            out.Int16(m_Enabled);
            out.Int16(GetReceiverTypeId());
            out.Text(m_ReceiverName);
            for (const Variant& setting : m_Settings) out.Setting(TaggedFromVariant(setting));
            out.Zero(10);
            out.Text(m_BackupReceiver);
            out.Date(savedAt);
            out.Zero(2048);
        });
    if (saved) StoreOriginalSettings();
    return saved;
}

bool cReceiver::RemoveFromDisk(ClientState& state, int16_t DiskIdentity) {
    const bool removed = RemoveRecordFile(state, CreateFileName(state, DiskIdentity), m_ReceiverName, kTextRemoved,
                                          kTextRemoveFailed);
    // Last: the entry may hold the last reference to this record.
    state.Receivers.Remove(RecordKey(DiskIdentity));
    return removed;
}

} // namespace korvel
