// unitWindowInfos: the captured window list. One record per offered window, in the order offered,
// with its latest picture, the picture's stored copy on disk, its texture and its place in the view.
// Pictures and textures are kept from one showing to the next: only what changed is taken and
// uploaded again, and the stored files are written by a thread of their own.
#pragma once

#include "core/Clock.h"
#include "image/CaptureImage.h"
#include "platform/PlatformTypes.h"
#include "windows/CaptureFolder.h"
#include "windows/PictureWriter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zorvane {

// Sizes and places of one picture's texture, computed without any GL call.
struct TextureLayout {
    int textureWidth = 0;  // NextPowerOfTwo(picture width)
    int textureHeight = 0; // NextPowerOfTwo(picture height)
    float TexS = 0;        // picture width / texture width
    float TexT = 0;        // picture height / texture height
    float Width = 0;       // picture width / screen width
    float Height = 0;      // picture height / screen height
    float HomeX = 0;       // left edge in view units (-0.5 left of the screen .. 0.5 right)
    float HomeY = 0;       // top edge in view units (0.5 top of the screen .. -0.5 bottom)
};

// windowRect: the window's rectangle on the desktop; regionBox: its region's bounding box relative to
// the window's top-left corner, or null when it has no region.
TextureLayout ComputeTextureLayout(int pictureWidth, int pictureHeight, int screenWidth, int screenHeight,
                                   const Rect& windowRect, const Rect* regionBox);

// A date serial (days since 30 December 1899) in general form with up to 15 significant digits and
// the given decimal separator: noon of 1 January 2010 gives "40179.5".
std::string FormatDateSerial(double serial, char decimalSeparator);
// The decimal separator of the current C locale (LC_NUMERIC).
char LocaleDecimalSeparator();

class TWindowInfos;

class TWindowInfo {
public:
    // Fills the fields and takes the picture; fileName is chosen by the list. Writes no file.
    TWindowInfo(WindowHandle handle, std::string className, std::string caption, std::int32_t showCmd,
                std::shared_ptr<CaptureImage> bitmap, std::string fileName, TPictureWriter* writer = nullptr);
    // Frees the picture and deletes the stored file if there is one. The texture is not deleted here:
    // it belongs to the view.
    ~TWindowInfo();
    TWindowInfo(const TWindowInfo&) = delete;
    TWindowInfo& operator=(const TWindowInfo&) = delete;

    // Makes Texture from Bitmap (needs a current GL context and a picture) and computes TexS, TexT,
    // Width, Height, HomeX, HomeY and X, Y from the picture and the window's place on the screen.
    // The picture itself is left unchanged. Throws std::logic_error without a picture.
    // The texture has the picture's own size and is kept: a later call uploads only what changed.
    void BuildTexture(const ScreenGeometry& screen);
    // Uploads what changed in the picture since the last upload, leaving the geometry alone (the
    // effects may be moving the image). Needs a current GL context; nothing without a picture.
    void UpdateTexture();
    // Binds Texture for drawing, with the texture matrix that maps the effects' addressing
    // (s from 0 to TexS, t from 0 to -TexT) onto the picture-sized texture. Leaves the matrix
    // mode as it was; TPictureBinding puts the texture matrix back afterwards.
    void BindTexture() const;

    // The picture was drawn into in place: all of it, or only `area` (picture coordinates).
    void PictureChanged();
    void PictureChanged(const Rect& area);
    // The picture, ready to be drawn into: copied first while the file writer still holds it.
    CaptureImage& WritablePicture();
    // The stored file does not hold the picture yet.
    bool StoreNeeded() const;
    // Hands the picture to the file writer (or writes it here without one); the picture is kept.
    void QueueStore();
    // Frees the picture once the texture and the file (or the writer) hold it: while the view
    // shows, memory holds no second copy of a picture.
    void ReleasePicture();
    // A picture in memory, or one in the texture.
    bool HasPicture() const { return Bitmap || FTextureHolds; }
    int PictureWidth() const { return Bitmap ? Bitmap->width() : FTextureWidth; }
    int PictureHeight() const { return Bitmap ? Bitmap->height() : FTextureHeight; }
    // Writes Bitmap to FileName (replacing any earlier content) and frees it; a capture folder that
    // has gone is made again. Throws std::system_error when the file cannot be written or the folder
    // is not the user's own (the picture is then kept) and std::logic_error without a picture.
    void StoreBitmap();
    // Reads FileName into Bitmap, replacing the picture held; false (Bitmap unchanged) when the file
    // is missing or does not read as a picture.
    bool LoadStoredBitmap();

