// FuzzSupport: the private folder, the GL context and the checks shared by the fuzz targets.
#include "FuzzSupport.h"

#include "gl/OffscreenGL.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

namespace zorvane::fuzz {

namespace {

// The folder lives as long as the process; its destructor runs when libFuzzer exits normally.
class WorkFolder {
public:
    WorkFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/zorvane-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            Fail("cannot create the fuzz work folder");
        path_ = pattern;
    }
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

WorkFolder& Folder() {
    static WorkFolder folder;
    return folder;
}

} // namespace

std::string WorkPath(const std::string& name) {
    return (Folder().path() / name).string();
}

std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = WorkPath(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    Check(static_cast<bool>(out), "cannot write the fuzz input file");
    return path;
}

void EnsureGL() {
    // Kept to the end of the process on purpose: tearing EGL down at exit unloads Mesa's driver,
    // and the leak check that runs after it would then blame the driver's own start-up memory on
    // the fuzzer.
    static OffscreenGL* const context = std::make_unique<OffscreenGL>(16, 16).release();
    context->makeCurrent();
}

void Fail(std::string_view what) {
    std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0, minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

} // namespace zorvane::fuzz
