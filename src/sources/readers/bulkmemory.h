#pragma once

#include <cstddef>
#include <new>

namespace sources {

// A load fills large arrays from end to end: a table's cells and values, its texts, the work grid's rows. Those
// of 2 MB or more are asked to be backed by huge pages where the system offers them, so that filling one takes
// a page fault per 2 MB rather than one per 4 KB.
inline constexpr std::size_t bulkSize = std::size_t(2) << 20;

// Asks for huge pages for the whole 2 MB pages within the buffer; nothing changes where the system has none.
void adviseBulk(void *start, std::size_t size);

// An allocator for std::vector whose buffers of bulkSize or more start on a 2 MB boundary and are advised as
// adviseBulk does.
template <typename T> struct BulkAllocator
{
    using value_type = T;

    BulkAllocator() = default;
    template <typename U> BulkAllocator(const BulkAllocator<U> &) noexcept {}

    T *allocate(std::size_t count)
    {
        const std::size_t size = count * sizeof(T);
        if (size < bulkSize)
            return static_cast<T *>(::operator new(size));
        // Whole huge pages: the last one is only partly filled, but the rest of it costs no more.
        const std::size_t pages = (size + bulkSize - 1) & ~(bulkSize - 1);
        void *buffer = ::operator new(pages, std::align_val_t(bulkSize));
        adviseBulk(buffer, pages);
        return static_cast<T *>(buffer);
    }
    void deallocate(T *buffer, std::size_t count) noexcept
    {
        if (count * sizeof(T) < bulkSize)
            ::operator delete(buffer);
        else
            ::operator delete(buffer, std::align_val_t(bulkSize));
    }

    template <typename U> bool operator==(const BulkAllocator<U> &) const noexcept { return true; }
};

} // namespace sources