    WindowHandle Handle;
    std::string ClassName;
    std::string Caption;
    std::int32_t ShowCmd;
    std::shared_ptr<CaptureImage> Bitmap;
    std::string FileName;
    std::uint32_t Texture = 0;
    float TexS = 0;
    float TexT = 0;
    float HomeX = 0;
    float HomeY = 0;
    float Width = 0;
    float Height = 0;
    float X = 0;
    float Y = 0;
    // Take the whole picture again at the next capture cycle (a change seen while the view showed
    // could not be taken then).
    bool FRecapture = false;
    // The picture is a card standing in for a window that has never been pictured.
    bool FCard = false;

private:
    friend class TWindowInfos;
    TPictureWriter* FWriter;
    // The picture the texture and the file were last made from, and what changed in it since.
    const CaptureImage* FUploadedPicture = nullptr;
    const CaptureImage* FStoredPicture = nullptr;
    int FTextureWidth = 0;
    int FTextureHeight = 0;
    bool FUploadAll = true;
    Rect FUploadArea;
    bool FStoreDirty = true;
    bool FTextureHolds = false; // the texture has the last picture uploaded, all of it
    float FMatrixS = 1;
    float FMatrixT = -1;
};

// Binds a record's texture for drawing and resets the texture matrix when it goes out of scope,
// so that other textures (backgrounds, titles) are drawn as before.
class TPictureBinding {
public:
    explicit TPictureBinding(const TWindowInfo& info) { info.BindTexture(); }
    ~TPictureBinding();
    TPictureBinding(const TPictureBinding&) = delete;
    TPictureBinding& operator=(const TPictureBinding&) = delete;
};

class TWindowInfos {
public:
    // An empty list whose records keep their pictures in captureFolder (created when the first name is
    // chosen) and name them by the clock's local time. The geometry and the clock must outlive the list.
    explicit TWindowInfos(const ScreenGeometry& screen, std::string captureFolder = CaptureFolderPath(),
                          const Clock& clock = SystemClock::instance());
    // Deletes every record, from the last to the first (and so their files).
    ~TWindowInfos();
    TWindowInfos(const TWindowInfos&) = delete;
    TWindowInfos& operator=(const TWindowInfos&) = delete;

    // Creates a record with a fresh file name and appends it; returns its position.
    int Add(WindowHandle handle, const std::string& className, const std::string& caption,
            std::int32_t showCmd, std::unique_ptr<CaptureImage> bitmap);
    // Merges one fresh capture: refreshes (or creates) the record of (handle, className), keeps the
    // stored picture of a minimised window whose file reads, and moves the record to `position`.
    void Update(int position, WindowHandle handle, const std::string& className, const std::string& caption,
                std::int32_t showCmd, std::unique_ptr<CaptureImage> bitmap);
    // Merges a window whose record's picture is still good (unchanged, or changed in place):
    // refreshes Caption and ShowCmd and moves the record at `from` to `position`.
    void Keep(int position, int from, const std::string& caption, std::int32_t showCmd);
    // Takes the record out at `from` and inserts it at `to`.
    void Move(int from, int to);
    // Destroys the record at the position and closes the gap.
    void Delete(int position);
    // Takes the record at the position out of the list (closing the gap) and hands it over.
    std::unique_ptr<TWindowInfo> Take(int position);
    // Puts a record taken out earlier back at the position (0 .. Count()).
    void Insert(int position, std::unique_ptr<TWindowInfo> record);
    // First position holding exactly this handle and class name (case-sensitive), or -1.
    int IndexOf(WindowHandle handle, const std::string& className) const;
    std::int32_t Count() const { return static_cast<std::int32_t>(records_.size()); }
    // The record at the position; throws std::out_of_range outside 0 .. Count() - 1.
    TWindowInfo& Items(int position);
    const TWindowInfo& Items(int position) const;
    // StoreBitmap on every record that holds a picture, position 0 first.
    void StoreAll();
    // Hands every picture whose file is out of date to the file writer, position 0 first; the
    // pictures are kept.
    void StoreChanged();
    // Waits until every stored file holds its picture.
    void FlushStores();
    // At exit: waits for the files being written, and writes none after this.
    void EndStores();
    // ReleasePicture on every record.
    void ReleasePictures();
    // Textures of records deleted since the last call: the view deletes them (it has the context).
    std::vector<std::uint32_t> TakeUnusedTextures();
    // LoadStoredBitmap on the record at the position.
    bool LoadBitmap(int position);

    // Pruning for a capture cycle: deletes, from the last position to the first, every record whose
    // Handle is not among `handles` (class names are not compared). Returns how many went.
    int DeleteMissing(const std::vector<WindowHandle>& handles);

    // Before the view builds textures: a record without a picture in memory or in its texture (its
    // window gave no capture this cycle after its last picture was stored) is reloaded from its file; a
    // record whose file cannot be read either is deleted, so every remaining record holds a picture and may
    // go through BuildTexture and StoreBitmap. Returns Count().
    int PrepareForShowing();

    const ScreenGeometry& Screen() const { return screen_; }
    const std::string& CaptureFolder() const { return captureFolder_; }

private:
    std::string ChooseFileName() const;
    bool NameInUse(const std::string& fileName) const;

    const ScreenGeometry& screen_;
    std::string captureFolder_;
    const Clock& clock_;
    std::unique_ptr<TPictureWriter> writer_;
    std::vector<std::uint32_t> unusedTextures_;
    bool storesEnded_ = false;
    std::vector<std::unique_ptr<TWindowInfo>> records_;
};

} // namespace zorvane
