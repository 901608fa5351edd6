#pragma once
/** @brief Test support for the audio services: the message boxes they show, fake encoder
 *  programs on the search path, and the pitch of a recorded tone. */

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace vtest
{

/** Records the audio services' message boxes (from any thread) for its scope's life. */
class MessageLog
{
public:
    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    QStringList Texts() const;
    bool Contains(const QString& text) const;

private:
    mutable std::mutex m_mutex;
    QStringList m_texts;
};

/** A folder of fake programs put first on PATH for its scope's life (or alone on it, so that
 *  the real programs are not found). Each fake is a shell script given its body. */
class FakePrograms
{
public:
    enum class Path
    {
        First, ///< the fakes, then the usual search path
        Only,  ///< nothing but the fakes
    };
    explicit FakePrograms(Path path = Path::First);
    ~FakePrograms();
    FakePrograms(const FakePrograms&) = delete;
    FakePrograms& operator=(const FakePrograms&) = delete;

    const QString& Folder() const { return m_folder; }
    /** A script @p name whose body is @p body (sh; use absolute paths for other programs). */
    void Add(const QString& name, const QString& body);
    /** A fake that writes its arguments, one a line, to <name>.args and its standard input to
     *  <name>.stdin in the folder, then exits with @p status. */
    void AddRecorder(const QString& name, int status = 0);
    /** What a recorder was given; empty when it never ran. */
    QStringList Arguments(const QString& name) const;
    std::vector<std::uint8_t> Input(const QString& name) const;
    bool Ran(const QString& name) const;

private:
    QString m_folder;
    QByteArray m_savedPath;
};

/** Streams play on a free-running null device for the scope's life, and every frame it
 *  plays is kept, in order. */
class NullDeviceCapture
{
public:
    NullDeviceCapture();
    ~NullDeviceCapture();
    NullDeviceCapture(const NullDeviceCapture&) = delete;
    NullDeviceCapture& operator=(const NullDeviceCapture&) = delete;

    /** Interleaved stereo samples played so far. */
    std::vector<float> Samples() const;
    std::size_t Frames() const;
    /** Waits (at most @p seconds) until at least @p frames frames were played. */
    bool WaitForFrames(std::size_t frames, double seconds = 10.0) const;

private:
    mutable std::mutex m_mutex;
    std::vector<float> m_samples;
};

/** Waits (at most @p seconds) until @p done() holds; whether it does. */
bool WaitUntil(const std::function<bool()>& done, double seconds = 10.0);

/** The frequency (Hz, 0.25 Hz steps between @p fromHz and @p toHz) at which @p samples
 *  (one channel at @p rate) are loudest. */
double LoudestFrequency(const std::vector<float>& samples, unsigned rate, double fromHz, double toHz);

} // namespace vtest
