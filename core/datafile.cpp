#include "core/datafile.h"

#include "core/clientstate.h"
#include "core/numeric.h"
#include "core/procedures.h"
#include "core/serversettings.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace korvel {
namespace {

std::string Describe(int error) { return std::generic_category().message(error); }

[[noreturn]] void ThrowErrno(int error) { throw FileError(Describe(error)); }

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_Fd(fd) {}
    ~Descriptor() {
        if (m_Fd >= 0) ::close(m_Fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_Fd; }
    // Closes now and reports the error of the close.
    int close() {
        int fd = m_Fd;
        m_Fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_Fd;
};

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace

// ---- fields -----------------------------------------------------------------------------

int SettingValueWidth(int16_t typeCode) {
    switch (typeCode) {
    case SettingEmpty:
    case SettingNull: return 0;
    case SettingByte: return 1;
    case SettingInteger:
    case SettingBoolean: return 2;
    case SettingLong:
    case SettingSingle:
    case SettingError: return 4;
    case SettingDouble:
    case SettingCurrency:
    case SettingDate: return 8;
    default: return -1;
    }
}

void FileWriter::Int16(int32_t value) {
    if (value < -32768 || value > 65535) throw EncodeError("value does not fit an Int16");
    auto v = static_cast<uint16_t>(value);
    m_Bytes += static_cast<char>(v & 0xFF);
    m_Bytes += static_cast<char>(v >> 8);
}

void FileWriter::Int32(int32_t value) {
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) m_Bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void FileWriter::Date(const DateTime& value) {
    double days = value.ToDays();
    uint64_t bits;
    static_assert(sizeof bits == sizeof days);
    std::memcpy(&bits, &days, sizeof bits);
    for (int i = 0; i < 8; ++i) m_Bytes += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void FileWriter::Text(std::string_view text) {
    if (text.size() > 65535) throw EncodeError("text longer than 65535 bytes");
    Int16(static_cast<int32_t>(text.size()));
    m_Bytes.append(text);
}

void FileWriter::Setting(const TaggedValue& value) {
    if (value.TypeCode == SettingText) {
        Int16(SettingText);
        Text(value.Data);
        return;
    }
    int width = SettingValueWidth(value.TypeCode);
    if (width < 0) throw EncodeError("a setting of type " + std::to_string(value.TypeCode) + " cannot be stored");
    if (value.Data.size() != static_cast<std::size_t>(width))
        throw EncodeError("setting value of the wrong width");
    Int16(value.TypeCode);
    m_Bytes += value.Data;
}

void FileWriter::Zero(std::size_t count) { m_Bytes.append(count, '\0'); }

std::string_view FileReader::need(std::size_t count) {
    if (count > remaining()) throw ShortFileError();
    std::string_view part = m_Bytes.substr(m_Position, count);
    m_Position += count;
    return part;
}

int16_t FileReader::Int16() {
    auto p = need(2);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint8_t>(p[0]) |
                                                      (static_cast<uint8_t>(p[1]) << 8)));
}

int32_t FileReader::Int32() {
    auto p = need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(p[i]);
    return static_cast<int32_t>(v);
}

DateTime FileReader::Date() {
    auto p = need(8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<uint8_t>(p[i]);
    double days;
    std::memcpy(&days, &bits, sizeof days);
    return DateTime::FromDays(days);
}

Bytes FileReader::Text() {
    auto length = static_cast<uint16_t>(Int16());
    return Bytes(need(length));
}

TaggedValue FileReader::Setting() {
    TaggedValue value;
    value.TypeCode = Int16();
    if (value.TypeCode == SettingText) {
        value.Data = Text();
        return value;
    }
    int width = SettingValueWidth(value.TypeCode);
    if (width < 0) throw DecodeError("setting of unknown type " + std::to_string(value.TypeCode));
    value.Data = Bytes(need(static_cast<std::size_t>(width)));
    return value;
}

void FileReader::Skip(std::size_t count) { need(count); }

// ---- file system ------------------------------------------------------------------------

bool PosixDataFileSystem::FileIsThere(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Bytes PosixDataFileSystem::ReadWhole(const std::string& path) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) ThrowErrno(errno);
    Bytes out;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

void PosixDataFileSystem::WriteWhole(const std::string& path, std::string_view bytes) {
    std::string temp = path + ".tmp-XXXXXX";
    Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) ThrowErrno(errno);
    auto fail = [&](int error) {
        ::unlink(temp.c_str());
        ThrowErrno(error);
    };
    // mkostemp gives 0600; a data file gets the usual mode of new files.
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat old {};
    mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~mask);
    ::fchmod(fd.get(), mode);

    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0) fail(errno);
    if (int error = fd.close()) fail(error);
    if (::rename(temp.c_str(), path.c_str()) != 0) fail(errno);
    // Make the rename itself durable; a failure here no longer risks either file.
    Descriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
}

void PosixDataFileSystem::Remove(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) throw FileError("Not a file");
    if (::unlink(path.c_str()) != 0) ThrowErrno(errno);
}

// ---- random source, clock, environment --------------------------------------------------

