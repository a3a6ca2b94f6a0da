// unitWindowInfos: the captured window list: records, merging, stored pictures and their textures.
#include "windows/unitWindowInfos.h"

#include "windows/unitUtils.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace zorvane {

namespace {

std::string folderOf(const std::string& fileName) {
    const auto slash = fileName.rfind('/');
    return slash == std::string::npos ? std::string(".") : fileName.substr(0, slash + 1);
}

bool fileExists(const std::string& fileName) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(fileName, ec));
}

// Uploads the picture into the bound texture at tw x th, the picture's top row at the texture's top
// row (rows go up bottom row first), the rest black. The picture itself is not touched, so nothing
// of a picture wider or higher than its texture is lost.
void uploadPicture(const CaptureImage& picture, int tw, int th) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (tw > maxSize || th > maxSize)
        return; // the texture stays empty, as it would after a refused upload
    const std::size_t stride = static_cast<std::size_t>(tw) * 3; // a multiple of 4, as tw >= 128
    std::vector<std::uint8_t> texels(stride * static_cast<std::size_t>(th), 0);
    const int rows = std::min(picture.height(), th);
    const std::size_t bytes = static_cast<std::size_t>(std::min(picture.width(), tw)) * 3;
    for (int y = 0; y < rows; ++y)
        std::memcpy(texels.data() + static_cast<std::size_t>(th - 1 - y) * stride, picture.row(y), bytes);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, tw, th, 0, GL_BGR, GL_UNSIGNED_BYTE, texels.data());
    glPopClientAttrib();
}

} // namespace

TextureLayout ComputeTextureLayout(int pictureWidth, int pictureHeight, int screenWidth, int screenHeight,
                                   const Rect& windowRect, const Rect* regionBox) {
    TextureLayout layout;
    layout.textureWidth = NextPowerOfTwo(pictureWidth);
    layout.textureHeight = NextPowerOfTwo(pictureHeight);
    layout.TexS = static_cast<float>(static_cast<double>(pictureWidth) / layout.textureWidth);
    layout.TexT = static_cast<float>(static_cast<double>(pictureHeight) / layout.textureHeight);
    const double sw = std::max(screenWidth, 1);
    const double sh = std::max(screenHeight, 1);
    layout.Width = static_cast<float>(pictureWidth / sw);
    layout.Height = static_cast<float>(pictureHeight / sh);
    const int left = windowRect.left + (regionBox ? regionBox->left : 0);
    const int top = windowRect.top + (regionBox ? regionBox->top : 0);
    layout.HomeX = static_cast<float>(left * 0.5 / (sw / 2) - 0.5);
    layout.HomeY = static_cast<float>(top * -0.5 / (sh / 2) + 0.5);
    return layout;
}

std::string FormatDateSerial(double serial, char decimalSeparator) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, serial, std::chars_format::general, 15);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::string("0");
    std::replace(text.begin(), text.end(), '.', decimalSeparator);
    return text;
}

char LocaleDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    if (conventions && conventions->decimal_point && conventions->decimal_point[0] &&
        conventions->decimal_point[1] == '\0')
        return conventions->decimal_point[0];
    return '.';
}

// --- TWindowInfo ----------------------------------------------------------------------------

TWindowInfo::TWindowInfo(WindowHandle handle, std::string className, std::string caption,
                         std::int32_t showCmd, std::unique_ptr<CaptureImage> bitmap, std::string fileName)
    : Handle(handle), ClassName(std::move(className)), Caption(std::move(caption)), ShowCmd(showCmd),
      Bitmap(std::move(bitmap)), FileName(std::move(fileName)) {}

TWindowInfo::~TWindowInfo() {
    if (!FileName.empty())
        ::unlink(FileName.c_str()); // a file that was never written is simply not there
}

void TWindowInfo::BuildTexture(const ScreenGeometry& screen) {
    if (!Bitmap)
        throw std::logic_error("BuildTexture: the record of \"" + Caption + "\" holds no picture");
    Rect rect;
    if (!screen.windowRect(Handle, rect))
        rect = Rect{};
    Rect box;
    const bool hasRegion = screen.windowRegionBox(Handle, box);
    const TextureLayout layout =
        ComputeTextureLayout(Bitmap->width(), Bitmap->height(), screen.screenWidth(), screen.screenHeight(),
                             rect, hasRegion ? &box : nullptr);
    TexS = layout.TexS;
    TexT = layout.TexT;
    Width = layout.Width;
    Height = layout.Height;
    HomeX = layout.HomeX;
    HomeY = layout.HomeY;
    X = HomeX;
    Y = HomeY;

    GLuint name = 0;
    glGenTextures(1, &name);
    Texture = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    uploadPicture(*Bitmap, layout.textureWidth, layout.textureHeight);
}

void TWindowInfo::StoreBitmap() {
    if (!Bitmap)
        throw std::logic_error("StoreBitmap: the record of \"" + Caption + "\" holds no picture");
    // The folder may have been cleared away since the record was named (temporary folders get
    // cleaned): make it again, private, rather than keep every later picture in memory.
    std::string why;
    if (!EnsureCaptureFolder(folderOf(FileName), &why))
        throw std::system_error(EACCES, std::generic_category(), "the capture folder is not usable: " + why);
    errno = 0;
    if (!Bitmap->saveBMP(FileName))
        throw std::system_error(errno ? errno : EIO, std::generic_category(), "cannot write " + FileName);
    Bitmap.reset();
}

bool TWindowInfo::LoadStoredBitmap() {
    if (FileName.empty() || !IsCaptureFolderSafe(folderOf(FileName)))
        return false;
    std::unique_ptr<CaptureImage> stored = CaptureImage::loadBMP(FileName);
    if (!stored)
        return false;
    Bitmap = std::move(stored);
    return true;
}

