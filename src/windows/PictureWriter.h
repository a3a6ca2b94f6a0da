// PictureWriter: writes stored capture files on a thread of its own, so that the view's first
// frame never waits for the disk. The pictures it is given are shared and never changed while it
// holds them: whoever wants to draw into one copies it first (TWindowInfo::WritablePicture).
#pragma once

#include "image/CaptureImage.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zorvane {

class TPictureWriter {
public:
    TPictureWriter();
    // Finishes the file being written, drops the queued ones and ends the thread.
    ~TPictureWriter();
    TPictureWriter(const TPictureWriter&) = delete;
    TPictureWriter& operator=(const TPictureWriter&) = delete;

    // Queues the picture for the file, replacing a queued older picture for the same file.
    void Queue(const std::string& fileName, std::shared_ptr<const CaptureImage> picture);
    // Waits until the file holds the last picture queued for it, so that it may be read.
    void Settle(const std::string& fileName);
    // Drops a queued picture for the file and waits while the file is being written, so that the
    // file may be deleted or written by someone else right after.
    void Forget(const std::string& fileName);
    // Waits until every queued file is written.
    void Flush();
    // Files that could not be written so far.
    int Failures() const;

private:
    struct Job {
        std::string fileName;
        std::shared_ptr<const CaptureImage> picture;
    };
    void Run();

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FDone;
    std::deque<Job> FQueue;
    std::string FWriting; // the file being written now, empty when idle
    bool FStop = false;
    int FFailures = 0;
    std::thread FThread;
};

} // namespace zorvane
