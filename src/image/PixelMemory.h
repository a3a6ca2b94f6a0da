// PixelMemory: zero-filled memory for window pictures. A picture is megabytes and is taken afresh
// whenever its window changes, so fresh memory is on the way to every showing: a large block is
// mapped in 2 MiB pages where the kernel offers them, one page fault per 2 MiB instead of one per
// 4 KiB. On a virtual machine a fault can cost 10 us, 10 ms for one 1280 x 720 picture.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zorvane {

class PixelMemory {
public:
    PixelMemory() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit PixelMemory(std::size_t bytes);
    ~PixelMemory();
    PixelMemory(PixelMemory&& other) noexcept;
    PixelMemory& operator=(PixelMemory&& other) noexcept;
    PixelMemory(const PixelMemory& other);
    PixelMemory& operator=(const PixelMemory& other);

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    void release() noexcept;

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0; // bytes mapped at data_; 0 when data_ came from calloc
};

} // namespace zorvane
