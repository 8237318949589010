// Feeds arbitrary bytes to the AVI header reader, the AVI check and the BMP reader, both
// from memory and through a real file as the station opens them.
#include "review/AviFile.h"
#include "review/cDIB.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace
{

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zelvan::review;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (const auto headers = readAviHeaders(buffer)) {
        // Touch what a caller would use.
        volatile int rate = wholeFrameRate(headers->info.rate, headers->info.scale);
        (void)rate;
    }

    cDIB fromBytes;
    if (fromBytes.CreateFromBytes(bytes)) {
        // Whatever was accepted must be consistent with what it claims.
        if (fromBytes.PointerToBits() == nullptr || fromBytes.SizeBitmapInfo() < 40)
            __builtin_trap();
        volatile uint8_t last = fromBytes.PointerToBits()[fromBytes.SizeImage() - 1];
        (void)last;
        (void)fromBytes.fileBytes();
    }
    if (bytes.size() >= 40) {
        cDIB packed;
        if (packed.CreateFromPackedDIBPointer(bytes.constData(), bytes.size()) &&
            packed.SizeFileHeader() != packed.SizeImage() + 54)
            __builtin_trap();
    }

    const QString path = scratch().filePath(QStringLiteral("input.bin"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(bytes);
    }
    // What the operator would be told must be there exactly when the answer is "no".
    if (isAviFile(path).messages.size() > 1)
        __builtin_trap();
    const auto info = readAviFileInfo(path);
    if (info.value.has_value() == !info.messages.isEmpty())
        __builtin_trap();
    (void)aviFrameRate(path);
    (void)aviFrameCount(path);
    cDIB fromFile;
    const auto read = fromFile.CreateFromFile(path);
    if (read.value == !read.messages.isEmpty())
        __builtin_trap();
    return 0;
}
