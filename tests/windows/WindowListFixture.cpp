// WindowListFixture: set-up and clean-up of a test's private capture folder.
#include "WindowListFixture.h"

#include <unistd.h>

namespace zorvane::test {

void WindowListFixture::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zv-windows-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    base = pattern;
    captureFolder = (base / "~ZRVN").string() + "/";
    list = std::make_unique<TWindowInfos>(screen, captureFolder, clock);
}

void WindowListFixture::TearDown() {
    list.reset();
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
}

int WindowListFixture::filesInFolder() const {
    std::error_code ec;
    int count = 0;
    for (auto it = std::filesystem::directory_iterator(captureFolder, ec);
         !ec && it != std::filesystem::end(it); ++it)
        ++count;
    return count;
}

} // namespace zorvane::test
