// PixelMemory: large blocks mapped on a 2 MiB boundary and offered to transparent huge pages;
// small ones from the heap.
#include "image/PixelMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace zorvane {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a block lives in the heap: mapping it would cost more than its faults. Under
// AddressSanitizer every block does, so that a read past a picture is caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kMapFrom = SIZE_MAX;
#else
constexpr std::size_t kMapFrom = std::size_t{1} << 20;
#endif

} // namespace

PixelMemory::PixelMemory(std::size_t bytes) : size_(bytes) {
    if (bytes == 0)
        return;
    if (bytes < kMapFrom) {
        data_ = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
        if (!data_)
            throw std::bad_alloc();
        return;
    }
    const std::size_t wanted = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    // One huge page more than needed, so that an aligned start lies inside; the rest goes back.
    const std::size_t span = wanted + kHugePage;
    void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto* start = static_cast<std::uint8_t*>(mapped);
    auto* aligned =
        reinterpret_cast<std::uint8_t*>((reinterpret_cast<std::uintptr_t>(start) + kHugePage - 1) &
                                        ~static_cast<std::uintptr_t>(kHugePage - 1));
    if (aligned > start)
        munmap(start, static_cast<std::size_t>(aligned - start));
    const std::size_t tail = span - static_cast<std::size_t>(aligned - start) - wanted;
    if (tail > 0)
        munmap(aligned + wanted, tail);
    // Only advice: without huge pages the block is simply mapped in small ones.
    madvise(aligned, wanted, MADV_HUGEPAGE);
    data_ = aligned;
    mapped_ = wanted;
}

PixelMemory::~PixelMemory() {
    release();
}

PixelMemory::PixelMemory(const PixelMemory& other) : PixelMemory(other.size_) {
    if (size_ > 0)
        std::memcpy(data_, other.data_, size_);
}

PixelMemory& PixelMemory::operator=(const PixelMemory& other) {
    if (this != &other)
        *this = PixelMemory(other);
    return *this;
}

PixelMemory::PixelMemory(PixelMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

void PixelMemory::release() noexcept {
    if (mapped_ != 0)
        munmap(data_, mapped_);
    else
        std::free(data_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
}

} // namespace zorvane
