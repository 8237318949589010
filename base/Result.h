#pragma once
// How a fallible step reports: it returns a Result<T> holding either its value or the reason
// it failed, one sentence ready to be shown to the operator or written to the debug log.
// Status is the Result of a step that gives nothing back. Nothing throws across a library's
// boundary, and no reason travels through an out-parameter.
//
//     Result<GridPair> read(...)      { if (bad) return fail("..."); return pair; }
//     Status write(...)               { if (bad) return fail("..."); return {}; }
//     if (const auto pair = read(...)) use(*pair); else show(pair.error());
#include <QString>
#include <utility>
#include <variant>

namespace zelvan
{

// The reason of a failure; `fail("...")` makes one that converts to any Result.
struct Failure {
    QString reason;
};
inline Failure fail(QString reason)
{
    return Failure{std::move(reason)};
}

template <class T> class [[nodiscard]] Result
{
public:
    Result(T value) : state(std::move(value)) {}
    Result(Failure failure) : state(std::move(failure)) {}

    bool ok() const { return std::holds_alternative<T>(state); }
    explicit operator bool() const { return ok(); }
    // Empty when the step succeeded.
    QString error() const { return ok() ? QString() : std::get<Failure>(state).reason; }

    // Only on success; asking a failure for its value is a programming error.
    const T& value() const& { return std::get<T>(state); }
    T& value() & { return std::get<T>(state); }
    T&& value() && { return std::get<T>(std::move(state)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    T valueOr(T otherwise) const { return ok() ? value() : std::move(otherwise); }

private:
    std::variant<T, Failure> state;
};

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : reason(std::move(failure.reason)), failed(true) {}

    bool ok() const { return !failed; }
    explicit operator bool() const { return ok(); }
    QString error() const { return reason; }

private:
    QString reason;
    bool failed = false;
};

using Status = Result<void>;

// Both steps' outcome: the first failure's reason, or success.
inline Status firstFailure(const Status& a, const Status& b)
{
    return a ? b : a;
}

} // namespace zelvan
