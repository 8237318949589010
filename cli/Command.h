#pragma once
// zelvan-tool commands: each command file registers itself with a static ZELVAN_COMMAND and
// returns one JSON object; any bad input throws CommandError, which main() turns into one
// "error: ..." line on stderr and exit code 2.
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace zelvan::cli
{

class CommandError : public std::runtime_error
{
public:
    explicit CommandError(const QString& reason) : std::runtime_error(reason.toStdString()) {}
};

// Arguments after the command name: --name value, --flag, and positionals.
class Args
{
public:
    explicit Args(QStringList args) : list(std::move(args)) {}
    bool flag(const QString& name) const;        // --name present
    QString option(const QString& name) const;   // value after --name; empty when absent
    QString required(const QString& name) const; // throws when absent
    double number(const QString& name, double fallback) const; // throws when not a number
    QStringList positionals() const;
    // Rejects anything not listed, so that a typo is an error instead of being ignored.
    void allow(const QStringList& options, const QStringList& flags) const;

private:
    QStringList list;
};

// Parses "X,Y" (two plain decimal numbers); throws CommandError naming `what`.
void parsePair(const QString& text, const QString& what, double& x, double& y);

using CommandFn = QJsonObject (*)(const Args&);

struct CommandRegistrar {
    CommandRegistrar(const char* name, const char* usage, CommandFn fn);
};

} // namespace zelvan::cli

#define ZELVAN_CONCAT2(a, b) a##b
#define ZELVAN_CONCAT(a, b) ZELVAN_CONCAT2(a, b)
#define ZELVAN_COMMAND(name, usage, fn)                                                            \
    static const ::zelvan::cli::CommandRegistrar ZELVAN_CONCAT(zelvanCommand_,                     \
                                                               __LINE__)(name, usage, fn)