double DefaultRandomSource::Next() {
    // SplitMix64 from a fixed start; the top 53 bits make a double in [0, 1).
    uint64_t z = (m_State += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

DateTime DataFileEnvironment::Now() const {
    if (Clock) return Clock();
    std::time_t t = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&t, &local);
    return DateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec);
}

DataFileEnvironment& DefaultDataFileEnvironment() {
    static DataFileEnvironment environment;
    return environment;
}

DataFileEnvironment& DataFilesOf(const ClientState& state) {
    return state.DataFiles ? *state.DataFiles : DefaultDataFileEnvironment();
}

void TraceDataFileLine(const ClientState& state, const Bytes& line) {
    TraceMessage(line);
    const DataFileEnvironment& env = DataFilesOf(state);
    if (env.TraceSink) env.TraceSink(line);
}

std::string NativeDataFilePath(std::string_view name) {
    std::string path(name);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

Bytes FourDigitNumber(int32_t number) {
    Bytes text = "0000" + std::to_string(number);
    return text.substr(text.size() - 4);
}

int16_t DrawFreeIdentity(DataFileEnvironment& env, const std::function<std::string(int16_t)>& nativePathOf) {
    for (int attempt = 0; attempt < kIdentityDrawAttempts; ++attempt) {
        double r = env.Random->Next();
        if (!(r >= 0.0 && r < 1.0)) r = 0.0; // a broken source must not leave the range
        auto identity = static_cast<int16_t>(RoundHalfEven(9990.0 * r + 1.0));
        if (!env.Files->FileIsThere(nativePathOf(identity))) return identity;
    }
    for (int identity = kLowestDrawnIdentity; identity <= kHighestDrawnIdentity; ++identity)
        if (!env.Files->FileIsThere(nativePathOf(static_cast<int16_t>(identity))))
            return static_cast<int16_t>(identity);
    throw FileError("No free identity left (1 to 9991 are all taken)");
}

bool SaveRecordFile(ClientState& state, int16_t& diskIdentity, int16_t& hasUpdatedDiskIdentity,
                    const std::function<Bytes(int16_t)>& fileName, int32_t failedText,
                    const std::function<void(FileWriter&, const DateTime& savedAt)>& write) {
    DataFileEnvironment& env = DataFilesOf(state);
    try {
        if (diskIdentity < 0) {
            diskIdentity =
                DrawFreeIdentity(env, [&](int16_t identity) { return NativeDataFilePath(fileName(identity)); });
            hasUpdatedDiskIdentity = -1;
        } else {
            hasUpdatedDiskIdentity = 0;
        }
        FileWriter out;
        write(out, env.Now());
        env.Files->WriteWhole(NativeDataFilePath(fileName(diskIdentity)), out.bytes());
    } catch (const std::exception& e) {
        TraceDataFileLine(state, GetText(state, failedText) + " " + fileName(diskIdentity) + " Err:" + e.what());
        return false;
    }
    return true;
}

RecordFileLoad LoadRecordFile(ClientState& state, const Bytes& name, const RecordFileTexts& texts,
                              const std::function<bool(int16_t)>& known,
                              const std::function<void(FileReader&, int16_t)>& apply) {
    DataFileEnvironment& env = DataFilesOf(state);
    const std::string path = NativeDataFilePath(name);
    std::optional<std::string> error;
    RecordFileLoad load;

    Bytes bytes;
    try {
        if (env.Files->FileIsThere(path)) bytes = env.Files->ReadWhole(path);
    } catch (const std::exception& e) {
        error = e.what();
    }

    if (!error && bytes.size() >= 2) {
        load.HeldVersion = true;
        FileReader in(bytes);
        const int16_t version = in.Int16();
        if (known(version)) {
            try {
                apply(in, version);
                load.Result = true;
                if (version != kRecordFileVersion) {
                    load.Upgrade = true;
                    TraceDataFileLine(state, GetText(state, texts.Upgraded) + " '" + name + "' (version " +
                                                 std::to_string(version) + " -> " +
                                                 std::to_string(kRecordFileVersion) + ")");
                }
            } catch (const std::exception& e) {
                error = e.what();
            }
        } else {
            TraceDataFileLine(state, GetText(state, texts.OtherVersion) + " '" + name + "' (" +
                                         std::to_string(version) + ") " +
                                         GetText(state, texts.OtherVersionTail));
        }
    }
    if (error) {
        TraceDataFileLine(state, GetText(state, texts.LoadFailed) + " " + name + " Err:" + *error);
        load.Result = false;
    }
    return load;
}

bool RemoveRecordFile(ClientState& state, const Bytes& name, const Bytes& recordName, int32_t removedText,
                      int32_t failedText) {
    try {
        DataFilesOf(state).Files->Remove(NativeDataFilePath(name));
    } catch (const std::exception& e) {
        TraceDataFileLine(state, GetText(state, failedText) + " '" + recordName + "' " + name + " Err:" + e.what());
        return false;
    }
    TraceDataFileLine(state, GetText(state, removedText) + " '" + recordName + "' " + name);
    return true;
}

} // namespace korvel
