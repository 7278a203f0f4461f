#include "platform/settingsstore.h"

#include "platform/qtext.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::platform {

// The values of one file: INI section -> key -> value, each name as the store escaped it.
// The empty section name stands for the keys outside any section (QSettings' [General]);
// EscapeName never gives an empty name, so no section of ours is taken for it.
using Sections = std::map<QString, std::map<QString, QString>>;

struct SetValue {
    QString section, key, value;
};
struct RemoveSection {
    QString section;
};
using Change = std::variant<SetValue, RemoveSection>;

struct QtSettingsStore::File {
    std::string application;
    QByteArray name;               // the file's name in the folder
    Sections values;
    std::vector<Change> pending;   // in order, applied again on what is on disk when writing
    bool writable = true;          // false: a file we could not read must not be replaced
    bool reportedWriteFailure = false;
};

namespace {

constexpr mode_t kOwnerFile = S_IRUSR | S_IWUSR;
constexpr mode_t kOwnerFolder = S_IRWXU;

void Say(const QString& line) { std::fprintf(stderr, "Korvel: %s\n", line.toLocal8Bit().constData()); }

// --- The INI dialect of QSettings, for texts ------------------------------------------

constexpr char kHex[] = "0123456789ABCDEF";

bool IsHexDigit(char32_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Letters, digits, "_", "-" and "." as they are; "/" as "\"; any other character as
// %XX, or %UXXXX beyond Latin-1.
void AppendEscapedKey(QByteArray& out, const QString& key) {
    for (QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                   c == '-' || c == '.') {
            out += static_cast<char>(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
        }
    }
}

QString UnescapedKey(QByteArrayView raw) {
    QString out;
    QByteArray plain; // bytes between escapes, UTF-8
    auto flush = [&] {
        out += QString::fromUtf8(plain);
        plain.clear();
    };
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\\') {
            flush();
            out += QLatin1Char('/');
        } else if (c == '%' && i + 5 < raw.size() && raw[i + 1] == 'U' && HexValue(raw[i + 2]) >= 0 &&
                   HexValue(raw[i + 3]) >= 0 && HexValue(raw[i + 4]) >= 0 && HexValue(raw[i + 5]) >= 0) {
            flush();
            int code = 0;
            for (int k = 2; k <= 5; ++k) code = code * 16 + HexValue(raw[i + k]);
            out += QChar(static_cast<char16_t>(code));
            i += 5;
        } else if (c == '%' && i + 2 < raw.size() && HexValue(raw[i + 1]) >= 0 && HexValue(raw[i + 2]) >= 0) {
            flush();
            out += QChar(static_cast<char16_t>(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2])));
            i += 2;
        } else {
            plain += c;
        }
    }
    flush();
    return out;
}

