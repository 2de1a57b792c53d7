#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

// Why an operation failed: the message to show, and where in its input the
// failure lies (a character, byte or record index, as the operation documents),
// -1 when nowhere in particular. Converts to a failed Result of any type:
//   return Failure { u"文件无法读取"_s };
struct Failure {
    QString message;
    qsizetype at = -1;
};

// The answer of every reader and writer that can fail: its value, or the
// Failure that says why there is none. Result<> (Result<void>) carries no value.
//
//   Result<XmlDoc> doc = XmlDoc::load(path);
//   if (!doc)
//       return Failure { doc.message() };
//   use(doc.value());
template <typename T = void> class Result {
public:
    Result(T value)
        : m_value(std::move(value))
    {
    }
    Result(Failure failure)
        : m_failure(std::move(failure))
    {
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    T& value() &
    {
        Q_ASSERT(ok());
        return *m_value;
    }
    const T& value() const&
    {
        Q_ASSERT(ok());
        return *m_value;
    }
    T&& value() &&
    {
        Q_ASSERT(ok());
        return std::move(*m_value);
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    // The value, or `fallback` after a failure.
    T value_or(T fallback) const& { return ok() ? *m_value : std::move(fallback); }

    // The failure's message and place; empty and -1 when ok().
    const QString& message() const { return m_failure.message; }
    qsizetype at() const { return m_failure.at; }
    const Failure& failure() const { return m_failure; }

private:
    std::optional<T> m_value;
    Failure m_failure;
};

template <> class Result<void> {
public:
    Result() = default;
    Result(Failure failure)
        : m_ok(false)
        , m_failure(std::move(failure))
    {
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString& message() const { return m_failure.message; }
    qsizetype at() const { return m_failure.at; }
    const Failure& failure() const { return m_failure; }

private:
    bool m_ok = true;
    Failure m_failure;
};
