#include "audio/CSoundNoise.h"

#include "audio/CEffectsProcessor.h"
#include "model/CSegmentNoise.h"
#include "platform/Registry.h"

#include <algorithm>

bool CSoundNoise::Init()
{
    m_noise = dynamic_cast<CSegmentNoise*>(m_segment);
    if (m_noise == nullptr)
    {
        m_errorText = QStringLiteral("Failed to open the brown noise.");
        return false;
    }
    if (!CSound::Init())
        return false;
    if (!m_effects->AddFilter())
    {
        m_errorText = QStringLiteral("Failed to initialize the noise filter.");
        return false;
    }
    CSegmentNoise& s = *m_noise;
    for (CSmartProperty* p : {&s.m_smoothness, &s.m_filter, &s.m_frequency, &s.m_sharpness})
        p->StartAutoGraph(m_rate);

    const QString folder = GetInstallPath() + QStringLiteral("/Internals/Noise/");
    m_brownOpen = m_brown.OpenSharedLoop(folder + QStringLiteral("Brown.ogg"), m_rate);
    if (!m_brownOpen)
    {
        m_errorText = QStringLiteral("Failed to open the brown noise.");
        return false;
    }
    const QString name =
        s.GetColor() == CSegmentNoise::kColorWhite ? QStringLiteral("White") : QStringLiteral("Pink");
    m_coloredOpen = m_colored.OpenSharedLoop(folder + name + QStringLiteral(".ogg"), m_rate);
    if (!m_coloredOpen)
    {
        // The same text for either colour, as the program has always shown it.
        m_errorText = QStringLiteral("Failed to open the white noise.");
        return false;
    }
    return true;
}

bool CSoundNoise::Terminate()
{
    if (m_brownOpen)
        m_brown.Close();
    if (m_coloredOpen)
        m_colored.Close();
    m_brownOpen = false;
    m_coloredOpen = false;
    return CSound::Terminate();
}

bool CSoundNoise::GetSample(CStereoFrame& frame)
{
    const double t = m_segmentLength == 0 ? 0.0 : std::min(1.0, double(m_position) / double(m_segmentLength));
    if (m_brownOpen && m_coloredOpen)
    {
        CStereoFrame brown;
        CStereoFrame colored;
        if (!m_brown.ReadFrame(brown))
        {
            m_errorText = QStringLiteral("Failed to read the brown noise.");
            return false;
        }
        if (!m_colored.ReadFrame(colored))
        {
            m_errorText = QStringLiteral("Failed to read the white noise.");
            return false;
        }
        const double m = m_noise->m_smoothness.GetValueAt(t) / 100.0;
        frame.left = static_cast<float>((1.0 - m) * colored.left + m * brown.left);
        frame.right = static_cast<float>((1.0 - m) * colored.right + m * brown.right);
    }
    else
    {
        frame = CStereoFrame{};
    }
    UpdateFilter(t);
    return true;
}

void CSoundNoise::UpdateFilter(double t) noexcept
{
    if (m_noise == nullptr || m_effects == nullptr)
        return;
    CSegmentNoise& s = *m_noise;
    m_effects->SetFilter(s.m_filter.GetValueAt(t) / 100.0, s.m_frequency.GetValueAt(t),
                         s.m_sharpness.GetValueAt(t) / 100.0);
}

bool CSoundNoise::GetSamples(CStereoFrame* out, std::uint32_t n)
{
    if (n == 0)
        return true;
    if (n > kChunkFrames)
        return CSound::GetSamples(out, n);
    auto fraction = [this](std::uint32_t p)
    { return m_segmentLength == 0 ? 0.0 : std::min(1.0, double(p) / double(m_segmentLength)); };
    CSegmentNoise& s = *m_noise;
    if (m_brownOpen && m_coloredOpen)
    {
        CStereoFrame colored[kChunkFrames];
        if (m_brown.ReadFrames(out, n) != n)
        {
            m_errorText = QStringLiteral("Failed to read the brown noise.");
            return false;
        }
        if (m_colored.ReadFrames(colored, n) != n)
        {
            m_errorText = QStringLiteral("Failed to read the white noise.");
            return false;
        }
        const bool constant = s.m_smoothness.IsConstant();
        const double share = s.m_smoothness.GetValue() / 100.0;
        std::size_t hint = 1;
        for (std::uint32_t i = 0; i < n; ++i)
        {
            const double m =
                constant ? share : s.m_smoothness.GetValueAt(fraction(m_position + i), hint) / 100.0;
            const CStereoFrame brown = out[i];
            out[i].left = static_cast<float>((1.0 - m) * colored[i].left + m * brown.left);
            out[i].right = static_cast<float>((1.0 - m) * colored[i].right + m * brown.right);
        }
    }
    else
    {
        std::fill_n(out, n, CStereoFrame{});
    }
    // Every frame steps an automatic walk; the effects read the last frame's values only.
    for (CSmartProperty* p : {&s.m_filter, &s.m_frequency, &s.m_sharpness})
        if (p->GetMode() == CSmartProperty::kModeAutoGraph)
            for (std::uint32_t i = 1; i < n; ++i)
                (void)p->GetValueAt(0.0);
    UpdateFilter(fraction(m_position + n - 1));
    return true;
}
