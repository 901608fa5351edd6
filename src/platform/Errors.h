#pragma once
/** @brief The error family raised by the model and the platform layer.
 *
 * Callers that show errors to the user (the window layer's dispatch, the open command)
 * catch plat::Error and show what(). */

#include <stdexcept>
#include <string>

namespace plat
{

class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** A bad index, a kind outside its table, an argument the operation cannot take. */
class InvalidArgumentError : public Error
{
public:
    explicit InvalidArgumentError(const std::string& what = "Invalid argument.") : Error(what) {}
};

/** Reading or writing a session archive failed. */
class ArchiveError : public Error
{
public:
    enum class Cause
    {
        EndOfFile, ///< a read went past the last byte
        BadFormat, ///< the bytes cannot be what the record says (a count larger than the file, a bad range)
        WrongMode, ///< reading from a storing archive or writing to a loading one
    };

    ArchiveError(Cause cause, const std::string& what) : Error(what), m_cause(cause) {}
    Cause GetCause() const noexcept { return m_cause; }

private:
    Cause m_cause;
};

/** An allocation the program cannot make. */
class MemoryError : public Error
{
public:
    explicit MemoryError(const std::string& what = "Out of memory.") : Error(what) {}
};

} // namespace plat
