#include "ServiceSupport.h"

#include "audio/AudioMessage.h"
#include "platform/audio/AudioSystem.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <thread>

namespace vtest
{

MessageLog::MessageLog()
{
    audio::SetMessageSink(
        [this](const QString& text)
        {
            std::lock_guard lock(m_mutex);
            m_texts << text;
        });
}

MessageLog::~MessageLog()
{
    audio::SetMessageSink({});
}

QStringList MessageLog::Texts() const
{
    std::lock_guard lock(m_mutex);
    return m_texts;
}

bool MessageLog::Contains(const QString& text) const
{
    return Texts().contains(text);
}

FakePrograms::FakePrograms(Path path)
{
    static std::atomic<int> next{0};
    m_folder = TestHome() + QStringLiteral("/fake-bin-%1").arg(next++);
    QDir(m_folder).removeRecursively();
    QDir().mkpath(m_folder);
    m_savedPath = qgetenv("PATH");
    const QByteArray folder = QFile::encodeName(m_folder);
    qputenv("PATH", path == Path::Only ? folder : folder + ':' + m_savedPath);
}

FakePrograms::~FakePrograms()
{
    qputenv("PATH", m_savedPath);
}

void FakePrograms::Add(const QString& name, const QString& body)
{
    QFile f(m_folder + QLatin1Char('/') + name);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write("#!/bin/sh\n");
    f.write(body.toUtf8());
    f.write("\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void FakePrograms::AddRecorder(const QString& name, int status)
{
    const QString log = m_folder + QLatin1Char('/') + name;
    Add(name, QStringLiteral(": > '%1.args'\n"
                             "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '%1.args'; done\n"
                             "/bin/cat > '%1.stdin'\n"
                             "exit %2")
                  .arg(log)
                  .arg(status));
}

QStringList FakePrograms::Arguments(const QString& name) const
{
    QFile f(m_folder + QLatin1Char('/') + name + QStringLiteral(".args"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

std::vector<std::uint8_t> FakePrograms::Input(const QString& name) const
{
    QFile f(m_folder + QLatin1Char('/') + name + QStringLiteral(".stdin"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    return {all.begin(), all.end()};
}

bool FakePrograms::Ran(const QString& name) const
{
    return QFile::exists(m_folder + QLatin1Char('/') + name + QStringLiteral(".args"));
}

NullDeviceCapture::NullDeviceCapture()
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::FreeRun);
    plat::AudioSystem::SetNullDeviceMonitor(
        [this](const float* frames, std::uint32_t count)
        {
            std::lock_guard lock(m_mutex);
            m_samples.insert(m_samples.end(), frames, frames + static_cast<std::size_t>(count) * 2);
        });
}

NullDeviceCapture::~NullDeviceCapture()
{
    plat::AudioSystem::SetNullDeviceMonitor({});
}

std::vector<float> NullDeviceCapture::Samples() const
{
    std::lock_guard lock(m_mutex);
    return m_samples;
}

std::size_t NullDeviceCapture::Frames() const
{
    std::lock_guard lock(m_mutex);
    return m_samples.size() / 2;
}

bool NullDeviceCapture::WaitForFrames(std::size_t frames, double seconds) const
{
    return WaitUntil([&] { return Frames() >= frames; }, seconds);
}

bool WaitUntil(const std::function<bool()>& done, double seconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

double LoudestFrequency(const std::vector<float>& samples, unsigned rate, double fromHz, double toHz)
{
    double best = fromHz;
    double bestPower = -1.0;
    for (double f = fromHz; f <= toHz; f += 0.25)
    {
        // Goertzel: the power of one DFT bin at any frequency.
        const double w = 2.0 * std::numbers::pi * f / rate;
        const double c = 2.0 * std::cos(w);
        double s1 = 0.0;
        double s2 = 0.0;
        for (float x : samples)
        {
            const double s0 = x + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
        if (power > bestPower)
        {
            bestPower = power;
            best = f;
        }
    }
    return best;
}

} // namespace vtest
