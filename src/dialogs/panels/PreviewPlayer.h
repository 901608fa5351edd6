#pragma once
/** @brief What a property panel's Play button plays a sound file through: the stream player, or a
 *  test's stand-in behind the same interface. UI thread only. */

#include <QString>

#include <memory>

class PreviewPlayer
{
public:
    virtual ~PreviewPlayer() = default;
    /** Opens @p path (not yet playing); false when it cannot be played, without a message (the
     *  caller shows its own). */
    virtual bool OpenFile(const QString& path) = 0;
    /** Seconds of the open file; 0 or less when unknown. */
    virtual double GetLength() const = 0;
    virtual bool Play() = 0;
    /** Playing and not at the end of the file. */
    virtual bool IsPlaying() const = 0;
    /** Stops and lets go of the file. */
    virtual void Close() = 0;
};

/** The program's preview player: a CStreamPlayer on the output device. */
std::unique_ptr<PreviewPlayer> MakeStreamPreviewPlayer();