// A value: control characters, quotes and backslashes escaped, everything else as UTF-8;
// quoted when it holds ";", "," or "=" or begins or ends with a blank. A leading "@" is
// doubled, as QSettings marks its typed values with one.
void AppendEscapedValue(QByteArray& out, const QString& text) {
    const QString value = text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
    const qsizetype start = out.size();
    bool quote = false;
    bool escapeHexDigit = false; // the previous escape would swallow a following hex digit
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value[i].unicode();
        if (c == ';' || c == ',' || c == '=') quote = true;
        if (escapeHexDigit && IsHexDigit(c)) {
            out += "\\x";
            out += QByteArray::number(c, 16);
            continue;
        }
        escapeHexDigit = false;
        switch (c) {
        case 0: out += "\\0"; escapeHexDigit = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c <= 0x1F || c == 0x7F) {
                out += "\\x";
                out += QByteArray::number(c, 16);
                escapeHexDigit = true;
            } else if (value[i].isHighSurrogate() && i + 1 < value.size()) {
                out += QStringView(value).mid(i, 2).toUtf8();
                ++i;
            } else {
                out += QStringView(value).mid(i, 1).toUtf8();
            }
        }
    }
    if (quote || (out.size() > start && (out[start] == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

// Reads a value from pos to the end of its line (a backslash before the line break
// continues it). Outside quotes blanks at both ends are dropped and ";" begins a comment;
// a "," is kept as it is.
QString ReadValue(QByteArrayView data, qsizetype& pos) {
    QString out;      // everything up to the last escape or quote
    QByteArray plain; // UTF-8 bytes since then
    qsizetype keptPlain = 0; // of them, up to the last that is not an unquoted blank
    bool inQuotes = false;
    auto flush = [&] {
        out += QString::fromUtf8(plain);
        plain.clear();
        keptPlain = 0;
    };
    while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
    while (pos < data.size()) {
        const char c = data[pos];
        if (c == '\n' || c == '\r') break;
        ++pos;
        if (c == '"') {
            flush();
            inQuotes = !inQuotes;
        } else if (c == ';' && !inQuotes) {
            while (pos < data.size() && data[pos] != '\n' && data[pos] != '\r') ++pos;
            break;
        } else if (c == '\\' && pos < data.size()) {
            flush();
            const char e = data[pos++];
            switch (e) {
            case 'a': out += QChar(u'\a'); break;
            case 'b': out += QChar(u'\b'); break;
            case 'f': out += QChar(u'\f'); break;
            case 'n': out += QChar(u'\n'); break;
            case 'r': out += QChar(u'\r'); break;
            case 't': out += QChar(u'\t'); break;
            case 'v': out += QChar(u'\v'); break;
            case 'x': {
                char32_t code = 0;
                while (pos < data.size() && HexValue(data[pos]) >= 0 && code <= 0x10FFFF)
                    code = code * 16 + static_cast<char32_t>(HexValue(data[pos++]));
                if (code <= 0x10FFFF) out += QString::fromUcs4(&code, 1);
                break;
            }
            case '\n':
            case '\r':
                // The value goes on on the next line.
                if (e == '\r' && pos < data.size() && data[pos] == '\n') ++pos;
                break;
            default:
                if (e >= '0' && e <= '7') {
                    char32_t code = static_cast<char32_t>(e - '0');
                    while (pos < data.size() && data[pos] >= '0' && data[pos] <= '7' && code <= 0x10FFFF)
                        code = code * 8 + static_cast<char32_t>(data[pos++] - '0');
                    if (code <= 0x10FFFF) out += QString::fromUcs4(&code, 1);
                } else {
                    out += QLatin1Char(e); // \" \' \? \\ and anything else: the character itself
                }
            }
        } else {
            plain += c;
            if (inQuotes || (c != ' ' && c != '\t')) keptPlain = plain.size();
        }
    }
    return out + QString::fromUtf8(plain.left(keptPlain));
}

// QSettings' marks of typed values, as far as they can stand for a text.
std::optional<QString> TextOfValue(const QString& value) {
    if (value == QLatin1String("@Invalid()")) return std::nullopt;
    if (value.startsWith(QLatin1String("@@"))) return value.mid(1);
    if (value.startsWith(QLatin1String("@String(")) && value.endsWith(QLatin1Char(')')))
        return value.mid(8, value.size() - 9);
    return value;
}

Sections ParseIni(QByteArrayView data) {
    Sections sections;
    QString section; // outside any section
    qsizetype pos = 0;
    if (data.startsWith("\xEF\xBB\xBF")) pos = 3;
    while (pos < data.size()) {
        while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t' || data[pos] == '\n' || data[pos] == '\r'))
            ++pos;
        if (pos >= data.size()) break;
        qsizetype end = pos;
        while (end < data.size() && data[end] != '\n' && data[end] != '\r') ++end;
        const char first = data[pos];
        if (first == ';' || first == '#') {
            pos = end;
            continue;
        }
        if (first == '[') {
            const qsizetype close = QByteArrayView(data.data() + pos, end - pos).indexOf(']');
            const QByteArrayView name = data.sliced(pos + 1, (close < 0 ? end - pos : close) - 1);
            if (name.size() == 7 && QByteArray(name.data(), name.size()).compare("general", Qt::CaseInsensitive) == 0)
                section.clear();
            else if (name.startsWith('%') && name.size() == 8 &&
                     QByteArray(name.data() + 1, 7).compare("general", Qt::CaseInsensitive) == 0)
                section = QString::fromLatin1(name.data() + 1, 7);
            else
                section = UnescapedKey(name);
            pos = end;
            continue;
        }
        const qsizetype eq = QByteArrayView(data.data() + pos, end - pos).indexOf('=');
        if (eq < 0) {
            pos = end;
            continue;
        }
        const QString key = UnescapedKey(QByteArrayView(data.data() + pos, eq).trimmed());
        pos += eq + 1;
        const QString value = ReadValue(data, pos);
        if (key.isEmpty()) continue;
        if (auto text = TextOfValue(value)) sections[section].emplace(key, *text); // the first one counts
    }
    return sections;
}

QByteArray WriteIni(const Sections& sections) {
    QByteArray out;
    for (const auto& [section, keys] : sections) {
        if (keys.empty()) continue;
        if (!out.isEmpty()) out += '\n';
        if (section.isEmpty()) {
            out += "[General]";
        } else {
            QByteArray name;
            AppendEscapedKey(name, section);
            // A section of its own named "General" must not read as the keys outside.
            out += name.compare("general", Qt::CaseInsensitive) == 0 ? "[%" + name + "]" : "[" + name + "]";
        }
        out += '\n';
        for (const auto& [key, value] : keys) {
            AppendEscapedKey(out, key);
            out += '=';
            AppendEscapedValue(out, value);
            out += '\n';
        }
    }
    return out;
}

void Apply(Sections& sections, const Change& change) {
    if (const auto* set = std::get_if<SetValue>(&change))
        sections[set->section][set->key] = set->value;
    else
        sections.erase(std::get<RemoveSection>(change).section);
}

// --- Files -------------------------------------------------------------------------------

enum class ReadResult { Read, Missing, Link, NotRegular, TooLarge, Failed };

// Reads a file of the folder without following a link at its name and without waiting on
// a FIFO, up to kMaxFileBytes.
ReadResult ReadFile(int folder, const QByteArray& name, QByteArray& out) {
    out.clear();
    const int fd = ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return ReadResult::Missing;
        if (errno == ELOOP) return ReadResult::Link;
        return ReadResult::Failed;
    }
    ReadResult result = ReadResult::Read;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result = ReadResult::Failed;
    } else if (!S_ISREG(info.st_mode)) {
        result = ReadResult::NotRegular;
    } else if (static_cast<uint64_t>(info.st_size) > QtSettingsStore::kMaxFileBytes) {
        result = ReadResult::TooLarge;
    } else {
        char buffer[64 * 1024];
        while (result == ReadResult::Read) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) result = ReadResult::Failed;
            if (got <= 0) break;
            out.append(buffer, got);
            if (static_cast<std::size_t>(out.size()) > QtSettingsStore::kMaxFileBytes) result = ReadResult::TooLarge;
        }
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    if (result != ReadResult::Read) out.clear();
    return result;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// Writes the bytes as a new private file of the folder and renames it over the name.
bool ReplaceFile(int folder, const QByteArray& name, const QByteArray& bytes) {
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        // Names of ours never begin with "." (EscapeName escapes it), so this is no one's.
        temporary = "." + name + "." + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::openat(folder, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kOwnerFile);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    const bool written = ::fchmod(fd, kOwnerFile) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::renameat(folder, temporary.constData(), folder, name.constData()) == 0) return true;
    const int error = errno;
    ::unlinkat(folder, temporary.constData(), 0);
    errno = error;
    return false;
}

