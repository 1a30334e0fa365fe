// LoadPicture as the editor calls it: the input becomes a file whose
// extension (one of the accepted ones) is picked by the input's last byte, so
// both the content and the extension route are reached.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/Errors.h"
#include "formats/LoadedPicture.h"
#include "formats/PictureFormats.h"

namespace {

std::string TempBase() {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/pictorel-fuzz-" + std::to_string(getpid()) + ".";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = TempBase();
    static const auto extensions = pictorel::AcceptedExtensions();
    const std::string path =
        base + std::string(extensions[size ? data[size - 1] % extensions.size() : 0]);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    const bool written = std::fwrite(data, 1, size, f) == size;
    std::fclose(f);
    if (written) {
        pictorel::LoadedPicture picture;
        try {
            pictorel::LoadPicture(picture, path);
        } catch (const pictorel::Error&) {
            if (!picture.Empty()) __builtin_trap();  // a failed load changes nothing
        }
    }
    std::remove(path.c_str());
    return 0;
}
