#include "sources/readers/workbookfile.h"

#include "sources/readers/biffrecords.h"
#include "sources/readers/bulkmemory.h"

#include <QFile>

#include <sys/mman.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace sources {

namespace {

struct GObjectUnref
{
    void operator()(void *object) const { g_object_unref(object); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

void ignoreMessage(const gchar *, GLogLevelFlags, const gchar *, gpointer) {}

void initialiseLibrary()
{
    static const bool initialised = [] {
        gsf_init();
        // libgsf complains on standard error about the broken files it meets (some of its messages without a
        // domain of their own); the reader reports them itself.
        for (const char *domain : {"libgsf", "libgsf:msole", static_cast<const char *>(nullptr)})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK), ignoreMessage, nullptr);
        return true;
    }();
    Q_UNUSED(initialised)
}

// What a file that libgsf cannot open as a compound document is instead, from its first bytes.
[[noreturn]] void raiseNotCompound(QByteArrayView file)
{
    if (file.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        raiseDamaged("its file structure cannot be read");
    if (file.startsWith("PK\x03\x04"))
        throw WorkbookError(WorkbookError::Kind::NewerFormat, QString());
    // Excel 2.x to 4.0 wrote their workbooks as a bare record stream.
    if (file.size() >= 4 && file[0] == 0x09 && (file[1] == 0x00 || file[1] == 0x02 || file[1] == 0x04))
        throw WorkbookError(WorkbookError::Kind::OlderFormat, QString());
    throw WorkbookError(WorkbookError::Kind::NotWorkbook, QString());
}

struct OpenedStream
{
    GObjectPtr<GsfInput> stream;
    gsf_off_t size;
    bool bookStream;
};

OpenedStream openWorkbookStream(QByteArrayView file)
{
    initialiseLibrary();
    GObjectPtr<GsfInput> input(
        gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.data()), gsf_off_t(file.size()), FALSE));
    GError *error = nullptr;
    GObjectPtr<GsfInfile> container(gsf_infile_msole_new(input.get(), &error));
    if (container == nullptr) {
        g_clear_error(&error);
        raiseNotCompound(file);
    }

    int workbook = -1;
    int book = -1;
    bool encryptedPackage = false;
    const int children = gsf_infile_num_children(container.get());
    for (int i = 0; i < children; ++i) {
        const QString name = QString::fromUtf8(gsf_infile_name_by_index(container.get(), i));
        if (workbook < 0 && name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0)
            workbook = i;
        else if (book < 0 && name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0)
            book = i;
        // A password-protected .xlsx is a compound document that holds the encrypted package.
        encryptedPackage = encryptedPackage || name == QLatin1String("EncryptedPackage");
    }
    if (workbook < 0 && book < 0) {
        throw WorkbookError(encryptedPackage ? WorkbookError::Kind::Encrypted : WorkbookError::Kind::NoWorkbook,
                            QString());
    }
    const bool bookStream = workbook < 0;

    GObjectPtr<GsfInput> stream(gsf_infile_child_by_index(container.get(), bookStream ? book : workbook));
    if (stream == nullptr)
        raiseDamaged("its workbook stream cannot be read");
    const gsf_off_t size = gsf_input_size(stream.get());
    // The stream's sectors lie in the file: a larger stream is a broken sector chain, not a reason to allocate.
    if (size <= 0 || size > gsf_off_t(file.size()))
        raiseDamaged("its workbook stream has an impossible size");
    return {std::move(stream), size, bookStream};
}

// A file mapped for as long as a stream read from it is used.
class MappedFile
{
public:
    MappedFile(void *data, size_t size) : m_data(data), m_size(size) {}
    ~MappedFile()
    {
        m_stream.reset();
        munmap(m_data, m_size);
    }
    Q_DISABLE_COPY_MOVE(MappedFile)

    QByteArrayView bytes() const { return {static_cast<const char *>(m_data), qsizetype(m_size)}; }
    void keep(GObjectPtr<GsfInput> stream) { m_stream = std::move(stream); }

private:
    void *m_data;
    size_t m_size;
    GObjectPtr<GsfInput> m_stream;
};

} // namespace

WorkbookStream readWorkbookBytes(QByteArrayView file)
{
    OpenedStream opened = openWorkbookStream(file);
    QByteArray bytes(qsizetype(opened.size), Qt::Uninitialized);
    adviseBulk(bytes.data(), size_t(opened.size));
    if (gsf_input_read(opened.stream.get(), size_t(opened.size), reinterpret_cast<guint8 *>(bytes.data())) == nullptr)
        raiseDamaged("its workbook stream cannot be read in full");
    return {std::move(bytes), opened.bookStream, {}};
}

WorkbookStream readWorkbookFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw WorkbookError(WorkbookError::Kind::CannotOpen, file.errorString());
    if (file.size() == 0)
        throw WorkbookError(WorkbookError::Kind::NotWorkbook, QString());
    // Mapped rather than read: a huge file named .xls costs no memory before it is found to be no workbook.
    void *data = mmap(nullptr, size_t(file.size()), PROT_READ, MAP_PRIVATE, file.handle(), 0);
    if (data == MAP_FAILED)
        throw WorkbookError(WorkbookError::Kind::CannotOpen, QString::fromLocal8Bit(std::strerror(errno)));
    auto mapped = std::make_shared<MappedFile>(data, size_t(file.size()));
    OpenedStream opened = openWorkbookStream(mapped->bytes());
    // Read without a buffer of its own, libgsf hands back a stream that lies in one piece in the file where it
    // lies, and puts any other together in a buffer of the stream's: either way it is not copied again.
    const guint8 *bytes = gsf_input_read(opened.stream.get(), size_t(opened.size), nullptr);
    if (bytes == nullptr)
        raiseDamaged("its workbook stream cannot be read in full");
    mapped->keep(std::move(opened.stream));
    return {QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), qsizetype(opened.size)), opened.bookStream,
            std::move(mapped)};
}

} // namespace sources
