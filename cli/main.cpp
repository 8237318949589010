// zelvan-tool: the station's logic without its screens, one JSON object per run.
#include "cli/Command.h"

#include "base/Numbers.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cstdio>
#include <map>
#include <string>

namespace zelvan::cli
{

namespace
{
struct Entry {
    const char* usage;
    CommandFn fn;
};
std::map<std::string, Entry>& registry()
{
    static std::map<std::string, Entry> commands;
    return commands;
}
} // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, CommandFn fn)
{
    registry()[name] = Entry{usage, fn};
}

bool Args::flag(const QString& name) const
{
    return list.contains(QStringLiteral("--") + name);
}

QString Args::option(const QString& name) const
{
    const int i = list.indexOf(QStringLiteral("--") + name);
    if (i < 0)
        return QString();
    if (i + 1 >= list.size())
        throw CommandError(QStringLiteral("--%1 needs a value").arg(name));
    return list.at(i + 1);
}

QString Args::required(const QString& name) const
{
    QString v = option(name);
    if (v.isEmpty())
        throw CommandError(QStringLiteral("--%1 is required").arg(name));
    return v;
}

double Args::number(const QString& name, double fallback) const
{
    const QString v = option(name);
    if (v.isEmpty())
        return fallback;
    if (const std::optional<double> d = parseNumber(v))
        return *d;
    throw CommandError(QStringLiteral("--%1 is not a number: %2").arg(name, v));
}

QStringList Args::positionals() const
{
    QStringList out;
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).startsWith(QLatin1String("--"))) {
            // An option's value follows it unless the next word is itself an option.
            if (i + 1 < list.size() && !list.at(i + 1).startsWith(QLatin1String("--")))
                ++i;
            continue;
        }
        out << list.at(i);
    }
    return out;
}

void Args::allow(const QStringList& options, const QStringList& flags) const
{
    for (int i = 0; i < list.size(); ++i) {
        const QString& a = list.at(i);
        if (!a.startsWith(QLatin1String("--")))
            continue;
        const QString name = a.mid(2);
        if (options.contains(name))
            ++i;
        else if (!flags.contains(name))
            throw CommandError(QStringLiteral("unknown option %1").arg(a));
    }
}

void parsePair(const QString& text, const QString& what, double& x, double& y)
{
    const QStringList parts = text.split(QLatin1Char(','));
    const std::optional<double> px = parts.size() == 2 ? parseNumber(parts[0]) : std::nullopt;
    const std::optional<double> py = parts.size() == 2 ? parseNumber(parts[1]) : std::nullopt;
    if (px && py) {
        x = *px;
        y = *py;
        return;
    }
    throw CommandError(QStringLiteral("%1 must be two numbers X,Y: %2").arg(what, text));
}

namespace
{
int usage(FILE* out)
{
    std::fprintf(out, "usage: zelvan-tool <command> [options]\n\ncommands:\n");
    for (const auto& [name, entry] : registry())
        std::fprintf(out, "  %s\n", entry.usage);
    return out == stdout ? 0 : 2;
}

// Qt turns the bytes of an argument that is not valid UTF-8 into replacement characters, so
// a file named that way could never be found; say so instead of "not found".
bool argumentsAreText(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(QByteArrayView(argv[i]));
        if (utf8.hasError()) {
            std::fprintf(stderr,
                         "error: argument %d is not valid UTF-8 text, so the file it names cannot "
                         "be opened: %s\n",
                         i, qPrintable(text));
            return false;
        }
    }
    return true;
}
} // namespace

} // namespace zelvan::cli

int main(int argc, char** argv)
{
    using namespace zelvan::cli;
    QCoreApplication app(argc, argv);
#ifndef Q_OS_WIN
    if (!argumentsAreText(argc, argv))
        return 2;
#endif
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage(stderr);
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("help"))
        return usage(stdout);

    // Two-word commands ("grid solve") take precedence over one-word ones.
    auto& commands = registry();
    auto it = commands.end();
    int used = 0;
    if (args.size() >= 2)
        it = commands.find((args[0] + QLatin1Char(' ') + args[1]).toStdString());
    if (it != commands.end())
        used = 2;
    else if ((it = commands.find(args[0].toStdString())) != commands.end())
        used = 1;
    if (it == commands.end()) {
        std::fprintf(stderr, "error: unknown command %s\n", qPrintable(args.join(' ')));
        return 2;
    }
    try {
        const QJsonObject result = it->second.fn(Args(args.mid(used)));
        const QByteArray json = QJsonDocument(result).toJson(QJsonDocument::Compact);
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        std::fputc('\n', stdout);
        return 0;
    } catch (const std::exception& e) {
        std::string reason = e.what();
        for (char& c : reason)
            if (c == '\n' || c == '\r')
                c = ' ';
        std::fprintf(stderr, "error: %s\n", reason.c_str());
        return 2;
    }
}
