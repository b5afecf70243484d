#include "sources/readers/workbookfile.h"

#include "sources/readers/biffrecords.h"
#include "sources/readers/bulkmemory.h"

#include <QFile>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

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

// A file's bytes and the stream read from them, kept for as long as the stream's bytes are used. The stream goes
// first: it may point into the bytes.
struct HeldFile
{
    QByteArray bytes;
    GObjectPtr<GsfInput> stream;
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
    // Read whole rather than mapped: another program that shortens the file meanwhile cannot pull pages out from
    // under the reader.
    const qint64 size = file.size();
    if (size == 0)
        throw WorkbookError(WorkbookError::Kind::NotWorkbook, QString());
    auto held = std::make_shared<HeldFile>();
    held->bytes = QByteArray(qsizetype(size), Qt::Uninitialized);
    adviseBulk(held->bytes.data(), size_t(size));
    if (file.read(held->bytes.data(), size) != size)
        throw WorkbookError(WorkbookError::Kind::CannotOpen, file.errorString());
    OpenedStream opened = openWorkbookStream(held->bytes);
    // Read without a buffer of its own, libgsf hands back a stream that lies in one piece in the file's bytes
    // where it lies, and puts any other together in a buffer of the stream's: either way it is not copied again.
    const guint8 *bytes = gsf_input_read(opened.stream.get(), size_t(opened.size), nullptr);
    if (bytes == nullptr)
        raiseDamaged("its workbook stream cannot be read in full");
    held->stream = std::move(opened.stream);
    return {QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), qsizetype(opened.size)), opened.bookStream,
            std::move(held)};
}

} // namespace sources
