// The per-user settings store on QSettings: values survive a new store, any name works,
// sections delete as a whole, and the files are private to the user.
#include "platform/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using korvel::platform::QtSettingsStore;

namespace {

unsigned ModeOf(const QString& path) {
    struct stat st {};
    if (stat(QFile::encodeName(path).constData(), &st) != 0) return 0xFFFF;
    return st.st_mode & 0777;
}

std::string AllBytes() {
    std::string all;
    for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
    return all;
}

} // namespace

TEST(QtSettingsStore, ValuesSurviveANewStoreAndOddNamesStayApart) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = tmp.path() + "/cfg/Korvel";
    const std::string app = "Korvel ActiveX Client";
    const std::vector<std::string> keys = {
        "1", "a/b", "a\\b", "a%2Fb", "", " spaced ", "=;#[x]", "General", "\xE5\xE4\xF6", ".", "..", "@Variant(x)",
        "A", "a", // keys are case-sensitive
    };
    {
        QtSettingsStore store(folder);
        EXPECT_EQ(store.Get(app, "Texts", "1", "none"), "none");
        for (std::size_t i = 0; i < keys.size(); ++i) store.Save(app, "Texts", keys[i], "v" + std::to_string(i));
        store.Save(app, "a/b", "k", "slash section");
        store.Save(app, "", "k", "empty section");
        store.Save("Korvel/Container", "Parameters", "Password", "secret");
        store.Save(app, "Bytes", "all", AllBytes());
        store.Save(app, "Bytes", "lines", "line 1\r\nline 2\t\"quoted\" @x");
        EXPECT_EQ(store.Get(app, "Texts", "1", "none"), "v0") << "visible before it is written";
    }
    QtSettingsStore store(folder);
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(store.Get(app, "Texts", keys[i], "?"), "v" + std::to_string(i)) << '"' << keys[i] << '"';
    EXPECT_EQ(store.Get(app, "a/b", "k", "?"), "slash section");
    EXPECT_EQ(store.Get(app, "a", "b/k", "?"), "?");
    EXPECT_EQ(store.Get(app, "", "k", "?"), "empty section");
    EXPECT_EQ(store.Get("Korvel/Container", "Parameters", "Password", "?"), "secret");
    EXPECT_EQ(store.Get(app, "Bytes", "all", "?"), AllBytes());
    EXPECT_EQ(store.Get(app, "Bytes", "lines", "?"), "line 1\r\nline 2\t\"quoted\" @x");
    EXPECT_EQ(store.Get("Other", "Texts", "1", "d"), "d");
    EXPECT_FALSE(store.FileOf("Korvel/Container").contains("Korvel/Container")) << "a name never makes a path";
}

TEST(QtSettingsStore, DeleteRemovesTheWholeSectionOnly) {
    QTemporaryDir tmp;
    const QString folder = tmp.path();
    {
        QtSettingsStore store(folder);
        store.Save("Korvel Container", "Parameters", "ServerAddress", "alarm");
        store.Save("Korvel Container", "Parameters", "Main.Left", "10");
        store.Save("Korvel Container", "Parameters2", "x", "kept");
        store.Save("Korvel Container", "Parameters/sub", "x", "kept too");
        store.Delete("Korvel Container", "Parameters");
        EXPECT_EQ(store.Get("Korvel Container", "Parameters", "ServerAddress", "gone"), "gone");
    }
    QtSettingsStore store(folder);
    EXPECT_EQ(store.Get("Korvel Container", "Parameters", "Main.Left", "gone"), "gone");
    EXPECT_EQ(store.Get("Korvel Container", "Parameters2", "x", "?"), "kept");
    EXPECT_EQ(store.Get("Korvel Container", "Parameters/sub", "x", "?"), "kept too");
}

TEST(QtSettingsStore, FilesAndFolderArePrivate) {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/Korvel";
    QtSettingsStore store(folder);
    store.Save("Korvel Container", "Parameters", "Password", "secret");
    store.Sync();
    store.Save("Korvel Container", "Parameters", "Password", "changed"); // replaced file keeps its mode
    store.Sync();
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(store.FileOf("Korvel Container")), 0600u);
    QFile f(store.FileOf("Korvel Container"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("changed"));
}

TEST(QtSettingsStore, DefaultFolderFollowsTheUsersConfigurationFolder) {
    QTemporaryDir tmp;
    QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.path()));
    EXPECT_EQ(QtSettingsStore::DefaultFolder(), tmp.path() + "/Korvel");
    {
        QtSettingsStore store;
        store.Save("Korvel ActiveX Client", "Texts", "5", "five");
    }
    EXPECT_TRUE(QFile::exists(tmp.path() + "/Korvel/Korvel ActiveX Client.ini"));
    if (old.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", old);
}
