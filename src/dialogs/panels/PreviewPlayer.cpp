#include "dialogs/panels/PreviewPlayer.h"

#include "audio/CStreamPlayer.h"

namespace
{

class StreamPreviewPlayer : public PreviewPlayer
{
public:
    // The panel says "Failed to play the sound file." itself: one box, not the stream's as well.
    bool OpenFile(const QString& path) override { return m_player.OpenFile(path, false); }
    double GetLength() const override { return m_player.GetLength(); }
    bool Play() override { return m_player.Play(); }
    bool IsPlaying() const override { return m_player.IsPlaying(); }
    void Close() override { m_player.Close(); }

private:
    CStreamPlayer m_player;
};

} // namespace

std::unique_ptr<PreviewPlayer> MakeStreamPreviewPlayer()
{
    return std::make_unique<StreamPreviewPlayer>();
}
