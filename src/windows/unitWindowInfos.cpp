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
#include <utility>

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

// A texture of the picture's own size stands for the power-of-two texture that the effects'
// addressing assumes: the texture matrix scales their coordinates onto it, and where the larger
// texture would have held black padding next to the picture, the border is black.
void setTextureParameters(int width, int height) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, black);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S,
                    width == NextPowerOfTwo(width) ? GL_REPEAT : GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T,
                    height == NextPowerOfTwo(height) ? GL_REPEAT : GL_CLAMP_TO_BORDER);
}

// Uploads the area of the picture into the bound texture of the same size: the picture's rows as
// they are, top row first, 32-bit blue-green-red-unused, which the driver takes without converting.
void uploadArea(const CaptureImage& picture, const Rect& area) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, picture.width());
    glPixelStorei(GL_UNPACK_SKIP_ROWS, area.top);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, area.left);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glTexSubImage2D(GL_TEXTURE_2D, 0, area.left, area.top, area.width(), area.height(), GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, picture.bits());
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
                         std::int32_t showCmd, std::shared_ptr<CaptureImage> bitmap, std::string fileName,
                         TPictureWriter* writer)
    : Handle(handle), ClassName(std::move(className)), Caption(std::move(caption)), ShowCmd(showCmd),
      Bitmap(std::move(bitmap)), FileName(std::move(fileName)), FWriter(writer) {}

TWindowInfo::~TWindowInfo() {
    if (FileName.empty())
        return;
    if (FWriter)
        FWriter->Forget(FileName); // no write of this file may follow its deletion
    ::unlink(FileName.c_str());    // a file that was never written is simply not there
}

TPictureBinding::~TPictureBinding() {
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(static_cast<GLenum>(mode));
}

void TWindowInfo::BindTexture() const {
    glBindTexture(GL_TEXTURE_2D, Texture);
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(FMatrixS, FMatrixT, 1.0f);
    glMatrixMode(static_cast<GLenum>(mode));
}

void TWindowInfo::PictureChanged() {
    FUploadAll = true;
    FStoreDirty = true;
}

void TWindowInfo::PictureChanged(const Rect& area) {
    FUploadArea = Unite(FUploadArea, area);
    FStoreDirty = true;
}

CaptureImage& TWindowInfo::WritablePicture() {
    if (!Bitmap)
        throw std::logic_error("WritablePicture: the record of \"" + Caption + "\" holds no picture");
    if (Bitmap.use_count() > 1) {
        // The writer still reads this one: draw into a copy, which then stands for it.
        const CaptureImage* shared = Bitmap.get();
        Bitmap = std::make_shared<CaptureImage>(*shared);
        if (FUploadedPicture == shared)
            FUploadedPicture = Bitmap.get();
        if (FStoredPicture == shared)
            FStoredPicture = Bitmap.get();
    }
    return *Bitmap;
}

bool TWindowInfo::StoreNeeded() const {
    return Bitmap && (FStoreDirty || FStoredPicture != Bitmap.get());
}

void TWindowInfo::QueueStore() {
    if (!StoreNeeded())
        return;
    std::string why;
    if (!EnsureCaptureFolder(folderOf(FileName), &why))
        return; // nothing is written into a folder that is not the user's own; the picture stays
    if (FWriter) {
        FWriter->Queue(FileName, Bitmap);
    } else if (!Bitmap->saveBMP(FileName)) {
        return;
    }
    FStoredPicture = Bitmap.get();
    FStoreDirty = false;
}

void TWindowInfo::BuildTexture(const ScreenGeometry& screen) {
    if (!HasPicture())
        throw std::logic_error("BuildTexture: the record of \"" + Caption + "\" holds no picture");
    Rect rect;
    if (!screen.windowRect(Handle, rect))
        rect = Rect{};
    Rect box;
    const bool hasRegion = screen.windowRegionBox(Handle, box);
    const TextureLayout layout =
        ComputeTextureLayout(PictureWidth(), PictureHeight(), screen.screenWidth(), screen.screenHeight(),
                             rect, hasRegion ? &box : nullptr);
    TexS = layout.TexS;
    TexT = layout.TexT;
    Width = layout.Width;
    Height = layout.Height;
    HomeX = layout.HomeX;
    HomeY = layout.HomeY;
    X = HomeX;
    Y = HomeY;
    UpdateTexture();
}

