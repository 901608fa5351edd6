#include "audio/CBreathworkVoice.h"

#include "platform/Folders.h"
#include "platform/Registry.h"

#include <QFileInfo>

namespace
{

constexpr const char* kPhrases[CBreathworkVoice::kPhraseCount] = {
    "In",
    "Out",
    "Hold",
    "Breathe in",
    "Take a deep breath",
    "Take in a deep and slow breath",
    "Breathe out",
    "Breathe out slowly",
    "Breathe out the air completely",
    "Hold your breath",
    "Hold your breath and relax",
};

// The kinds of file a prompt may be, in the order they are tried.
constexpr const char* kExtensions[] = {".ogg", ".wav", ".mp3"};

} // namespace

const char* CBreathworkVoice::GetPhraseName(int index) noexcept
{
    return index >= 0 && index < kPhraseCount ? kPhrases[index] : nullptr;
}

bool CBreathworkVoice::Choose(int index, unsigned rate)
{
    Close();
    const char* phrase = GetPhraseName(index);
    if (phrase == nullptr)
        return false;
    m_rate = rate;
    m_path = GetLibraryPath(QString::fromLatin1(kFolder) + QString::fromLatin1(phrase), true);
    if (ExistsUnder(m_path))
        return true;
    const QString installed = InstalledStem(m_path);
    return !installed.isEmpty() && ExistsUnder(installed);
}

bool CBreathworkVoice::OpenChosen()
{
    return m_open || Open();
}

bool CBreathworkVoice::OpenUnder(const QString& stem)
{
    for (const char* ext : kExtensions)
        if (m_file.Open(stem + QString::fromLatin1(ext), m_rate, false))
            return true;
    return false;
}

bool CBreathworkVoice::ExistsUnder(const QString& stem)
{
    for (const char* ext : kExtensions)
        if (QFileInfo(stem + QString::fromLatin1(ext)).isFile())
            return true;
    return false;
}

QString CBreathworkVoice::InstalledStem(const QString& stem)
{
    // The prompts installed with the program lie in the same folders of the installation.
    QString relative = stem;
    if (!MakeLibraryRelative(relative))
        return {};
    return GetInstallPath() + QStringLiteral("/Sound Library/") + relative;
}

bool CBreathworkVoice::Open()
{
    Close();
    bool opened = OpenUnder(m_path);
    if (!opened)
    {
        const QString installed = InstalledStem(m_path);
        opened = !installed.isEmpty() && OpenUnder(installed);
    }
    if (!opened)
        return false;
    m_length = m_file.GetLength();
    m_open = true;
    return true;
}

bool CBreathworkVoice::ReadFrame(CStereoFrame& frame)
{
    return m_file.ReadFrame(frame); // silence once the prompt has been said
}

void CBreathworkVoice::ReadFrames(CStereoFrame* frames, std::uint32_t n)
{
    m_file.ReadFrames(frames, n);
}

bool CBreathworkVoice::Rewind()
{
    return m_open && m_file.Rewind();
}

bool CBreathworkVoice::Close()
{
    m_file.Close();
    m_open = false;
    m_length = 0;
    return true;
}
