#include "SoundMedia.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QProcess>

#include <cmath>
#include <numbers>
#include <vector>

namespace vtest
{

bool WriteFrames(const QString& path, plat::SoundWriter::Format format, unsigned rate, int channels,
                 std::uint64_t frames, const std::function<float(std::uint64_t, int)>& sample)
{
    plat::SoundWriter writer;
    if (!writer.Open(path, format, rate, channels))
        return false;
    std::vector<float> block;
    for (std::uint64_t at = 0; at < frames;)
    {
        const std::uint64_t n = std::min<std::uint64_t>(4096, frames - at);
        block.resize(n * channels);
        for (std::uint64_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                block[i * channels + c] = sample(at + i, c);
        if (!writer.Write(block.data(), n))
            return false;
        at += n;
    }
    return writer.Close();
}

bool WriteSine(const QString& path, plat::SoundWriter::Format format, unsigned rate, int channels,
               std::uint64_t frames, double hz, double amp)
{
    return WriteFrames(path, format, rate, channels, frames,
                       [=](std::uint64_t i, int c)
                       {
                           const double v =
                               amp * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate);
                           return static_cast<float>(c == 0 ? v : 0.5 * v);
                       });
}

bool EncodeMp3(const QString& wav, const QString& mp3, bool lengthTag)
{
    QStringList args{QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("192")};
    if (!lengthTag)
        args << QStringLiteral("-t");
    args << wav << mp3;
    QProcess lame;
    lame.start(QStringLiteral("lame"), args);
    return lame.waitForFinished(60000) && lame.exitStatus() == QProcess::NormalExit && lame.exitCode() == 0;
}

QString MediaPath(const QString& name)
{
    const QString folder = TestHome() + QStringLiteral("/media");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name;
}

} // namespace vtest
