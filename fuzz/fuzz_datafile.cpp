// Arbitrary bytes as a receiver or profile record file of any version.
//
// The first input byte chooses the record (even: receiver, odd: profile); the rest is
// written to the record's file in a temporary data folder and loaded with LoadFromDisk.
// Checked: no crash or sanitizer report; a failed load never rewrites the file; a
// successful load of an older version rewrites it once, as version 5, and that file
// loads again without a rewrite.
#include "core/clientstate.h"
#include "core/datafile.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvel;

namespace {

// Reads the real files; keeps writes in memory (no fsync per input) and counts them.
class RecordingFiles final : public IDataFileSystem {
public:
    PosixDataFileSystem Disk;
    int Writes = 0;
    Bytes LastWrite;
    bool FileIsThere(const std::string& p) override { return Disk.FileIsThere(p); }
    Bytes ReadWhole(const std::string& p) override { return Disk.ReadWhole(p); }
    void WriteWhole(const std::string&, std::string_view b) override {
        ++Writes;
        LastWrite = Bytes(b);
    }
    void Remove(const std::string& p) override { Disk.Remove(p); }
};

char g_Folder[] = "/tmp/korvel-fuzz-datafile-XXXXXX";

void RemoveFolder() {
    const std::string dir = g_Folder;
    ::unlink((dir + "/Receivers/Receiver_0007.dat").c_str());
    ::unlink((dir + "/Profiles/Profile_0007.dat").c_str());
    ::rmdir((dir + "/Receivers").c_str());
    ::rmdir((dir + "/Profiles").c_str());
    ::rmdir(dir.c_str());
}

std::string MakeFolder() {
    if (!::mkdtemp(g_Folder)) std::abort();
    const std::string dir = g_Folder;
    if (::mkdir((dir + "/Receivers").c_str(), 0700) != 0 || ::mkdir((dir + "/Profiles").c_str(), 0700) != 0)
        std::abort();
    std::atexit(RemoveFolder);
    return dir + "/";
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

template <class Record>
void Check(ClientState& state, RecordingFiles& files, const std::string& path, const uint8_t* data, size_t size) {
    WriteFile(path, data, size);
    files.Writes = 0;
    Record record;
    const bool loaded = record.LoadFromDisk(state, 7);
    const int16_t version = size >= 2 ? static_cast<int16_t>(data[0] | (data[1] << 8)) : 0;
    if (!loaded) {
        if (files.Writes != 0) std::abort(); // a failed load must never rewrite the file
        return;
    }
    if (version == 5) {
        if (files.Writes != 0) std::abort();
        return;
    }
    if (files.Writes != 1) std::abort(); // an older version is written again as version 5
    const Bytes upgraded = files.LastWrite;
    WriteFile(path, reinterpret_cast<const uint8_t*>(upgraded.data()), upgraded.size());
    files.Writes = 0;
    Record again;
    if (!again.LoadFromDisk(state, 7) || files.Writes != 0) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = MakeFolder();
    static auto files = std::make_shared<RecordingFiles>();
    static DataFileEnvironment env = [] {
        DataFileEnvironment e;
        e.Files = files;
        e.Clock = [] { return DateTime::FromParts(2025, 1, 2, 6, 0, 0); };
        return e;
    }();
    if (size == 0) return 0;

    ClientState state;
    state.DataFiles = &env;
    state.ServerDataPath = folder;
    state.ChildProfilesAllowed = (data[0] & 2) != 0;
    if (data[0] & 1)
        Check<cProfile>(state, *files, folder + "Profiles/Profile_0007.dat", data + 1, size - 1);
    else
        Check<cReceiver>(state, *files, folder + "Receivers/Receiver_0007.dat", data + 1, size - 1);
    return 0;
}
