// Arbitrary bytes as the manual: the rich-text reader must never crash or hang, and a
// document it accepts holds no more characters than the input has bytes (one character per
// byte at most, or per \u word).
#include "app/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

namespace
{
void check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Text documents need the font database of a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray rtf(reinterpret_cast<const char*>(data), int(size));
    QTextDocument document;
    const zelvan::Status read = zelvan::app::readRtf(rtf, document);
    if (!read) {
        check(document.isEmpty() && !read.error().isEmpty());
        return 0;
    }
    check(document.characterCount() <= int(size) + 1);
    return 0;
}