// --- TWindowInfos ---------------------------------------------------------------------------

TWindowInfos::TWindowInfos(const ScreenGeometry& screen, std::string captureFolder, const Clock& clock)
    : screen_(screen), captureFolder_(std::move(captureFolder)), clock_(clock) {
    if (!captureFolder_.empty() && captureFolder_.back() != '/')
        captureFolder_ += '/';
}

TWindowInfos::~TWindowInfos() {
    while (!records_.empty())
        records_.pop_back();
}

bool TWindowInfos::NameInUse(const std::string& fileName) const {
    return std::any_of(records_.begin(), records_.end(),
                       [&](const auto& record) { return record->FileName == fileName; });
}

std::string TWindowInfos::ChooseFileName() const {
    // A folder that cannot be made is noticed when the picture is written.
    EnsureCaptureFolder(captureFolder_);
    const char separator = LocaleDecimalSeparator();
    std::int64_t tick = clock_.localMilliseconds();
    // Several records made within one clock tick take the following ticks' names instead of waiting
    // for the clock, so a stopped clock cannot hang the capture cycle.
    for (int attempt = 0;; ++attempt, ++tick) {
        std::string name =
            captureFolder_ +
            FormatDateSerial(static_cast<double>(tick) / Clock::kMillisecondsPerDay, separator) + ".bmp";
        if (attempt >= 1'000'000 || (!fileExists(name) && !NameInUse(name)))
            return name;
    }
}

int TWindowInfos::Add(WindowHandle handle, const std::string& className, const std::string& caption,
                      std::int32_t showCmd, std::unique_ptr<CaptureImage> bitmap) {
    records_.push_back(std::make_unique<TWindowInfo>(handle, className, caption, showCmd, std::move(bitmap),
                                                     ChooseFileName()));
    return Count() - 1;
}

void TWindowInfos::Update(int position, WindowHandle handle, const std::string& className,
                          const std::string& caption, std::int32_t showCmd,
                          std::unique_ptr<CaptureImage> bitmap) {
    int i = IndexOf(handle, className);
    if (i < 0) {
        i = Add(handle, className, caption, showCmd, std::move(bitmap));
    } else {
        TWindowInfo& record = *records_[static_cast<std::size_t>(i)];
        record.Caption = caption;
        record.ShowCmd = showCmd;
        // A minimised window shows as it last looked, when that picture can still be read.
        if (!(showCmd == 2 && LoadBitmap(i)))
            record.Bitmap = std::move(bitmap);
    }
    if (i != position)
        Move(i, std::clamp(position, 0, Count() - 1));
}

void TWindowInfos::Move(int from, int to) {
    if (from == to)
        return;
    if (from < 0 || from >= Count() || to < 0 || to >= Count())
        throw std::out_of_range("TWindowInfos::Move: position outside the list");
    auto record = std::move(records_[static_cast<std::size_t>(from)]);
    records_.erase(records_.begin() + from);
    records_.insert(records_.begin() + to, std::move(record));
}

void TWindowInfos::Delete(int position) {
    if (position < 0 || position >= Count())
        throw std::out_of_range("TWindowInfos::Delete: position outside the list");
    records_.erase(records_.begin() + position);
}

std::unique_ptr<TWindowInfo> TWindowInfos::Take(int position) {
    if (position < 0 || position >= Count())
        throw std::out_of_range("TWindowInfos::Take: position outside the list");
    auto record = std::move(records_[static_cast<std::size_t>(position)]);
    records_.erase(records_.begin() + position);
    return record;
}

void TWindowInfos::Insert(int position, std::unique_ptr<TWindowInfo> record) {
    if (position < 0 || position > Count() || !record)
        throw std::out_of_range("TWindowInfos::Insert: position outside the list");
    records_.insert(records_.begin() + position, std::move(record));
}

int TWindowInfos::IndexOf(WindowHandle handle, const std::string& className) const {
    for (int i = 0; i < Count(); ++i) {
        const TWindowInfo& record = *records_[static_cast<std::size_t>(i)];
        if (record.Handle == handle && record.ClassName == className)
            return i;
    }
    return -1;
}

TWindowInfo& TWindowInfos::Items(int position) {
    if (position < 0 || position >= Count())
        throw std::out_of_range("TWindowInfos::Items: position " + std::to_string(position) +
                                " outside 0 .. " + std::to_string(Count() - 1));
    return *records_[static_cast<std::size_t>(position)];
}

const TWindowInfo& TWindowInfos::Items(int position) const {
    return const_cast<TWindowInfos*>(this)->Items(position);
}

void TWindowInfos::StoreAll() {
    for (auto& record : records_)
        if (record->Bitmap)
            record->StoreBitmap();
}

bool TWindowInfos::LoadBitmap(int position) {
    return Items(position).LoadStoredBitmap();
}

int TWindowInfos::DeleteMissing(const std::vector<WindowHandle>& handles) {
    int deleted = 0;
    for (int i = Count() - 1; i >= 0; --i) {
        if (std::find(handles.begin(), handles.end(), records_[static_cast<std::size_t>(i)]->Handle) ==
            handles.end()) {
            Delete(i);
            ++deleted;
        }
    }
    return deleted;
}

int TWindowInfos::PrepareForShowing() {
    for (int i = Count() - 1; i >= 0; --i) {
        TWindowInfo& record = *records_[static_cast<std::size_t>(i)];
        if (!record.Bitmap && !record.LoadStoredBitmap())
            Delete(i);
    }
    return Count();
}

} // namespace zorvane
