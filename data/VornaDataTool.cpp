// Makes the data files installed with the program:
//   vorna_data_tool noise <white|pink|brown> <out.ogg>   a seamless stereo noise loop
//   vorna_data_tool encode <in.wav> <out.ogg>            a recording as OGG Vorbis
//   vorna_data_tool decoded <in.ogg> <out.f32>           the file's frames stored decoded
// Runs at build time; the noise is seeded, so every build makes the same loops.

#include "platform/audio/DecodedCopy.h"
#include "platform/audio/SoundDecoder.h"
#include "platform/audio/SoundWriter.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

namespace
{

constexpr unsigned kRate = 44100;
constexpr std::size_t kLoopFrames = 40 * kRate; // 40 s
constexpr std::size_t kFadeFrames = 2 * kRate;  // the end crossfaded into the start

// One channel of noise of the colour, kLoopFrames + kFadeFrames long.
std::vector<double> Noise(const char* colour, std::uint32_t seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> s(kLoopFrames + kFadeFrames);
    if (std::strcmp(colour, "pink") == 0)
    {
        // Paul Kellet's refined filter: within 0.05 dB of -3 dB per octave above 9 Hz.
        double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
        for (double& v : s)
        {
            const double w = uniform(gen);
            b0 = 0.99886 * b0 + w * 0.0555179;
            b1 = 0.99332 * b1 + w * 0.0750759;
            b2 = 0.96900 * b2 + w * 0.1538520;
            b3 = 0.86650 * b3 + w * 0.3104856;
            b4 = 0.55000 * b4 + w * 0.5329522;
            b5 = -0.7616 * b5 - w * 0.0168980;
            v = b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362;
            b6 = w * 0.115926;
        }
    }
    else if (std::strcmp(colour, "brown") == 0)
    {
        // A leaky integrator: -6 dB per octave above its corner at about 7 Hz, and no drift.
        double y = 0.0;
        for (double& v : s)
            v = y = 0.999 * y + uniform(gen);
    }
    else
        for (double& v : s)
            v = uniform(gen);

    double mean = 0.0;
    for (double v : s)
        mean += v;
    mean /= static_cast<double>(s.size());
    for (double& v : s)
        v -= mean;
    return s;
}

// The loop: the tail past the loop's end fades out over the start while the start fades in,
// with equal-power weights (the two are unrelated noise). The last frame of the loop is
// followed in the source by the frame that now dominates the loop's first frame.
std::vector<double> Loop(const std::vector<double>& s)
{
    std::vector<double> loop(s.begin(), s.begin() + kLoopFrames);
    for (std::size_t i = 0; i < kFadeFrames; ++i)
    {
        const double t = std::numbers::pi / 2 * static_cast<double>(i) / kFadeFrames;
        loop[i] = s[i] * std::sin(t) + s[kLoopFrames + i] * std::cos(t);
    }
    return loop;
}

int MakeNoise(const char* colour, const char* out)
{
    const std::uint32_t seed = colour[0] == 'w' ? 1 : colour[0] == 'p' ? 2 : 3;
    std::vector<double> left = Loop(Noise(colour, seed * 2));
    std::vector<double> right = Loop(Noise(colour, seed * 2 + 1));
    double sum = 0.0;
    double peak = 0.0;
    for (std::size_t i = 0; i < kLoopFrames; ++i)
    {
        sum += left[i] * left[i] + right[i] * right[i];
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    const double rms = std::sqrt(sum / (2.0 * kLoopFrames));
    const double gain = std::min(0.2 / rms, 0.9 / peak); // -14 dBFS RMS, peaks below -1 dBFS
    std::vector<float> frames(2 * kLoopFrames);
    for (std::size_t i = 0; i < kLoopFrames; ++i)
    {
        frames[2 * i] = static_cast<float>(left[i] * gain);
        frames[2 * i + 1] = static_cast<float>(right[i] * gain);
    }
    plat::SoundWriter writer;
    if (!writer.Open(QString::fromLocal8Bit(out), plat::SoundWriter::Format::OggVorbis, kRate, 2, 0.6) ||
        !writer.Write(frames.data(), kLoopFrames) || !writer.Close())
    {
        std::fprintf(stderr, "vorna_data_tool: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

int Encode(const char* in, const char* out)
{
    plat::SoundDecoder::Info info;
    plat::SoundDecoder decoder;
    if (!plat::SoundDecoder::ReadInfo(QString::fromLocal8Bit(in), info) ||
        !decoder.Open(QString::fromLocal8Bit(in), info.rate, false))
    {
        std::fprintf(stderr, "vorna_data_tool: cannot read %s\n", in);
        return 1;
    }
    std::vector<float> frames(2 * decoder.Length());
    decoder.Read(frames.data(), static_cast<std::uint32_t>(decoder.Length()));
    plat::SoundWriter writer;
    if (!writer.Open(QString::fromLocal8Bit(out), plat::SoundWriter::Format::OggVorbis, info.rate, 2, 0.5) ||
        !writer.Write(frames.data(), decoder.Length()) || !writer.Close())
    {
        std::fprintf(stderr, "vorna_data_tool: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "noise") == 0 &&
        (!std::strcmp(argv[2], "white") || !std::strcmp(argv[2], "pink") || !std::strcmp(argv[2], "brown")))
        return MakeNoise(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "encode") == 0)
        return Encode(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "decoded") == 0)
    {
        if (plat::DecodedCopy::Write(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])))
            return 0;
        std::fprintf(stderr, "vorna_data_tool: cannot store %s decoded as %s\n", argv[2], argv[3]);
        return 1;
    }
    std::fprintf(stderr, "usage: vorna_data_tool noise <white|pink|brown> <out.ogg>\n"
                         "       vorna_data_tool encode <in.wav> <out.ogg>\n"
                         "       vorna_data_tool decoded <in.ogg> <out.f32>\n");
    return 2;
}
