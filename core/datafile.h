#pragma once
// The record data files: the little-endian byte layer they are written in, and the
// environment (file system, clock, random source, trace sink) their operations run in.
//
// Encodings (all numbers little-endian, fields without gaps):
//   Int16    2 bytes two's complement       Int32  4 bytes two's complement
//   Date     8 bytes IEEE-754 double, days since 1899-12-30, time of day as fraction
//   Text     Int16 length n, then n Windows-1252 bytes
//   Setting  the tagged form of a variant value: Int16 type code, then for code 8 (text)
//            an Int16 length and the bytes, for codes 0 (empty) and 1 (null) nothing,
//            for the other known codes the value in its own fixed width
//   Zero(k)  k bytes of value 0
// Lengths are written as the 16-bit pattern of 0..65535 and read back the same way, so a
// length can never come out negative.
//
// A FileReader raises ShortFileError when the bytes end inside a field: a file shorter
// than its layout is never taken as a partly filled record.
//
// Files are written whole: the bytes go to a temporary file in the same folder, which is
// flushed to disk and only then renamed over the old file. A failed write leaves the old
// file as it was.
//
// The record operations reach their environment through ClientState::DataFiles; when it
// is null they use the process's default environment (real files, the system clock, the
// never-seeded random source, no trace sink).

#include "core/codec.h"
#include "core/datetime.h"
#include "core/errors.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace korvel {

class ClientState;

// The bytes of a data file end inside a field.
class ShortFileError : public DecodeError {
public:
    ShortFileError() : DecodeError("Input past end of file") {}
};

// A file operation failed; what() is the description used in the trace lines.
class FileError : public KorvelError {
public:
    using KorvelError::KorvelError;
};

// The variant type codes a Setting may carry.
enum SettingTypeCode : int16_t {
    SettingEmpty = 0,
    SettingNull = 1,
    SettingInteger = 2,  // 2 bytes
    SettingLong = 3,     // 4 bytes
    SettingSingle = 4,   // 4 bytes
    SettingDouble = 5,   // 8 bytes
    SettingCurrency = 6, // 8 bytes
    SettingDate = 7,     // 8 bytes
    SettingText = 8,     // Int16 length + bytes
    SettingError = 10,   // 4 bytes
    SettingBoolean = 11, // 2 bytes
    SettingByte = 17,    // 1 byte
};

// One Setting as it stands in a file: its type code and its value bytes (the text for
// code 8, the little-endian value for the fixed-width codes, nothing for 0 and 1).
struct TaggedValue {
    int16_t TypeCode = SettingEmpty;
    Bytes Data;
    bool operator==(const TaggedValue&) const = default;

    static TaggedValue Text(std::string_view text) { return {SettingText, Bytes(text)}; }
};

// Width of the value of a fixed-width type code, 0 for codes 0 and 1, -1 for code 8 and
// for codes a file cannot carry.
int SettingValueWidth(int16_t typeCode);

// Appends fields to a file image.
class FileWriter {
public:
    void Int16(int32_t value);  // -32768..65535, like the wire's Int16
    void Int32(int32_t value);
    void Date(const DateTime& value);
    void Text(std::string_view text); // over 65535 bytes raises EncodeError
    void Setting(const TaggedValue& value); // an unknown code or a wrong width raises EncodeError
    void Zero(std::size_t count);

    const Bytes& bytes() const { return m_Bytes; }
    Bytes take() { return std::move(m_Bytes); }

private:
    Bytes m_Bytes;
};

// Reads fields from a file image in order.
class FileReader {
public:
    // The reader keeps a view: the bytes must outlive it.
    explicit FileReader(std::string_view bytes) : m_Bytes(bytes) {}
    explicit FileReader(Bytes&&) = delete;

    int16_t Int16();
    int32_t Int32();
    DateTime Date();       // a value outside the years 100..9999 raises DecodeError
    Bytes Text();
    TaggedValue Setting(); // an unknown type code raises DecodeError
    void Skip(std::size_t count);

    std::size_t position() const { return m_Position; }
    std::size_t remaining() const { return m_Bytes.size() - m_Position; }

private:
    std::string_view need(std::size_t count);
    std::string_view m_Bytes;
    std::size_t m_Position = 0;
};

// What a data file operation needs from the file system. Paths are native paths.
class IDataFileSystem {
public:
    virtual ~IDataFileSystem() = default;
    // True when a regular file is at the path.
    virtual bool FileIsThere(const std::string& path) = 0;
    // The whole file; FileError when it cannot be read (missing, unreadable).
    virtual Bytes ReadWhole(const std::string& path) = 0;
    // Replaces the file by the bytes, whole or not at all; FileError on failure.
    virtual void WriteWhole(const std::string& path, std::string_view bytes) = 0;
    // Deletes the file; FileError when it cannot (also when it is missing).
    virtual void Remove(const std::string& path) = 0;
};