void TWindowInfo::UpdateTexture() {
    if (!Bitmap)
        return;
    const CaptureImage& picture = *Bitmap;
    const int w = picture.width();
    const int h = picture.height();
    GLuint name = Texture;
    if (name == 0 || !glIsTexture(name)) {
        glGenTextures(1, &name);
        Texture = name;
        FTextureWidth = FTextureHeight = 0;
        FTextureHolds = false;
    }
    glBindTexture(GL_TEXTURE_2D, name);
    if (FTextureWidth != w || FTextureHeight != h) {
        // Storage once per size; the pixels follow below.
        FTextureWidth = w;
        FTextureHeight = h;
        FUploadAll = true;
        FMatrixS = static_cast<float>(static_cast<double>(NextPowerOfTwo(w)) / w);
        FMatrixT = static_cast<float>(-static_cast<double>(NextPowerOfTwo(h)) / h);
        setTextureParameters(w, h);
        GLint maxSize = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
        if (w > maxSize || h > maxSize) {
            // The texture stays empty, as it would after a refused upload; the picture stays too.
            FUploadedPicture = &picture;
            FUploadAll = false;
            FUploadArea = Rect{};
            FTextureHolds = false;
            return;
        }
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    }
    if (FUploadAll || FUploadedPicture != &picture) {
        uploadArea(picture, Rect{0, 0, w, h});
    } else {
        const Rect area{std::max(FUploadArea.left, 0), std::max(FUploadArea.top, 0),
                        std::min(FUploadArea.right, w), std::min(FUploadArea.bottom, h)};
        if (area.width() > 0 && area.height() > 0)
            uploadArea(picture, area);
    }
    FUploadedPicture = &picture;
    FUploadAll = false;
    FUploadArea = Rect{};
    FTextureHolds = true;
}

void TWindowInfo::ReleasePicture() {
    if (!Bitmap || !FTextureHolds || FUploadedPicture != Bitmap.get() || FUploadAll || !FUploadArea.empty() ||
        StoreNeeded())
        return;
    Bitmap.reset();
    FUploadedPicture = nullptr;
    FStoredPicture = nullptr;
}

void TWindowInfo::StoreBitmap() {
    if (!Bitmap)
        throw std::logic_error("StoreBitmap: the record of \"" + Caption + "\" holds no picture");
    // The folder may have been cleared away since the record was named (temporary folders get
    // cleaned): make it again, private, rather than keep every later picture in memory.
    std::string why;
    if (!EnsureCaptureFolder(folderOf(FileName), &why))
        throw std::system_error(EACCES, std::generic_category(), "the capture folder is not usable: " + why);
    if (FWriter)
        FWriter->Forget(FileName); // this write is the newer one
    errno = 0;
    if (!Bitmap->saveBMP(FileName))
        throw std::system_error(errno ? errno : EIO, std::generic_category(), "cannot write " + FileName);
    Bitmap.reset();
    FStoredPicture = nullptr;
    FUploadedPicture = nullptr;
    FStoreDirty = false;
}

bool TWindowInfo::LoadStoredBitmap() {
    if (FileName.empty() || !IsCaptureFolderSafe(folderOf(FileName)))
        return false;
    if (FWriter)
        FWriter->Settle(FileName); // the file holds the last picture handed to the writer
    std::unique_ptr<CaptureImage> stored = CaptureImage::loadBMP(FileName);
    if (!stored)
        return false;
    Bitmap = std::move(stored);
    FStoredPicture = Bitmap.get();
    FStoreDirty = false;
    FUploadAll = true;
    return true;
}

// --- TWindowInfos ---------------------------------------------------------------------------

TWindowInfos::TWindowInfos(const ScreenGeometry& screen, std::string captureFolder, const Clock& clock)
    : screen_(screen), captureFolder_(std::move(captureFolder)), clock_(clock),
      writer_(std::make_unique<TPictureWriter>()) {
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
                                                     ChooseFileName(), writer_.get()));
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
        if (!(showCmd == 2 && LoadBitmap(i))) {
            record.Bitmap = std::move(bitmap);
            record.PictureChanged();
        }
    }
    if (i != position)
        Move(i, std::clamp(position, 0, Count() - 1));
}

void TWindowInfos::Keep(int position, int from, const std::string& caption, std::int32_t showCmd) {
    TWindowInfo& record = Items(from);
    record.Caption = caption;
    record.ShowCmd = showCmd;
    if (from != position)
        Move(from, std::clamp(position, 0, Count() - 1));
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
    if (const std::uint32_t texture = records_[static_cast<std::size_t>(position)]->Texture; texture != 0)
        unusedTextures_.push_back(texture);
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

void TWindowInfos::StoreChanged() {
    if (storesEnded_)
        return;
    for (auto& record : records_)
        record->QueueStore();
}

void TWindowInfos::ReleasePictures() {
    for (auto& record : records_)
        record->ReleasePicture();
}

void TWindowInfos::FlushStores() {
    writer_->Flush();
}

void TWindowInfos::EndStores() {
    storesEnded_ = true;
    writer_->Flush();
}

std::vector<std::uint32_t> TWindowInfos::TakeUnusedTextures() {
    return std::exchange(unusedTextures_, {});
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
        if (!record.HasPicture() && !record.LoadStoredBitmap())
            Delete(i);
    }
    return Count();
}

} // namespace zorvane
