// EffectTestSupport: the counting host and the hand-set window list.
#include "effects/EffectTestSupport.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace zorvane::test {

LogicWindowList::LogicWindowList(const std::vector<RecordGeometry>& records) {
    build(records);
}

LogicWindowList::LogicWindowList(int count) {
    std::vector<RecordGeometry> records;
    for (int i = 0; i < count; ++i) {
        records.push_back({-0.5f + 0.05f * static_cast<float>(i % 7),
                           0.5f - 0.04f * static_cast<float>(i % 5), 0.3f + 0.02f * static_cast<float>(i % 4),
                           0.25f + 0.03f * static_cast<float>(i % 3)});
    }
    build(records);
}

void LogicWindowList::build(const std::vector<RecordGeometry>& records) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvane-effect-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    folder_ = pattern + "/";
    list_ = std::make_unique<TWindowInfos>(screen_, folder_);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const int position = list_->Add(i + 1, "Test", "Window", 1, std::make_unique<CaptureImage>(1, 1));
        TWindowInfo& info = list_->Items(position);
        info.HomeX = info.X = records[i].homeX;
        info.HomeY = info.Y = records[i].homeY;
        info.Width = records[i].width;
        info.Height = records[i].height;
        info.TexS = 1.0f;
        info.TexT = 1.0f;
    }
}

LogicWindowList::~LogicWindowList() {
    list_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::vector<WindowHandle> LogicWindowList::handles() const {
    std::vector<WindowHandle> result;
    for (int i = 0; i < list_->Count(); ++i) {
        result.push_back(list_->Items(i).Handle);
    }
    return result;
}

} // namespace zorvane::test
