// unitHandleInfos: the enumeration list, the candidate filter and the window capture with retries.
#include "windows/unitHandleInfos.h"

#include "windows/unitWindowInfos.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace zorvane {

void THandleInfos::Add(WindowHandle handle, const std::string& className, const std::string& caption,
                       int showCmd, const Rect& regionRect) {
    FItems.push_back(std::make_unique<THandleInfo>(handle, className, caption, showCmd, regionRect));
}

void THandleInfos::Delete(int index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("THandleInfos::Delete: position " + std::to_string(index) +
                                " outside the list");
    FItems.erase(FItems.begin() + index);
}

void THandleInfos::Clear() {
    while (!FItems.empty())
        FItems.pop_back();
}

bool THandleInfos::Contains(WindowHandle handle) const {
    for (const auto& item : FItems) {
        if (item->Handle == handle)
            return true;
    }
    return false;
}

THandleInfo& THandleInfos::Items(int index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("THandleInfos::Items: position " + std::to_string(index) +
                                " outside the list");
    return *FItems[static_cast<std::size_t>(index)];
}

const THandleInfo& THandleInfos::Items(int index) const {
    return const_cast<THandleInfos*>(this)->Items(index);
}

bool IsCandidateWindow(Platform& platform, WindowHandle window) {
    return window != 0 && !platform.hasOwner(window) && platform.isWindowVisible(window) &&
           !platform.windowCaption(window).empty() && platform.hasOverlappedStyle(window);
}

bool IsOnCurrentDesktop(Platform& platform, WindowHandle window) {
    const long desktop = platform.windowDesktop(window);
    if (desktop < 0 || desktop == Platform::kAllDesktops)
        return true;
    const long current = platform.currentDesktop();
    return current < 0 || desktop == current;
}

bool EnumWindowsProc(WindowHandle window, TEnumContext* context) {
    Platform& platform = context->platform;
    if (!IsCandidateWindow(platform, window))
        return true;
    if (platform.isOwnWindow(window))
        return true;
    if (context->currentDesktopOnly && !IsOnCurrentDesktop(platform, window))
        return true;
    const std::string caption = platform.windowCaption(window);
    const std::string className = platform.windowClassName(window);
    if (caption.empty()) {
        // The title went away after the candidate test (or cannot be read).
        if (className == "tooltips_class32" || className == "SysShadow") {
            platform.hideWindow(window);
            return true;
        }
    }
    if (className == "IMWindowClass" && !platform.isWindowEnabled(window))
        return true;
    if (className == "MessengerPlusLive_TabbedChats")
        return true;
    Rect rect;
    platform.windowRect(window, rect);
    if (rect.left == rect.right || rect.top == rect.bottom)
        return true;
    const int showCmd = platform.showCommand(window);
    Rect region;
    if (!platform.windowRegionBox(window, region))
        region = Rect{};
    context->list.Add(window, className, caption, showCmd, region);
    if (context->processMessages)
        context->processMessages();
    return true;
}

void EnumerateWindows(Platform& platform, THandleInfos& list, const std::function<void()>& processMessages,
                      bool currentDesktopOnly) {
    list.Clear();
    TEnumContext context{platform, list, processMessages, currentDesktopOnly};
    platform.enumWindows([&](WindowHandle window) { return EnumWindowsProc(window, &context); });
}

