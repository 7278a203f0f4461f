#pragma once
// Test doubles for the record data files: a file system in memory that can be told to
// fail its writes (a full disk), a scripted random source, a state with its own
// environment, numbered texts and a trace sink.
#include "core/clientstate.h"
#include "core/datafile.h"

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace korvel::testing {

class MemoryFileSystem final : public IDataFileSystem {
public:
    std::map<std::string, Bytes> Files;
    int Writes = 0;
    bool FailWrites = false; // every write fails as on a full disk

    bool FileIsThere(const std::string& path) override { return Files.count(path) != 0; }
    Bytes ReadWhole(const std::string& path) override {
        auto it = Files.find(path);
        if (it == Files.end()) throw FileError("No such file or directory");
        return it->second;
    }
    void WriteWhole(const std::string& path, std::string_view bytes) override {
        if (FailWrites) throw FileError("No space left on device");
        ++Writes;
        Files[path] = Bytes(bytes);
    }
    void Remove(const std::string& path) override {
        if (!Files.erase(path)) throw FileError("No such file or directory");
    }
};

// Passes everything to another file system, except that writes can be made to fail.
class FailingWriter final : public IDataFileSystem {
public:
    explicit FailingWriter(std::shared_ptr<IDataFileSystem> inner) : m_Inner(std::move(inner)) {}
    bool FailWrites = true;
    bool FileIsThere(const std::string& p) override { return m_Inner->FileIsThere(p); }
    Bytes ReadWhole(const std::string& p) override { return m_Inner->ReadWhole(p); }
    void WriteWhole(const std::string& p, std::string_view b) override {
        if (FailWrites) throw FileError("No space left on device");
        m_Inner->WriteWhole(p, b);
    }
    void Remove(const std::string& p) override { m_Inner->Remove(p); }

private:
    std::shared_ptr<IDataFileSystem> m_Inner;
};

// A fresh folder, removed with everything in it at the end of the test.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        std::string t = (std::filesystem::temp_directory_path() / "korvel-datafile-XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path, ec);
    }
};

class ScriptedRandom final : public IRandomSource {
public:
    explicit ScriptedRandom(std::vector<double> values) : m_Values(std::move(values)) {}
    double Next() override { return m_Values[m_Next++ % m_Values.size()]; }

private:
    std::vector<double> m_Values;
    std::size_t m_Next = 0;
};

// The clock of the sample files' "upgraded" versions.
inline DateTime UpgradeTime() { return DateTime::FromParts(2025, 1, 2, 6, 0, 0); }
// The saved-at date inside the sample files.
inline DateTime SampleSavedAt() { return DateTime::FromParts(2024, 3, 15, 10, 30, 0); }

// A client state whose data files live in memory under the folder "/data/", with
// numbered texts "T<n>" for every text the trace lines use, and a trace sink.
struct FileTestState {
    ClientState State;
    DataFileEnvironment Env;
    std::shared_ptr<MemoryFileSystem> Memory = std::make_shared<MemoryFileSystem>();
    std::vector<Bytes> Trace;

    FileTestState() {
        Env.Files = Memory;
        Env.Random = std::make_shared<ScriptedRandom>(std::vector<double>{0.25});
        Env.Clock = [] { return UpgradeTime(); };
        Env.TraceSink = [this](const Bytes& line) { Trace.push_back(line); };
        State.DataFiles = &Env;
        State.ServerDataPath = "/data/";
        for (int n : {803, 804, 805, 888, 929, 930, 976, 977, 978, 979, 980, 981, 982, 1088}) {
            Bytes text = "T" + std::to_string(n);
            State.TextTable.Rows.push_back(TextRow{n, static_cast<int32_t>(State.TextTable.Blob.size()) + 1,
                                                   static_cast<int32_t>(text.size())});
            State.TextTable.Blob += text;
        }
    }
};

inline Bytes SampleFile(const std::string& name) {
    std::ifstream in(std::string(KORVEL_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace korvel::testing
