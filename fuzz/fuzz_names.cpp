// Arbitrary bytes as a skier names file: the picker's lines and the configuration screen's
// fields must come out well-formed, never crash.
#include "app/SkierNames.h"

#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>

using namespace zelvan;
using namespace zelvan::app;

namespace
{
void check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));

    const QStringList entries = pickerEntries(text);
    for (const QString& e : entries)
        check(!e.isEmpty() && !e.contains(QLatin1Char(',')) && !e.contains(QLatin1Char('\n')) &&
              !e.contains(QLatin1Char('\r')));

    const QStringList fields = namesFileFields(text);
    // A quote inside a field is kept as it stands, so only emptiness is ruled out here.
    for (const QString& f : fields)
        check(!f.isEmpty());
    // Without quotes the fields are simply the trimmed, non-empty pieces between separators.
    if (!text.contains(QLatin1Char('"'))) {
        QStringList pieces;
        for (const QString& p : text.split(QRegularExpression(QStringLiteral("[,\r\n]"))))
            if (!p.trimmed().isEmpty())
                pieces << p.trimmed();
        check(pieces == fields);
    }
    return 0;
}