namespace {

// More than 30 % of the pixels on the middle row, or on the middle column, exactly black: the
// window had not finished painting (or printed nothing).
bool MiddleRowMostlyBlack(const CaptureImage& image) {
    const int width = image.width();
    const int y = image.height() / 2;
    int black = 0;
    for (int x = 0; x < width; ++x)
        black += image.pixel(x, y) == 0 ? 1 : 0;
    return black > 0 && static_cast<double>(black) / width > 0.3;
}

bool MiddleColumnMostlyBlack(const CaptureImage& image) {
    const int height = image.height();
    const int x = image.width() / 2;
    int black = 0;
    for (int y = 0; y < height; ++y)
        black += image.pixel(x, y) == 0 ? 1 : 0;
    return black != 0 && static_cast<double>(black) / height > 0.3;
}

std::unique_ptr<CaptureImage> MakeImage(int width, int height) {
    if (width <= 0 || height <= 0)
        return nullptr;
    try {
        return std::make_unique<CaptureImage>(width, height);
    } catch (const std::invalid_argument&) {
        return nullptr; // larger than any picture we keep
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

bool CaptureWindow(Platform& platform, WindowHandle window, std::unique_ptr<CaptureImage>& image) {
    Rect rect;
    platform.windowRect(window, rect);
    image = MakeImage(rect.width(), rect.height());
    if (!image)
        return false;
    bool printed = false;
    for (int attempts = 3; attempts > 0; --attempts) {
        if (attempts < 3) // a new image is black already
            std::memset(image->bits(), 0, image->byteSize());
        printed = platform.printWindow(window, *image);
        if (!MiddleRowMostlyBlack(*image) && !MiddleColumnMostlyBlack(*image))
            break;
    }
    return printed;
}

bool CaptureEnumerated(Platform& platform, const THandleInfo& record, std::unique_ptr<CaptureImage>& image) {
    const Rect& region = record.RegionRect;
    if (region.left == 0 && region.top == 0)
        return CaptureWindow(platform, record.Handle, image);
    std::unique_ptr<CaptureImage> whole;
    const bool printed = CaptureWindow(platform, record.Handle, whole);
    image = MakeImage(region.width(), region.height());
    if (!image || !whole)
        return false;
    // Copy the part of the region that lies inside the picture; the rest stays black.
    const int left = std::max(region.left, 0);
    const int right = std::min(region.right, whole->width());
    if (left >= right)
        return printed;
    for (int y = 0; y < image->height(); ++y) {
        const int sy = region.top + y;
        if (sy < 0 || sy >= whole->height())
            continue;
        constexpr std::size_t pixel = CaptureImage::kBytesPerPixel;
        std::memcpy(image->row(y) + pixel * static_cast<std::size_t>(left - region.left),
                    whole->row(sy) + pixel * static_cast<std::size_t>(left),
                    static_cast<std::size_t>(right - left) * pixel);
    }
    return printed;
}

int CapturePictures(Platform& platform, const THandleInfos& windows, TWindowInfos& list, bool startUp,
                    const TCardMaker& makeCard) {
    int skipped = 0;
    int taken = 0;
    for (int i = 0; i < windows.Count(); ++i) {
        const THandleInfo& info = windows.Items(i);
        const int position = i - skipped;
        const bool minimised = info.ShowCmd == scMinimized;
        const int existing = list.IndexOf(info.Handle, info.ClassName);
        if (!startUp && existing >= 0 && list.Items(existing).HasPicture()) {
            TWindowInfo& record = list.Items(existing);
            // A minimised window shows as it last looked (a card, with the title of the moment).
            if (minimised && !(record.FCard && record.Caption != info.Caption && makeCard)) {
                list.Keep(position, existing, info.Caption, info.ShowCmd);
                continue;
            }
            const PictureChange change = platform.takePictureChange(info.Handle);
            if (!change.changed && !record.FRecapture) {
                list.Keep(position, existing, info.Caption, info.ShowCmd);
                continue;
            }
            // Only the changed area, where the picture is the window's whole frame.
            const bool uncropped = info.RegionRect.left == 0 && info.RegionRect.top == 0;
            if (!change.whole && !record.FRecapture && uncropped && record.Bitmap &&
                platform.printWindowArea(info.Handle, record.WritablePicture(), change.area)) {
                record.PictureChanged(change.area);
                list.Keep(position, existing, info.Caption, info.ShowCmd);
                ++taken;
                continue;
            }
        } else {
            platform.takePictureChange(info.Handle); // watched from now on
        }
        // Restoring a window on another workspace would only flag it (and the window manager may
        // then move or minimise it): such a window keeps its last picture, or gets a card.
        const bool restore = startUp && minimised && IsOnCurrentDesktop(platform, info.Handle);
        if (restore)
            platform.restoreWindow(info.Handle);
        std::unique_ptr<CaptureImage> image;
        const bool printed = CaptureEnumerated(platform, info, image);
        if (restore)
            platform.minimizeWindow(info.Handle);
        const bool sized = image && image->width() >= 1 && image->height() >= 1;
        if (printed && sized) {
            ++taken;
            list.Update(position, info.Handle, info.ClassName, info.Caption, info.ShowCmd, std::move(image));
            list.Items(position).FRecapture = false;
            list.Items(position).FCard = false;
            continue;
        }
        // Nothing to print now (minimised, on another workspace, gone meanwhile): never a black picture.
        // A card whose title changed is made again.
        const bool staleCard = existing >= 0 && list.Items(existing).FCard &&
                               list.Items(existing).Caption != info.Caption && sized && makeCard;
        if (existing >= 0 && !staleCard && (list.Items(existing).HasPicture() || list.LoadBitmap(existing))) {
            list.Items(existing).FRecapture = true;
            list.Keep(position, existing, info.Caption, info.ShowCmd);
            continue;
        }
        std::unique_ptr<CaptureImage> card;
        if (sized && makeCard)
            card = makeCard(info, image->width(), image->height());
        if (card && existing >= 0) {
            // In place: Update would bring a minimised window's stored picture back, the old card.
            TWindowInfo& record = list.Items(existing);
            record.Bitmap = std::move(card);
            record.PictureChanged();
            record.FRecapture = record.FCard = true;
            list.Keep(position, existing, info.Caption, info.ShowCmd);
            continue;
        }
        if (card) {
            list.Update(position, info.Handle, info.ClassName, info.Caption, info.ShowCmd, std::move(card));
            list.Items(position).FRecapture = true;
            list.Items(position).FCard = true;
            continue;
        }
        ++skipped;
        if (const int kept = list.IndexOf(info.Handle, info.ClassName); kept >= 0)
            list.Items(kept).FRecapture = true;
    }
    return taken;
}

int RunCaptureCycle(Platform& platform, THandleInfos& windows, TWindowInfos& list, bool startUp,
                    const std::function<void()>& processMessages, const TCaptureOptions& options) {
    EnumerateWindows(platform, windows, processMessages, options.currentDesktopOnly);
    std::vector<WindowHandle> handles;
    for (int i = 0; i < windows.Count(); ++i)
        handles.push_back(windows.Items(i).Handle);
    if (!startUp)
        list.DeleteMissing(handles);
    platform.watchOnly(handles);
    return CapturePictures(platform, windows, list, startUp, options.makeCard);
}

int RefreshChangedPictures(Platform& platform, TWindowInfos& list) {
    if (!platform.anyPictureChanged())
        return 0;
    int changed = 0;
    for (int i = 0; i < list.Count(); ++i) {
        TWindowInfo& record = list.Items(i);
        // A card stays a card until the next cycle can picture its window whole.
        if (!record.HasPicture() || record.ShowCmd == scMinimized || record.FCard)
            continue;
        const PictureChange change = platform.takePictureChange(record.Handle);
        if (!change.changed)
            continue;
        // The image keeps its size and place while the view shows: a window resized or cropped
        // to a region is taken whole at the next cycle instead.
        Rect rect;
        Rect box;
        const bool sameSize = platform.windowRect(record.Handle, rect) &&
                              rect.width() == record.PictureWidth() &&
                              rect.height() == record.PictureHeight();
        const bool cropped = platform.windowRegionBox(record.Handle, box) && (box.left != 0 || box.top != 0);
        if (!sameSize || cropped) {
            record.FRecapture = true;
            continue;
        }
        if (record.Bitmap && !change.whole) {
            if (!platform.printWindowArea(record.Handle, record.WritablePicture(), change.area)) {
                record.FRecapture = true;
                continue;
            }
            record.PictureChanged(change.area);
        } else {
            // The picture only lives in the texture: the whole window is taken again.
            auto picture = std::make_unique<CaptureImage>(record.PictureWidth(), record.PictureHeight());
            if (!platform.printWindow(record.Handle, *picture)) {
                record.FRecapture = true;
                continue;
            }
            record.Bitmap = std::move(picture);
            record.PictureChanged();
        }
        record.UpdateTexture();
        ++changed;
    }
    return changed;
}

int SetMinimizeAnimation(Platform& platform, int value) {
    return platform.SetMinimizeAnimation(value);
}

} // namespace zorvane
