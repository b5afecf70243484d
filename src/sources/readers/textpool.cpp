#include "sources/readers/textpool.h"

#include "sources/readers/bulkmemory.h"

#include <algorithm>
#include <cstring>

namespace sources {

namespace {

// Blocks grow from a few kilobytes for a small table to this many code units for a large one.
constexpr qsizetype smallestBlock = 4096;
constexpr qsizetype largestBlock = qsizetype(1) << 21;
// Texts longer than this get a buffer of their own.
constexpr qsizetype longestPooled = 256;

} // namespace

QString TextPool::copy(QStringView text)
{
    const qsizetype size = text.size();
    if (size == 0 || size > longestPooled)
        return text.toString();
    // Each text ends in a null, as every QString's buffer does.
    if (!m_block.d_ptr() || m_block.constAllocatedCapacity() - m_used < size + 1) {
        m_block = QString::DataPointer(QTypedArrayData<char16_t>::allocate(m_nextSize));
        adviseBulk(m_block.data(), size_t(m_block.constAllocatedCapacity()) * sizeof(char16_t));
        m_used = 0;
        m_nextSize = std::min(m_nextSize * 2, largestBlock);
    }
    char16_t *start = m_block.data() + m_used;
    std::memcpy(start, text.utf16(), size_t(size) * sizeof(char16_t));
    start[size] = u'\0';
    m_used += size + 1;
    m_block.ref();
    return QString(QString::DataPointer(m_block.d_ptr(), start, size));
}

void TextPool::expect(qsizetype units)
{
    m_nextSize = std::clamp(units, smallestBlock, largestBlock);
}

} // namespace sources
