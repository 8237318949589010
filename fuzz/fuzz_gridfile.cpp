// Feeds arbitrary bytes to the grid file pair reader. The input is split at the first
// "\n@cb@\n": before it the grid file, after it the check-buoy file (none when the marker is
// absent). Whatever reads successfully must write back and read again to the same bytes.
#include "base/Numbers.h"
#include "grid/GridFile.h"
#include "grid/NumberForm.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace
{

QByteArray pairBytes(const zelvan::grid::GridFileContents& c, bool* ok)
{
    const auto grid = zelvan::grid::gridFileBytes(c.path, c.description2, c.setup);
    const auto cb = zelvan::grid::checkBuoyFileBytes(c.setup.checkScreenX, c.setup.checkScreenY,
                                                     c.checkXText, c.checkYText);
    *ok = grid && cb;
    return *ok ? *grid + "\n@cb@\n" + *cb : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    const QByteArray marker("\n@cb@\n");
    const int split = input.indexOf(marker);
    const QByteArray gridPart = split < 0 ? input : input.left(split);
    const QByteArray cbPart = split < 0 ? QByteArray() : input.mid(split + marker.size());
    const QString path = QStringLiteral("/fuzz/lake.ipt");

    const auto first =
        zelvan::grid::parseGridFilePair(path, gridPart, split < 0 ? nullptr : &cbPart);
    if (!first) {
        if (first.error().isEmpty())
            std::abort(); // every refusal must say why
        return 0;
    }
    if (!first->hasCheckBuoyFile)
        return 0;

    // Anything read can be written; what is written reads back and writes identically.
    bool ok = false;
    const QByteArray once = pairBytes(*first, &ok);
    if (!ok)
        std::abort();
    const int at = once.indexOf(marker);
    const QByteArray cbOnce = once.mid(at + marker.size());
    const auto second = zelvan::grid::parseGridFilePair(path, once.left(at), &cbOnce);
    if (!second)
        std::abort();
    if (pairBytes(*second, &ok) != once || !ok)
        std::abort();

    // The number reader on the raw text, and its written form reading back.
    const auto number = zelvan::parseNumber(QString::fromLatin1(gridPart.left(64)));
    if (number && zelvan::parseNumber(zelvan::grid::writtenNumber(*number)) !=
                      zelvan::parseNumber(zelvan::grid::numberText(*number)))
        std::abort();
    return 0;
}
