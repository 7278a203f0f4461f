// The system configuration file reader (the registry's place): any file content, read
// for the client's key as a control does when it starts.
//
// Checked: no crash and no sanitizer report; a value reads the same under its name in
// any case of letters; a number comes back as "&h" and eight hexadecimal digits; a text
// longer than 1023 bytes gives the default; the control's start-up read of the key takes
// whatever the file holds.
#include "core/clientstate.h"
#include "core/cp1252.h"
#include "core/procedures.h"
#include "core/registry.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace korvel;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "configuration reader invariant broken: %s\n", what);
        std::abort();
    }
}

// The input as a file, in memory: one descriptor for the whole run, rewritten per input.
const std::string& FileWith(const uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("korvel-client.conf", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    Check(fd >= 0, "memfd_create");
    Check(::ftruncate(fd, 0) == 0, "ftruncate");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        Check(n > 0, "pwrite");
        done += static_cast<std::size_t>(n);
    }
    return path;
}

std::string Flipped(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        c = std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                                                        : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string& path = FileWith(data, size);
    for (const char* name : {"ServerAddress", "ServerPort", "Area", "IgnoreCtrlWhenEnablingOrDisabling"}) {
        const std::string value = GetRegistryValue(name, "<default>", kClientRegistryKey, path);
        Check(value == GetRegistryValue(Flipped(name), "<default>", Flipped(kClientRegistryKey), path),
              "names and key paths compare ignoring case");
        const auto stored = ReadSystemConfigValue(path, kClientRegistryKey, name);
        if (!stored) {
            Check(value == "<default>", "a missing value gives the default");
        } else if (stored->Type == RegistryType::Number) {
            Check(value.size() == 10 && value.rfind("&h", 0) == 0, "a number reads as &h and eight digits");
        } else {
            Check(value == (stored->Text.size() > 1023 ? "<default>" : stored->Text), "a text as stored, or the default when too long");
        }
    }
    ClientState state;
    state.ConnectAttempted = true;
    ReadRegistrySettings(state, path);
    Check(!state.ConnectAttempted, "the start-up read clears the connect attempt");
    return 0;
}
