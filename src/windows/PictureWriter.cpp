// PictureWriter: the stored capture files' writing thread.
#include "windows/PictureWriter.h"

#include <algorithm>

namespace zorvane {

TPictureWriter::TPictureWriter() : FThread([this] { Run(); }) {}

TPictureWriter::~TPictureWriter() {
    {
        std::lock_guard lock(FMutex);
        FStop = true;
        FQueue.clear();
    }
    FWake.notify_all();
    FThread.join();
}

void TPictureWriter::Queue(const std::string& fileName, std::shared_ptr<const CaptureImage> picture) {
    if (!picture)
        return;
    {
        std::lock_guard lock(FMutex);
        auto queued = std::find_if(FQueue.begin(), FQueue.end(),
                                   [&](const Job& job) { return job.fileName == fileName; });
        if (queued != FQueue.end())
            queued->picture = std::move(picture);
        else
            FQueue.push_back(Job{fileName, std::move(picture)});
    }
    FWake.notify_one();
}

void TPictureWriter::Settle(const std::string& fileName) {
    std::unique_lock lock(FMutex);
    FDone.wait(lock, [&] {
        return FWriting != fileName && std::none_of(FQueue.begin(), FQueue.end(),
                                                    [&](const Job& job) { return job.fileName == fileName; });
    });
}

void TPictureWriter::Forget(const std::string& fileName) {
    std::unique_lock lock(FMutex);
    std::erase_if(FQueue, [&](const Job& job) { return job.fileName == fileName; });
    FDone.wait(lock, [&] { return FWriting != fileName; });
}

void TPictureWriter::Flush() {
    std::unique_lock lock(FMutex);
    FDone.wait(lock, [&] { return FQueue.empty() && FWriting.empty(); });
}

int TPictureWriter::Failures() const {
    std::lock_guard lock(FMutex);
    return FFailures;
}

void TPictureWriter::Run() {
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [&] { return FStop || !FQueue.empty(); });
        if (FStop)
            return;
        Job job = std::move(FQueue.front());
        FQueue.pop_front();
        FWriting = job.fileName;
        lock.unlock();
        const bool written = job.picture->saveBMP(job.fileName);
        job.picture.reset();
        lock.lock();
        FWriting.clear();
        if (!written)
            ++FFailures;
        FDone.notify_all();
    }
}

} // namespace zorvane
