#pragma once
// The per-user settings store: one INI file per application in the user's configuration
// folder ($XDG_CONFIG_HOME/Korvel, usually ~/.config/Korvel), sections as INI sections,
// keys as keys, in the INI dialect QSettings reads and writes (files of earlier runs read
// as they were). Any application, section or key text works: "%", "/" and "\" are
// escaped so that a name never becomes a path. Values are Windows-1252 bytes, kept as
// Unicode text (UTF-8) in the file.
//
// What the store does on disk:
// - The folder is made private (0700) when it is the user's own. A folder that is a
//   symbolic link, or that belongs to another user, is not used: one line on standard
//   error, and the settings live in memory for this run only.
// - A file is read once, at the first use of its application, and only when it is a
//   regular file (not a link, not a FIFO) of at most kMaxFileBytes; otherwise it counts as
//   empty, with one line on standard error. A file too large to read is never written.
// - A file is written whole: a new file (0600) in the same folder, then renamed over the
//   name, so a link at the name is replaced, never followed, and a failed write leaves the
//   old file. Before writing, what another program wrote to the file meanwhile is read
//   again and this store's changes are applied on top.
//
// Changes are visible at once through this store and are written to disk by Sync(), by
// Qt's event loop shortly after, and when the store is destroyed.

#include "core/settingsstore.h"

#include <QString>

#include <cstddef>
#include <map>
#include <memory>
#include <string>

class QObject;

namespace korvel::platform {

class QtSettingsStore final : public ISettingsStore {
public:
    // Far above any real settings file (the cache of numbered texts is the largest).
    static constexpr std::size_t kMaxFileBytes = std::size_t{4} << 20;

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

    struct File; // one application's file: its values and the changes not yet written

private:
    File& FileFor(const std::string& application) const;
    bool OpenFolder() const;
    void Write(File& file);
    void ScheduleWrite();

    QString m_Folder;
    mutable int m_FolderFd = -1;
    mutable bool m_FolderOpened = false;
    mutable std::map<std::string, std::unique_ptr<File>> m_Files;
    std::unique_ptr<QObject> m_Context; // runs the writes the event loop does
    bool m_WriteScheduled = false;
};

} // namespace korvel::platform
