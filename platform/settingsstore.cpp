#include "platform/settingsstore.h"

#include "platform/qtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::platform {
namespace {

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerFolder = kOwnerFile | QFileDevice::ExeOwner;

// Creates the folder (0700) and the file (0600) before QSettings first writes it; the
// file's mode is then kept when QSettings replaces it.
void PrepareFile(const QString& folder, const QString& file) {
    QDir().mkpath(folder);
    QFile::setPermissions(folder, kOwnerFolder);
    QByteArray path = QFile::encodeName(file);
    int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) ::close(fd);
    ::chmod(path.constData(), S_IRUSR | S_IWUSR);
}

QString GroupKey(const std::string& section, const std::string& key) {
    return QtSettingsStore::EscapeName(section) + QLatin1Char('/') + QtSettingsStore::EscapeName(key);
}

} // namespace

QtSettingsStore::QtSettingsStore(QString folder) : m_Folder(folder.isEmpty() ? DefaultFolder() : folder) {}

QtSettingsStore::~QtSettingsStore() { Sync(); }

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

QSettings& QtSettingsStore::SettingsOf(const std::string& application) const {
    auto it = m_Files.find(application);
    if (it != m_Files.end()) return *it->second;
    QString file = FileOf(application);
    PrepareFile(m_Folder, file);
    auto settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    QSettings& ref = *settings;
    m_Files.emplace(application, std::move(settings));
    return ref;
}

std::string QtSettingsStore::Get(const std::string& application, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) const {
    QVariant v = SettingsOf(application).value(GroupKey(section, key));
    if (!v.isValid()) return defaultValue;
    return FromQString(v.toString());
}

void QtSettingsStore::Save(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& value) {
    QSettings& settings = SettingsOf(application);
    QString k = GroupKey(section, key);
    QString v = ToQString(value);
    QVariant old = settings.value(k);
    // Unchanged values are not written again (the text cache saves every text it finds).
    if (old.isValid() && old.toString() == v) return;
    settings.setValue(k, v);
}

void QtSettingsStore::Delete(const std::string& application, const std::string& section) {
    SettingsOf(application).remove(EscapeName(section));
}

void QtSettingsStore::Sync() {
    for (auto& [application, settings] : m_Files) {
        settings->sync();
        QFile::setPermissions(settings->fileName(), kOwnerFile);
    }
}

} // namespace korvel::platform