// The real file system (POSIX): writes through a temporary file in the same folder,
// fsync, rename, then fsync of the folder.
class PosixDataFileSystem : public IDataFileSystem {
public:
    bool FileIsThere(const std::string& path) override;
    Bytes ReadWhole(const std::string& path) override;
    void WriteWhole(const std::string& path, std::string_view bytes) override;
    void Remove(const std::string& path) override;
};

// A uniform random source in [0, 1).
class IRandomSource {
public:
    virtual ~IRandomSource() = default;
    virtual double Next() = 0;
};

// Never seeded: every process draws the same sequence.
class DefaultRandomSource final : public IRandomSource {
public:
    double Next() override;

private:
    uint64_t m_State = 0x853C49E6748FEA9BULL;
};

// The environment of the data file operations. Every member may be replaced by a test.
struct DataFileEnvironment {
    std::shared_ptr<IDataFileSystem> Files = std::make_shared<PosixDataFileSystem>();
    std::shared_ptr<IRandomSource> Random = std::make_shared<DefaultRandomSource>();
    // The current local date and time.
    std::function<DateTime()> Clock;
    // Receives every trace line the operations compose (the product leaves it empty).
    std::function<void(const Bytes&)> TraceSink;

    DateTime Now() const;
};

// The process's default environment (one per process, so one random sequence).
DataFileEnvironment& DefaultDataFileEnvironment();

// The environment of a client state: its own or the process's default.
DataFileEnvironment& DataFilesOf(const ClientState& state);

// Sends a composed trace line to the trace hook and to the environment's sink.
void TraceDataFileLine(const ClientState& state, const Bytes& line);

// The native path of a record file name: every "\" becomes "/". The data folder is used
// as the server named it, as a plain prefix.
std::string NativeDataFilePath(std::string_view name);

// The last four characters of "0000" followed by the number in decimal (7 -> 0007,
// 12345 -> 2345, -1 -> 00-1).
Bytes FourDigitNumber(int32_t number);

// Identities a new record may be given.
inline constexpr int kLowestDrawnIdentity = 1;
inline constexpr int kHighestDrawnIdentity = 9991;
// Random draws before the search for a free identity scans 1..9991 in order.
inline constexpr int kIdentityDrawAttempts = 1000;

// A free identity for a new record: drawn as round(9990 * r + 1) until one is free; after
// kIdentityDrawAttempts draws, the lowest free identity. FileError when all are taken.
int16_t DrawFreeIdentity(DataFileEnvironment& env, const std::function<std::string(int16_t)>& nativePathOf);

// The version every record file is written in.
inline constexpr int16_t kRecordFileVersion = 5;

// Trace texts (numbered texts) of one kind of record file.
struct RecordFileTexts {
    int32_t Upgraded = 0;
    int32_t OtherVersion = 0;
    int32_t OtherVersionTail = 0;
    int32_t LoadFailed = 0;
};

struct RecordFileLoad {
    bool HeldVersion = false; // the file was there with at least its version number
    bool Result = false;      // a known version was read completely and applied
    bool Upgrade = false;     // ... an older one, to be written again in the current version
};

// The steps every record's LoadFromDisk shares. Reads the file `name` (a missing file
// reads as an empty one and is not created); for a version `known` accepts, `apply`
// parses the rest completely and only then applies it, raising on a short or malformed
// file. Composes the trace lines of an upgrade, of another version and of a failed load.
RecordFileLoad LoadRecordFile(ClientState& state, const Bytes& name, const RecordFileTexts& texts,
                              const std::function<bool(int16_t)>& known,
                              const std::function<void(FileReader&, int16_t)>& apply);

// The steps every record's SaveToDisk shares. A record without an identity of its own
// (negative) draws a free one and has `hasUpdatedDiskIdentity` set to -1, else 0; then
// `write` composes the file's bytes (it gets the time the file is saved at and may raise)
// and the file `fileName`(identity) is written whole. Any failure writes the trace line
// (text `failedText`, the file's name and the error) and gives false; the record's
// original settings are the caller's to store on success.
bool SaveRecordFile(ClientState& state, int16_t& diskIdentity, int16_t& hasUpdatedDiskIdentity,
                    const std::function<Bytes(int16_t)>& fileName, int32_t failedText,
                    const std::function<void(FileWriter&, const DateTime& savedAt)>& write);

// Removes the record file `name` with the trace line of the removal, or of the failure
// (texts removed / failed, with the record's name). False when it could not be removed.
bool RemoveRecordFile(ClientState& state, const Bytes& name, const Bytes& recordName, int32_t removedText,
                      int32_t failedText);

} // namespace korvel
