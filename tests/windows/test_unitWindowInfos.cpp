// The captured window list: texture sizes and home positions, file names from the clock, merging
// fresh captures, and the life of the stored picture files.
#include "WindowListFixture.h"

#include "windows/CaptureFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <fstream>

using namespace zorvane;
using zorvane::test::solidPicture;
using zorvane::test::WindowListFixture;
namespace fs = std::filesystem;

namespace {

// --- Texture sizes and places -----------------------------------------------------------------

TEST(TextureLayout, TextureSidesArePowersOfTwoFrom128To32768) {
    struct Case {
        int w, h;
        int tw, th;
        float s, t;
    };
    const Case cases[] = {
        {100, 60, 128, 128, 0.78125f, 0.46875f},  {1000, 700, 1024, 1024, 1000.0f / 1024, 700.0f / 1024},
        {128, 129, 128, 256, 1.0f, 129.0f / 256}, {1, 1, 128, 128, 1.0f / 128, 1.0f / 128},
        {32768, 2, 32768, 128, 1.0f, 2.0f / 128}, {40000, 10, 32768, 128, 40000.0f / 32768, 10.0f / 128},
    };
    for (const Case& c : cases) {
        const TextureLayout layout = ComputeTextureLayout(c.w, c.h, 1000, 800, Rect{}, nullptr);
        EXPECT_EQ(layout.textureWidth, c.tw) << c.w << " x " << c.h;
        EXPECT_EQ(layout.textureHeight, c.th) << c.w << " x " << c.h;
        EXPECT_FLOAT_EQ(layout.TexS, c.s) << c.w << " x " << c.h;
        EXPECT_FLOAT_EQ(layout.TexT, c.t) << c.w << " x " << c.h;
    }
    EXPECT_GT(ComputeTextureLayout(40000, 10, 1000, 800, Rect{}, nullptr).TexS, 1.0f);
}

TEST(TextureLayout, HomeIsTheWindowsCornerInViewUnits) {
    const Rect box{4, 4, 1028, 772};
    struct Case {
        const char* what;
        Rect rect;
        const Rect* region;
        float homeX, homeY;
    };
    const Case cases[] = {
        {"top-left corner", {0, 0, 300, 200}, nullptr, -0.5f, 0.5f},
        {"left edge at the centre", {500, 400, 800, 600}, nullptr, 0.0f, 0.0f},
        {"bottom-right corner", {1000, 800, 1100, 900}, nullptr, 0.5f, -0.5f},
        {"off screen to the left", {-100, -80, 0, 0}, nullptr, -0.6f, 0.6f},
        {"region 4 pixels in",
         {100, 50, 1132, 822},
         &box,
         static_cast<float>(104 / 1000.0 - 0.5),
         static_cast<float>(0.5 - 54 / 800.0)},
    };
    for (const Case& c : cases) {
        const TextureLayout layout = ComputeTextureLayout(250, 160, 1000, 800, c.rect, c.region);
        EXPECT_FLOAT_EQ(layout.HomeX, c.homeX) << c.what;
        EXPECT_FLOAT_EQ(layout.HomeY, c.homeY) << c.what;
        EXPECT_FLOAT_EQ(layout.Width, 0.25f) << c.what;
        EXPECT_FLOAT_EQ(layout.Height, 0.2f) << c.what;
    }
    // The region's box moves the home by exactly its offset: 4 pixels right and 4 pixels down.
    const TextureLayout plain = ComputeTextureLayout(250, 160, 1000, 800, Rect{100, 50, 1132, 822}, nullptr);
    const TextureLayout shaped = ComputeTextureLayout(250, 160, 1000, 800, Rect{100, 50, 1132, 822}, &box);
    EXPECT_NEAR((shaped.HomeX - plain.HomeX) * 1000, 4.0, 1e-3);
    EXPECT_NEAR((plain.HomeY - shaped.HomeY) * 800, 4.0, 1e-3);
}

// --- File names from the clock ----------------------------------------------------------------

TEST(DateSerial, FormatsTheDayCountWithFifteenDigits) {
    EXPECT_EQ(Clock::millisecondsAt(2010, 1, 1, 12) / Clock::kMillisecondsPerDay, 40179);
    EXPECT_EQ(Clock::daysSinceEpoch(1899, 12, 30), 0);
    EXPECT_EQ(Clock::daysSinceEpoch(1900, 3, 1), 61);
    EXPECT_EQ(Clock::daysSinceEpoch(1970, 1, 1), 25569);
    EXPECT_EQ(FormatDateSerial(ManualClock(Clock::millisecondsAt(2010, 1, 1, 12)).dateSerial(), '.'),
              "40179.5");
    EXPECT_EQ(FormatDateSerial(40179.5, ','), "40179,5");
    EXPECT_EQ(FormatDateSerial(0, '.'), "0");
    EXPECT_EQ(FormatDateSerial(46000.123456789012345, '.'), "46000.123456789");
    // One millisecond apart still gives two names.
    const std::int64_t ms = Clock::millisecondsAt(2026, 12, 8, 18, 30, 15, 250);
    EXPECT_NE(FormatDateSerial(ms / 86400000.0, '.'), FormatDateSerial((ms + 1) / 86400000.0, '.'));
}

TEST(DateSerial, SystemClockCountsFromTheEpochInLocalTime) {
    const char* saved = std::getenv("TZ");
    const std::string savedValue = saved ? saved : "";
    for (const char* zone : {"UTC0", "XST-5"}) { // XST-5: five hours ahead of UTC
        ::setenv("TZ", zone, 1);
        ::tzset();
        const std::int64_t before = std::time(nullptr);
        const std::int64_t local = SystemClock().localMilliseconds();
        const std::int64_t after = std::time(nullptr);
        const std::int64_t offset = std::string(zone) == "UTC0" ? 0 : 5 * 3600;
        const std::int64_t epoch = 25569LL * 86400;
        EXPECT_GE(local / 1000, before + epoch + offset) << zone;
        EXPECT_LE(local / 1000, after + epoch + offset) << zone;
    }
    if (saved)
        ::setenv("TZ", savedValue.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST_F(WindowListFixture, FileNamesComeFromTheClockAndAreUnique) {
    list->Add(1, "XTerm", "one", 1, solidPicture(0xff0000));
    EXPECT_EQ(list->Items(0).FileName, captureFolder + "40179.5.bmp");
    // Made in the same clock tick: the next tick's name.
    list->Add(2, "XTerm", "two", 1, solidPicture(0x00ff00));
    EXPECT_NE(list->Items(1).FileName, list->Items(0).FileName);
    // A file already in the folder is never taken over.
    clock.advance(1000);
    const std::string taken = captureFolder + FormatDateSerial(clock.dateSerial(), '.') + ".bmp";
    std::ofstream(taken) << "someone else's";
    list->Add(3, "XTerm", "three", 1, solidPicture(0x0000ff));
    EXPECT_NE(list->Items(2).FileName, taken);
    EXPECT_EQ(list->Items(2).FileName.rfind(captureFolder, 0), 0u);
    EXPECT_EQ(filesInFolder(), 1) << "Add writes no file";

    std::vector<std::string> names;
    for (int i = 0; i < 50; ++i)
        names.push_back(list->Items(list->Add(10 + i, "C", "", 1, nullptr)).FileName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

TEST_F(WindowListFixture, FileNamesUseTheLocaleDecimalSeparator) {
    // A German locale, compiled into this test's folder when the system has none installed.
    const std::string savedLocale = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        const std::string compiled = (base / "locales").string();
        fs::create_directories(compiled);
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + compiled + "/de_DE.UTF-8' >/dev/null 2>&1";
        // localedef reports harmless warnings through its exit status; the result is what counts.
        const int status = std::system(command.c_str());
        if (status == -1 || !fs::exists(compiled + "/de_DE.UTF-8/LC_NUMERIC"))
            GTEST_SKIP() << "no German locale and no localedef to make one";
        ::setenv("LOCPATH", compiled.c_str(), 1);
        const bool loaded = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        ::unsetenv("LOCPATH");
        ASSERT_TRUE(loaded);
    }
    EXPECT_EQ(LocaleDecimalSeparator(), ',');
    list->Add(1, "XTerm", "one", 1, solidPicture(0xff0000));
    std::setlocale(LC_NUMERIC, savedLocale.c_str());
    EXPECT_EQ(list->Items(0).FileName, captureFolder + "40179,5.bmp");
    EXPECT_EQ(LocaleDecimalSeparator(), '.');
}

// --- Merging fresh captures -------------------------------------------------------------------

TEST_F(WindowListFixture, MinimisedWindowWithAReadableFileKeepsTheStoredPicture) {
    list->Add(7, "XTerm", "old", 1, solidPicture(0xff0000));
    list->Items(0).StoreBitmap();
    list->Update(0, 7, "XTerm", "new", 2, solidPicture(0x0000ff));
    const TWindowInfo& record = list->Items(0);
    ASSERT_TRUE(record.Bitmap);
    EXPECT_EQ(record.Bitmap->pixel(3, 3), 0xff0000u);
    EXPECT_EQ(record.Caption, "new");
    EXPECT_EQ(record.ShowCmd, 2);
    EXPECT_EQ(list->Count(), 1);
}

TEST_F(WindowListFixture, FreshCaptureIsTakenWhenNoStoredPictureCanBeUsed) {
    // Minimised for the first time: a new record with the fresh picture.
    list->Update(0, 7, "XTerm", "first", 2, solidPicture(0x00ff00));
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Items(0).Bitmap->pixel(0, 0), 0x00ff00u);

    // Minimised with a record but no file yet.
    list->Update(0, 7, "XTerm", "second", 2, solidPicture(0x0000ff));
    EXPECT_EQ(list->Items(0).Bitmap->pixel(0, 0), 0x0000ffu);

    // Minimised with an unreadable file.
    list->Items(0).StoreBitmap();
    std::ofstream(list->Items(0).FileName, std::ios::trunc) << "BM truncated";
    list->Update(0, 7, "XTerm", "third", 2, solidPicture(0xffff00));
    EXPECT_EQ(list->Items(0).Bitmap->pixel(0, 0), 0xffff00u);

    // Not minimised: the fresh picture wins even over a readable file.
    list->Items(0).StoreBitmap();
    list->Update(0, 7, "XTerm", "fourth", 1, solidPicture(0x00ffff));
    EXPECT_EQ(list->Items(0).Bitmap->pixel(0, 0), 0x00ffffu);
    EXPECT_EQ(list->Items(0).Caption, "fourth");
    EXPECT_EQ(list->Count(), 1);
}

TEST_F(WindowListFixture, AHandleReusedByAnotherClassMakesANewRecord) {
    list->Add(7, "XTerm", "shell", 1, solidPicture(0xff0000));
    list->Update(0, 7, "XClock", "clock", 1, solidPicture(0x00ff00));
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0).ClassName, "XClock");
    EXPECT_EQ(list->Items(1).ClassName, "XTerm");
    EXPECT_EQ(list->IndexOf(7, "XTerm"), 1);
    EXPECT_EQ(list->IndexOf(7, "xterm"), -1);
    EXPECT_EQ(list->IndexOf(8, "XTerm"), -1);
    // Pruning compares handles only: both stay while the handle is enumerated.
    EXPECT_EQ(list->DeleteMissing({7}), 0);
    EXPECT_EQ(list->Count(), 2);
}

TEST_F(WindowListFixture, UpdateMovesTheRecordToItsPositionAndShiftsTheOthers) {
    for (WindowHandle h : {10, 11, 12, 13, 14})
        list->Add(h, "C", "", 1, solidPicture(0x101010));
    list->Update(0, 13, "C", "", 1, solidPicture(0x202020));
    const WindowHandle expected[] = {13, 10, 11, 12, 14};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(list->Items(i).Handle, expected[i]) << "position " << i;

    list->Move(0, 4);
    const WindowHandle moved[] = {10, 11, 12, 14, 13};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(list->Items(i).Handle, moved[i]) << "position " << i;
    EXPECT_THROW(list->Move(0, 5), std::out_of_range);
}

// A whole cycle as the capture cycle drives it: prune the vanished, merge the captured in window
// order; a window that gave no picture this time stays behind the fresh ones.
TEST_F(WindowListFixture, ACaptureCycleLeavesTheFreshWindowsInFrontInEnumerationOrder) {
    for (WindowHandle h : {1, 2, 3, 4})
        list->Add(h, "C", "", 1, solidPicture(0x111111 * static_cast<std::uint32_t>(h)));
    list->StoreAll();
    const std::string vanishedFile = list->Items(1).FileName;

    // Enumeration now: 4, 5 (new), 3 (gave no picture), 1. Window 2 has gone.
    EXPECT_EQ(list->DeleteMissing({4, 5, 3, 1}), 1);
    EXPECT_FALSE(fs::exists(vanishedFile));
    int k = 0;
    for (WindowHandle h : {4, 5, 1})
        list->Update(k++, h, "C", "", 1, solidPicture(0xabcdef));
    const WindowHandle expected[] = {4, 5, 1, 3};
    ASSERT_EQ(list->Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list->Items(i).Handle, expected[i]) << "position " << i;
    EXPECT_FALSE(list->Items(3).Bitmap) << "window 3 keeps only its stored picture";
}

TEST_F(WindowListFixture, ItemsOutsideTheListIsAnError) {
    list->Add(1, "C", "", 1, solidPicture(0));
    EXPECT_THROW(list->Items(1), std::out_of_range);
    EXPECT_THROW(list->Items(-1), std::out_of_range);
    EXPECT_THROW(list->Delete(1), std::out_of_range);
    EXPECT_NO_THROW(list->Items(0));
}

// --- Stored pictures --------------------------------------------------------------------------

TEST_F(WindowListFixture, StoredPicturesRoundTripAndDieWithTheirRecords) {
    auto picture = solidPicture(0x123456, 13, 7);
    picture->setPixel(12, 6, 0xfedcba);
    list->Add(1, "C", "", 1, std::move(picture));
    list->Add(2, "C", "", 1, solidPicture(0x654321));
    list->StoreAll();
    EXPECT_FALSE(list->Items(0).Bitmap);
    EXPECT_FALSE(list->Items(1).Bitmap);
    EXPECT_EQ(filesInFolder(), 2);

    ASSERT_TRUE(list->LoadBitmap(0));
    EXPECT_EQ(list->Items(0).Bitmap->width(), 13);
    EXPECT_EQ(list->Items(0).Bitmap->pixel(0, 0), 0x123456u);
    EXPECT_EQ(list->Items(0).Bitmap->pixel(12, 6), 0xfedcbau);

    const std::string first = list->Items(0).FileName;
    list->Delete(0);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(filesInFolder(), 1);
    list.reset(); // destroying the list destroys the records and their files
    EXPECT_EQ(filesInFolder(), 0);
    EXPECT_TRUE(fs::is_directory(captureFolder)) << "the folder itself stays";
}

TEST_F(WindowListFixture, LoadingAMissingOrBrokenFileKeepsThePicture) {
    list->Add(1, "C", "", 1, solidPicture(0x00ff00));
    EXPECT_FALSE(list->LoadBitmap(0));
    std::ofstream(list->Items(0).FileName) << "not a bitmap";
    EXPECT_FALSE(list->LoadBitmap(0));
    ASSERT_TRUE(list->Items(0).Bitmap);
    EXPECT_EQ(list->Items(0).Bitmap->pixel(0, 0), 0x00ff00u);
}

TEST_F(WindowListFixture, WriteErrorsReachTheCallerAndKeepThePicture) {
    list->Add(1, "C", "", 1, solidPicture(0x00ff00));
    TWindowInfo& record = list->Items(0);
    fs::create_directories(record.FileName); // a folder where the file should go
    EXPECT_THROW(record.StoreBitmap(), std::system_error);
    ASSERT_TRUE(record.Bitmap);
    fs::remove(record.FileName);

    // A capture folder replaced by a link elsewhere is not written into.
    const fs::path elsewhere = base / "elsewhere";
    fs::create_directory(elsewhere);
    fs::rename(captureFolder, base / "moved");
    fs::create_directory_symlink(elsewhere, base / "~ZRVN");
    EXPECT_THROW(record.StoreBitmap(), std::system_error);
    EXPECT_THROW(list->StoreAll(), std::system_error);
    ASSERT_TRUE(record.Bitmap);
    EXPECT_TRUE(fs::is_empty(elsewhere));
    fs::remove(base / "~ZRVN");
    fs::rename(base / "moved", captureFolder);

    // A folder that others could enter is made private before a picture goes in.
    fs::permissions(captureFolder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    record.StoreBitmap();
    EXPECT_FALSE(record.Bitmap);
    EXPECT_EQ(fs::status(captureFolder).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_THROW(record.StoreBitmap(), std::logic_error) << "nothing left to store";
}

// Temporary folders get cleaned while the program runs for weeks: the next store makes the capture
// folder again instead of failing on every showing from then on.
TEST_F(WindowListFixture, StoringAfterTheCaptureFolderWasClearedAwayMakesItAgain) {
    list->Add(1, "C", "", 1, solidPicture(0x336699));
    fs::remove_all(captureFolder);
    list->StoreAll();
    EXPECT_FALSE(list->Items(0).Bitmap);
    EXPECT_EQ(fs::status(captureFolder).permissions() & fs::perms::all, fs::perms::owner_all);
    ASSERT_TRUE(list->LoadBitmap(0));
    EXPECT_EQ(list->Items(0).Bitmap->pixel(0, 0), 0x336699u);
}

TEST_F(WindowListFixture, PreparingAShowingReloadsMissingPicturesOrLeavesTheRecordOut) {
    list->Add(1, "C", "", 1, solidPicture(0x111111));
    list->Add(2, "C", "", 1, solidPicture(0x222222));
    list->Add(3, "C", "", 1, nullptr); // never pictured
    list->Add(4, "C", "", 1, solidPicture(0x444444));
    list->StoreAll();
    fs::remove(list->Items(1).FileName); // stored picture lost

    EXPECT_EQ(list->PrepareForShowing(), 2);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0).Handle, 1u);
    EXPECT_EQ(list->Items(1).Handle, 4u);
    for (int i = 0; i < list->Count(); ++i)
        EXPECT_TRUE(list->Items(i).Bitmap) << "position " << i;
    EXPECT_EQ(list->Items(1).Bitmap->pixel(0, 0), 0x444444u);
}

// --- The capture folder -----------------------------------------------------------------------

class EnvironmentVariable {
public:
    explicit EnvironmentVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name))
            saved_ = value;
    }
    ~EnvironmentVariable() {
        if (saved_)
            ::setenv(name_, saved_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    void set(const std::string& value) { ::setenv(name_, value.c_str(), 1); }
    void unset() { ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST_F(WindowListFixture, TemporaryDirectoryPrefersTheRuntimeFolder) {
    EnvironmentVariable runtime("XDG_RUNTIME_DIR");
    EnvironmentVariable tmpdir("TMPDIR");
    const std::string a = (base / "a").string(), b = (base / "b").string();
    fs::create_directories(a);
    fs::create_directories(b);

    runtime.set(a);
    tmpdir.set(b);
    EXPECT_EQ(TemporaryDirectory(), a + "/");
    // One folder for each user and display, every spelling of the display the same.
    const std::string user = std::to_string(::geteuid());
    EXPECT_EQ(CaptureFolderPath(":1"), a + "/~ZRVN-" + user + "-_1/");
    EXPECT_EQ(CaptureFolderPath(":1.0"), CaptureFolderPath("unix:1"));
    EXPECT_NE(CaptureFolderPath(":1"), CaptureFolderPath(":2"));
    EXPECT_NE(CaptureFolderPath(":1"), CaptureFolderPath("otherhost:1"));
    runtime.set("relative");
    EXPECT_EQ(TemporaryDirectory(), b + "/");
    runtime.set((base / "missing").string());
    EXPECT_EQ(TemporaryDirectory(), b + "/");
    runtime.unset();
    tmpdir.set(b + "/");
    EXPECT_EQ(TemporaryDirectory(), b + "/");
    tmpdir.unset();
    EXPECT_EQ(TemporaryDirectory(), "/tmp/");
}

TEST_F(WindowListFixture, CaptureFolderIsPrivateAndRefusedWhenItIsNotOurs) {
    const std::string folder = (base / "x" / "~ZRVN").string();
    std::string error;
    ASSERT_TRUE(EnsureCaptureFolder(folder, &error)) << error;
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(IsCaptureFolderSafe(folder));

    fs::permissions(folder, fs::perms::all);
    EXPECT_FALSE(IsCaptureFolderSafe(folder));
    ASSERT_TRUE(EnsureCaptureFolder(folder + "/", &error)) << error;
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all) << "tightened";

    const std::string linked = (base / "link").string();
    fs::create_directory_symlink(folder, linked);
    EXPECT_FALSE(EnsureCaptureFolder(linked, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(IsCaptureFolderSafe(linked));

    const std::string file = (base / "plain").string();
    std::ofstream(file) << "x";
    EXPECT_FALSE(EnsureCaptureFolder(file, &error));

    if (::geteuid() == 0) { // only the superuser can hand a folder to someone else
        const std::string foreign = (base / "foreign").string();
        fs::create_directory(foreign);
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        ::chmod(foreign.c_str(), 0700);
        EXPECT_FALSE(EnsureCaptureFolder(foreign, &error));
        EXPECT_NE(error.find("another user"), std::string::npos) << error;
        EXPECT_FALSE(IsCaptureFolderSafe(foreign));
    }
}

TEST_F(WindowListFixture, EmptyingTheCaptureFolderDeletesItsFilesOnly) {
    const std::string folder = (base / "~ZRVN").string();
    ASSERT_TRUE(EnsureCaptureFolder(folder));
    for (const char* name : {"1.bmp", "2.bmp", "other"})
        std::ofstream(folder + "/" + name) << name;
    fs::create_directory(folder + "/sub");
    std::ofstream(folder + "/sub/kept") << "kept";
    const std::string outside = (base / "outside").string();
    std::ofstream(outside) << "outside";
    fs::create_symlink(outside, folder + "/link");

    EXPECT_EQ(EmptyCaptureFolder(folder), 4);
    EXPECT_TRUE(fs::exists(folder + "/sub/kept"));
    EXPECT_TRUE(fs::exists(outside)) << "a link is removed, not followed";
    EXPECT_TRUE(fs::is_directory(folder));

    std::ofstream(folder + "/3.bmp") << "3";
    fs::permissions(folder, fs::perms::all);
    EXPECT_EQ(EmptyCaptureFolder(folder), 0) << "an unsafe folder is left alone";
    EXPECT_EQ(EmptyCaptureFolder((base / "missing").string()), 0);
}

} // namespace

// --- Files written by the writer thread, pictures kept ------------------------------------------

namespace zorvane::test {

// The file always holds the picture last handed over by the time anyone reads it; a picture drawn
// into while the writer still holds it is copied first, so the file never gets a half-new one.
TEST_F(WindowListFixture, StoredFilesFollowTheLastPictureAndPicturesStayInMemory) {
    list->Add(1, "XTerm", "one", 1, solidPicture(0xff0000, 300, 200));
    list->Add(2, "XTerm", "two", 1, solidPicture(0x00ff00, 300, 200));
    TWindowInfo& one = list->Items(0);
    EXPECT_TRUE(one.StoreNeeded());
    list->StoreChanged();
    // Drawn into right away: the writer keeps the old one, the record draws into a copy.
    CaptureImage& writable = one.WritablePicture();
    writable.setPixel(5, 5, 0x0000ff);
    one.PictureChanged(Rect{5, 5, 6, 6});
    list->FlushStores();
    EXPECT_EQ(filesInFolder(), 2);
    ASSERT_TRUE(one.Bitmap) << "the picture stays in memory";
    auto stored = CaptureImage::loadBMP(one.FileName);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->pixel(5, 5), 0xff0000u) << "the writer's picture was not drawn into";
    EXPECT_EQ(one.Bitmap->pixel(5, 5), 0x0000ffu);
    EXPECT_TRUE(one.StoreNeeded());
    EXPECT_FALSE(list->Items(1).StoreNeeded());

    // Handed over again: this time the file has the change; a read waits for it.
    list->StoreChanged();
    ASSERT_TRUE(one.LoadStoredBitmap());
    EXPECT_EQ(one.Bitmap->pixel(5, 5), 0x0000ffu);
    EXPECT_FALSE(one.StoreNeeded());

    // A record that goes while its file is queued leaves no file behind.
    list->Items(1).WritablePicture().setPixel(0, 0, 0);
    list->Items(1).PictureChanged();
    list->StoreChanged();
    const std::string gone = list->Items(1).FileName;
    list->Delete(1);
    list->FlushStores();
    EXPECT_FALSE(std::filesystem::exists(gone));
    EXPECT_EQ(filesInFolder(), 1);
}

// Deleted records leave their textures to the view, which has the context to delete them.
TEST_F(WindowListFixture, TexturesOfDeletedRecordsAreHandedBackOnce) {
    list->Add(1, "A", "", 1, solidPicture(1));
    list->Add(2, "B", "", 1, solidPicture(2));
    list->Add(3, "C", "", 1, solidPicture(3));
    list->Items(0).Texture = 11;
    list->Items(2).Texture = 33;
    list->DeleteMissing({2});
    EXPECT_EQ(list->TakeUnusedTextures(), (std::vector<std::uint32_t>{33, 11}));
    EXPECT_TRUE(list->TakeUnusedTextures().empty());
    // Keep refreshes the texts and moves the record without touching its picture.
    list->Add(4, "D", "", 1, solidPicture(4));
    const CaptureImage* picture = list->Items(1).Bitmap.get();
    list->Keep(0, 1, "renamed", 2);
    EXPECT_EQ(list->Items(0).Handle, 4u);
    EXPECT_EQ(list->Items(0).Caption, "renamed");
    EXPECT_EQ(list->Items(0).ShowCmd, 2);
    EXPECT_EQ(list->Items(0).Bitmap.get(), picture);
}

} // namespace zorvane::test