// Holds the folder's lock while a file is read again and replaced, so that two programs
// writing one file take turns; a lock that stays taken is waited for briefly only.
class FolderLock {
public:
    explicit FolderLock(int folder) : m_Folder(folder) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (::flock(m_Folder, LOCK_EX | LOCK_NB) == 0) {
                m_Locked = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) return;
            ::usleep(2000);
        }
    }
    ~FolderLock() {
        if (m_Locked) ::flock(m_Folder, LOCK_UN);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_Folder;
    bool m_Locked = false;
};

} // namespace

QtSettingsStore::QtSettingsStore(QString folder)
    : m_Folder(QDir::cleanPath(folder.isEmpty() ? DefaultFolder() : folder)), m_Context(std::make_unique<QObject>()) {}

QtSettingsStore::~QtSettingsStore() {
    Sync();
    if (m_FolderFd >= 0) ::close(m_FolderFd);
}

QString QtSettingsStore::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Korvel");
}

QString QtSettingsStore::EscapeName(const std::string& name) {
    if (name.empty()) return QStringLiteral("%");
    QString out;
    QString text = ToQString(name);
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('%'))
            out += QStringLiteral("%25");
        else if (c == QLatin1Char('/'))
            out += QStringLiteral("%2F");
        else if (c == QLatin1Char('\\'))
            out += QStringLiteral("%5C");
        else if (c == QLatin1Char('.') && i == 0)
            out += QStringLiteral("%2E");
        else
            out += c;
    }
    return out;
}

