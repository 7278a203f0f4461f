// The per-user settings store: values survive a new store, any name works, sections
// delete as a whole, the files are private to the user and in QSettings' dialect, and
// nothing outside the user's own folder is ever touched.
#include "platform/qtext.h"
#include "platform/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

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

// Files of earlier runs were written by QSettings: every text reads back as QSettings
// wrote it, and QSettings reads the store's files as the store meant them.
TEST(QtSettingsStore, FilesReadAndWriteInTheDialectOfQSettings) {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/Korvel";
    const std::string pieces[] = {" ", "  ", ";", ",", "=", "\"", "\\", "/", "%", "@", "#", "[", "]", "\t", "\r\n",
                                  "\x01", "0", "7", "a", "F", "x", "\xE9", "\x80", "\xFF", "General", "@Invalid()",
                                  "@String(", ")", "text", "\\x41"};
    std::mt19937 random(16);
    auto text = [&] {
        std::string out;
        for (int n = static_cast<int>(random() % 6); n > 0; --n) out += pieces[random() % std::size(pieces)];
        return out;
    };
    for (int round = 0; round < 40; ++round) {
        std::map<std::pair<std::string, std::string>, std::string> values;
        for (int n = 0; n < 8; ++n) values[{text(), text()}] = text();
        const std::string app = round % 2 ? "Korvel Container" : "Korvel ActiveX Client";
        QFile::remove(folder + "/" + QtSettingsStore::EscapeName(app) + ".ini");
        const bool qtWrites = round % 4 < 2;
        if (qtWrites) {
            QDir().mkpath(folder);
            QSettings qt(folder + "/" + QtSettingsStore::EscapeName(app) + ".ini", QSettings::IniFormat);
            for (const auto& [at, value] : values)
                qt.setValue(QtSettingsStore::EscapeName(at.first) + "/" + QtSettingsStore::EscapeName(at.second),
                            korvel::platform::ToQString(value));
        } else {
            QtSettingsStore store(folder);
            for (const auto& [at, value] : values) store.Save(app, at.first, at.second, value);
        }
        QtSettingsStore store(folder);
        QSettings qt(store.FileOf(app), QSettings::IniFormat);
        for (const auto& [at, value] : values) {
            const QString key = QtSettingsStore::EscapeName(at.first) + "/" + QtSettingsStore::EscapeName(at.second);
            if (qtWrites)
                EXPECT_EQ(store.Get(app, at.first, at.second, "?"), value) << key.toStdString();
            else
                EXPECT_EQ(korvel::platform::FromQString(qt.value(key).toString()), value) << key.toStdString();
        }
    }
}

// Nothing is written, created or changed in mode through a link, nor in a folder of
// another user; a FIFO at a file's name does not hold the store up. The other file keeps
// its bytes and its mode; the settings stay usable for the run.
TEST(QtSettingsStore, LinksFifosAndOtherUsersFoldersAreNeverFollowed) {
    QTemporaryDir tmp;
    const QString other = tmp.path() + "/other.txt";
    auto makeOther = [&] {
        QFile::remove(other);
        QFile file(other);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Parameters]\nServerAddress=theirs\n");
        file.close();
        ::chmod(QFile::encodeName(other).constData(), 0644);
    };
    auto otherIsUnchanged = [&](const char* situation) {
        QFile file(other);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << situation;
        EXPECT_EQ(file.readAll(), QByteArray("[Parameters]\nServerAddress=theirs\n")) << situation;
        EXPECT_EQ(ModeOf(other), 0644u) << situation;
    };
    auto use = [](QtSettingsStore& store) {
        EXPECT_EQ(store.Get("Korvel Container", "Parameters", "ServerAddress", "none"), "none");
        store.Save("Korvel Container", "Parameters", "Password", "secret");
        store.Sync();
        EXPECT_EQ(store.Get("Korvel Container", "Parameters", "Password", ""), "secret");
    };
    const QString name = "/Korvel Container.ini";
    int n = 0;
    {
        SCOPED_TRACE("a linked file is replaced by a file of its own");
        makeOther();
        const QString folder = tmp.path() + "/c" + QString::number(++n);
        QDir().mkpath(folder);
        ASSERT_TRUE(QFile::link(other, folder + name));
        QtSettingsStore store(folder);
        use(store);
        otherIsUnchanged("linked file");
        EXPECT_FALSE(QFileInfo(folder + name).isSymLink());
        EXPECT_EQ(ModeOf(folder + name), 0600u);
    }
    {
        SCOPED_TRACE("a dangling link does not create its target");
        const QString folder = tmp.path() + "/c" + QString::number(++n);
        QDir().mkpath(folder);
        ASSERT_TRUE(QFile::link(tmp.path() + "/target.ini", folder + name));
        QtSettingsStore store(folder);
        use(store);
        EXPECT_FALSE(QFile::exists(tmp.path() + "/target.ini"));
    }
    {
        SCOPED_TRACE("a FIFO at the name");
        const QString folder = tmp.path() + "/c" + QString::number(++n);
        QDir().mkpath(folder);
        ASSERT_EQ(::mkfifo(QFile::encodeName(folder + name).constData(), 0600), 0);
        QtSettingsStore store(folder);
        use(store);
        EXPECT_TRUE(QFileInfo(folder + name).isFile());
    }
    {
        SCOPED_TRACE("a linked folder is not used");
        makeOther();
        const QString real = tmp.path() + "/real";
        QDir().mkpath(real);
        ASSERT_TRUE(QFile::link(other, real + name));
        ::chmod(QFile::encodeName(real).constData(), 0755);
        ASSERT_TRUE(QFile::link(real, tmp.path() + "/linked"));
        QtSettingsStore store(tmp.path() + "/linked");
        use(store);
        otherIsUnchanged("linked folder");
        EXPECT_EQ(ModeOf(real), 0755u);
        EXPECT_TRUE(QFileInfo(real + name).isSymLink());
    }
    {
        SCOPED_TRACE("a folder of another user is not used");
        makeOther();
        const QString theirs = tmp.path() + "/theirs";
        QDir().mkpath(theirs);
        ASSERT_TRUE(QFile::copy(other, theirs + name));
        ::chmod(QFile::encodeName(theirs + name).constData(), 0644);
        ::chmod(QFile::encodeName(theirs).constData(), 0755);
        if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
        ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
        QtSettingsStore store(theirs);
        use(store);
        QFile file(theirs + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("[Parameters]\nServerAddress=theirs\n"));
        EXPECT_EQ(ModeOf(theirs + name), 0644u);
        EXPECT_EQ(ModeOf(theirs), 0755u);
    }
}

// A file larger than the store reads is neither read nor replaced.
TEST(QtSettingsStore, AFileTooLargeToReadIsKeptAsItIs) {
    QTemporaryDir tmp;
    const QString file = tmp.path() + "/Korvel ActiveX Client.ini";
    {
        QFile big(file);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write("[Texts]\n1=one\n");
        ASSERT_TRUE(big.resize(static_cast<qint64>(QtSettingsStore::kMaxFileBytes) + 1));
    }
    {
        QtSettingsStore store(tmp.path());
        EXPECT_EQ(store.Get("Korvel ActiveX Client", "Texts", "1", "none"), "none");
        store.Save("Korvel ActiveX Client", "Texts", "2", "two");
        EXPECT_EQ(store.Get("Korvel ActiveX Client", "Texts", "2", ""), "two");
    }
    EXPECT_EQ(QFileInfo(file).size(), static_cast<qint64>(QtSettingsStore::kMaxFileBytes) + 1);
}
