#include "sources/readers/biffrecords.h"

#include <QtEndian>

#include <algorithm>

namespace sources {

void raiseDamaged(const char *what)
{
    throw WorkbookError(WorkbookError::Kind::Damaged, QString::fromLatin1(what));
}

BiffRecord BiffCursor::next()
{
    const qsizetype size = qsizetype(m_stream.size());
    if (size - m_offset < 4)
        raiseDamaged("a record is cut off");
    const uchar *header = m_stream.data() + m_offset;
    const qsizetype length = readU16(header + 2);
    if (size - m_offset - 4 < length)
        raiseDamaged("a record runs past the end of the workbook");
    BiffRecord record{readU16(header), m_stream.subspan(size_t(m_offset + 4), size_t(length)), m_offset};
    m_offset += 4 + length;
    return record;
}

int BiffCursor::peekId() const
{
    if (qsizetype(m_stream.size()) - m_offset < 4)
        return -1;
    return readU16(m_stream.data() + m_offset);
}

QString unicodeCharacters(const uchar *data, quint32 count, bool twoBytes)
{
    QString result(qsizetype(count), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    if (twoBytes)
        qFromLittleEndian<quint16>(data, qsizetype(count), out);
    else
        std::copy(data, data + count, out);
    return result;
}

BiffRecordReader::BiffRecordReader(const BiffRecord &record, BiffCursor &cursor, BiffVersion version)
    : m_segment(record.body), m_cursor(cursor), m_version(version)
{}

bool BiffRecordReader::nextSegment()
{
    if (m_cursor.peekId() != biff::Continue)
        return false;
    m_segment = m_cursor.next().body;
    m_position = 0;
    return true;
}

bool BiffRecordReader::atEnd()
{
    while (available() == 0) {
        if (!nextSegment())
            return true;
    }
    return false;
}

quint8 BiffRecordReader::u8()
{
    while (available() == 0) {
        if (!nextSegment())
            raiseDamaged("a record ends before its contents");
    }
    return m_segment[m_position++];
}

quint16 BiffRecordReader::u16()
{
    if (available() < 2) {
        // Split over two records; the operands of | are read in no fixed order, so one at a time.
        const quint8 low = u8();
        return quint16(low | (u8() << 8));
    }
    const quint16 value = readU16(m_segment.data() + m_position);
    m_position += 2;
    return value;
}

quint32 BiffRecordReader::u32()
{
    if (available() < 4) {
        const quint16 low = u16();
        return quint32(low) | (quint32(u16()) << 16);
    }
    const quint32 value = readU32(m_segment.data() + m_position);
    m_position += 4;
    return value;
}

void BiffRecordReader::skip(quint64 count)
{
    for (;;) {
        const size_t step = size_t(std::min<quint64>(count, available()));
        m_position += step;
        count -= step;
        if (count == 0)
            return;
        if (!nextSegment())
            raiseDamaged("a record ends before its contents");
    }
}

QString BiffRecordReader::characters(quint32 count, bool twoBytes)
{
    QString result(qsizetype(count), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(result.data());
    quint32 done = 0;
    m_textCut = false;
    while (done < count) {
        if (available() == 0) {
            // A text said to be longer than its record holds is read as far as the record goes, as Excel
            // itself reads such files.
            if (!nextSegment()) {
                m_textCut = true;
                break;
            }
            // The characters go on in the next record, which says again how wide they are.
            twoBytes = (u8() & 0x01) != 0;
        }
        const size_t width = twoBytes ? 2 : 1;
        const quint32 step = quint32(std::min<size_t>(count - done, available() / width));
        if (step == 0)
            raiseDamaged("a text character is split between two records");
        const uchar *data = m_segment.data() + m_position;
        if (twoBytes)
            qFromLittleEndian<quint16>(data, qsizetype(step), out + done);
        else
            std::copy(data, data + step, out + done);
        m_position += step * width;
        done += step;
    }
    result.truncate(qsizetype(done));
    return result;
}

QString BiffRecordReader::bytes(quint32 count, QStringDecoder &decoder)
{
    QByteArray raw;
    raw.reserve(qsizetype(std::min<size_t>(count, available())));
    m_textCut = false;
    while (quint32(raw.size()) < count) {
        if (available() == 0 && !nextSegment()) {
            m_textCut = true;
            break;
        }
        const size_t step = std::min<size_t>(count - quint32(raw.size()), available());
        raw.append(reinterpret_cast<const char *>(m_segment.data() + m_position), qsizetype(step));
        m_position += step;
    }
    QString result = decoder.decode(raw);
    decoder.resetState();
    return result;
}

QString BiffRecordReader::richText(quint32 count, quint8 flags)
{
    const quint16 runs = (flags & 0x08) != 0 ? u16() : 0;
    const quint32 phonetic = (flags & 0x04) != 0 ? u32() : 0;
    QString result = characters(count, (flags & 0x01) != 0);
    // A text cut short by its record's end leaves nothing of its formatting to skip.
    if (!m_textCut)
        skip(quint64(runs) * 4 + phonetic);
    return result;
}

QString BiffRecordReader::text(QStringDecoder &decoder)
{
    const quint16 count = u16();
    if (m_version == BiffVersion::Biff5)
        return bytes(count, decoder);
    return richText(count, u8());
}

} // namespace sources