QString QtSettingsStore::FileOf(const std::string& application) const {
    return m_Folder + QLatin1Char('/') + EscapeName(application) + QStringLiteral(".ini");
}

// The folder is opened once, without following a link at its own name (links above it
// are the user's own layout), and used through its descriptor from then on.
bool QtSettingsStore::OpenFolder() const {
    if (m_FolderOpened) return m_FolderFd >= 0;
    m_FolderOpened = true;
    const QByteArray path = QFile::encodeName(m_Folder);
    auto refuse = [this](const QString& why) {
        Say(QStringLiteral("settings folder %1 %2; settings are kept for this run only").arg(m_Folder, why));
        return false;
    };
    QDir().mkpath(QFileInfo(m_Folder).path());
    if (::mkdir(path.constData(), kOwnerFolder) != 0 && errno != EEXIST)
        return refuse(QStringLiteral("cannot be made (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) return refuse(QStringLiteral("is a symbolic link"));
        if (errno == ENOTDIR) {
            // O_DIRECTORY answers first for a link to a folder.
            struct stat link {};
            const bool isLink = ::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode);
            return refuse(isLink ? QStringLiteral("is a symbolic link") : QStringLiteral("is not a folder"));
        }
        return refuse(QStringLiteral("cannot be opened (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) {
        ::close(fd);
        return refuse(QStringLiteral("belongs to another user"));
    }
    // The store may keep a password: the folder is the user's alone.
    if ((info.st_mode & 07777) != kOwnerFolder) ::fchmod(fd, kOwnerFolder);
    m_FolderFd = fd;
    return true;
}

QtSettingsStore::File& QtSettingsStore::FileFor(const std::string& application) const {
    auto it = m_Files.find(application);
    if (it != m_Files.end()) return *it->second;
    auto file = std::make_unique<File>();
    file->application = application;
    file->name = QFile::encodeName(EscapeName(application) + QStringLiteral(".ini"));
    if (OpenFolder()) {
        QByteArray bytes;
        const QString path = FileOf(application);
        switch (ReadFile(m_FolderFd, file->name, bytes)) {
        case ReadResult::Read: file->values = ParseIni(bytes); break;
        case ReadResult::Missing: break;
        case ReadResult::Link:
            Say(QStringLiteral("settings file %1 is a symbolic link: not read; saving settings replaces it with a file")
                    .arg(path));
            break;
        case ReadResult::NotRegular:
            Say(QStringLiteral("settings file %1 is not a regular file: not read; saving settings replaces it with a file")
                    .arg(path));
            break;
        case ReadResult::TooLarge:
            Say(QStringLiteral("settings file %1 is larger than %2 MiB: not read; its settings are kept for this run only")
                    .arg(path)
                    .arg(kMaxFileBytes >> 20));
            file->writable = false;
            break;
        case ReadResult::Failed:
            Say(QStringLiteral("settings file %1 cannot be read (%2); its settings are kept for this run only")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
            file->writable = false;
            break;
        }
    }
    File& ref = *file;
    m_Files.emplace(application, std::move(file));
    return ref;
}

std::string QtSettingsStore::Get(const std::string& application, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) const {
    const File& file = FileFor(application);
    const auto s = file.values.find(EscapeName(section));
    if (s == file.values.end()) return defaultValue;
    const auto k = s->second.find(EscapeName(key));
    return k == s->second.end() ? defaultValue : FromQString(k->second);
}

void QtSettingsStore::Save(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& value) {
    File& file = FileFor(application);
    const QString s = EscapeName(section), k = EscapeName(key), v = ToQString(value);
    // Unchanged values are not written again (the text cache saves every text it finds).
    if (const auto found = file.values.find(s); found != file.values.end())
        if (const auto old = found->second.find(k); old != found->second.end() && old->second == v) return;
    SetValue change{s, k, v};
    Apply(file.values, change);
    file.pending.emplace_back(std::move(change));
    ScheduleWrite();
}

void QtSettingsStore::Delete(const std::string& application, const std::string& section) {
    File& file = FileFor(application);
    RemoveSection change{EscapeName(section)};
    Apply(file.values, change);
    file.pending.emplace_back(std::move(change));
    ScheduleWrite();
}

void QtSettingsStore::ScheduleWrite() {
    if (m_WriteScheduled || !QCoreApplication::instance()) return;
    m_WriteScheduled = true;
    QTimer::singleShot(0, m_Context.get(), [this] { Sync(); });
}

void QtSettingsStore::Sync() {
    m_WriteScheduled = false;
    for (auto& [application, file] : m_Files)
        if (!file->pending.empty()) Write(*file);
}

void QtSettingsStore::Write(File& file) {
    if (!file.writable || m_FolderFd < 0) return; // kept in memory only
    const QString path = FileOf(file.application);
    auto failed = [&](const QString& why) {
        if (!file.reportedWriteFailure)
            Say(QStringLiteral("settings file %1 not written: %2").arg(path, why));
        file.reportedWriteFailure = true;
    };
    FolderLock lock(m_FolderFd);
    // What is on disk now, another program's changes included; a link or other non-file
    // at the name counts as nothing and is replaced.
    QByteArray bytes;
    Sections merged;
    switch (ReadFile(m_FolderFd, file.name, bytes)) {
    case ReadResult::Read: merged = ParseIni(bytes); break;
    case ReadResult::Missing:
    case ReadResult::Link:
    case ReadResult::NotRegular: break;
    case ReadResult::TooLarge: return failed(QStringLiteral("it has grown larger than the store reads"));
    case ReadResult::Failed:
        return failed(QStringLiteral("it cannot be read again (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    for (const Change& change : file.pending) Apply(merged, change);
    const QByteArray text = WriteIni(merged);
    if (static_cast<std::size_t>(text.size()) > kMaxFileBytes)
        return failed(QStringLiteral("it would be larger than %1 MiB; the settings are kept for this run only")
                          .arg(kMaxFileBytes >> 20));
    if (!ReplaceFile(m_FolderFd, file.name, text))
        return failed(QString::fromLocal8Bit(std::strerror(errno)));
    file.values = std::move(merged);
    file.pending.clear();
    file.reportedWriteFailure = false;
}

} // namespace korvel::platform
