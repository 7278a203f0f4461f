#pragma once
// The per-user settings store on QSettings: one INI file per application in the user's
// configuration folder ($XDG_CONFIG_HOME/Korvel, usually ~/.config/Korvel), sections as
// groups, keys as keys. Any application, section or key text works: "%", "/" and "\"
// are escaped so that a name never becomes a path. Values are Windows-1252 bytes, kept
// as Unicode text in the file. The folder is private to the user (0700) and each file
// readable by its owner only (0600), since the container keeps a password here.
//
// Changes are visible at once to every store in the process and are written to disk by
// Sync(), by Qt's event loop shortly after, and when the store is destroyed.

#include "core/settingsstore.h"

#include <QString>

#include <map>
#include <memory>
#include <string>

class QSettings;

namespace korvel::platform {

class QtSettingsStore final : public ISettingsStore {
public:
    // folder: where the files live; empty means DefaultFolder().
    explicit QtSettingsStore(QString folder = QString());
    ~QtSettingsStore() override;
    QtSettingsStore(const QtSettingsStore&) = delete;
    QtSettingsStore& operator=(const QtSettingsStore&) = delete;

    std::string Get(const std::string& application, const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
    void Save(const std::string& application, const std::string& section, const std::string& key,
              const std::string& value) override;
    void Delete(const std::string& application, const std::string& section) override;

    // Writes every pending change to disk now.
    void Sync();

    // The file that holds an application's settings.
    QString FileOf(const std::string& application) const;
    const QString& Folder() const { return m_Folder; }

    // $XDG_CONFIG_HOME/Korvel (or ~/.config/Korvel).
    static QString DefaultFolder();
    // The escaped form of one name: "%" -> "%25", "/" -> "%2F", "\" -> "%5C", a leading
    // "." -> "%2E", and the empty name -> "%".
    static QString EscapeName(const std::string& name);

private:
    QSettings& SettingsOf(const std::string& application) const;

    QString m_Folder;
    mutable std::map<std::string, std::unique_ptr<QSettings>> m_Files;
};

} // namespace korvel::platform
