#pragma once
/** @brief One of the eleven spoken breathwork prompts, ready to be played from its start.
 *
 * The prompts are "<phrase>.ogg", ".wav" or ".mp3" (tried in that order) under
 * "Suggestions/VORNA Voice/Breathwork/" of the sound library. Where the user's library has
 * none of them, the copy installed with the program (the same folders under the installation
 * folder) is used, so breathwork works before anything has been put into the library.
 *
 * Threads: the mixer's worker. Choose only resolves the phrase and looks for its file, so that
 * a player can open a phrase when it is first said (OpenChosen, which opens the file, not
 * looping) rather than every phrase before its first sound; ReadFrame reads one buffered
 * frame. */

#include "audio/CSoundFile.h"

#include <QString>

#include <cstdint>

class CBreathworkVoice
{
public:
    static constexpr int kPhraseCount = 11;
    static constexpr const char* kFolder = "Suggestions\\VORNA Voice\\Breathwork\\";

    /** The file name of phrase @p index without its extension; nullptr outside 0..10. */
    static const char* GetPhraseName(int index) noexcept;

    /** Takes phrase @p index at @p rate (closing what was open) without opening it; false for
     *  an unknown phrase or when no file of it exists. */
    bool Choose(int index, unsigned rate);
    /** Opens the chosen phrase unless it is open already. */
    bool OpenChosen();
    /** Opens the phrase path + ".ogg", else ".wav", else ".mp3". */
    bool Open();
    bool IsOpen() const noexcept { return m_open; }
    /** The next frame; silence (and false) after the end or when nothing is open. */
    bool ReadFrame(CStereoFrame& frame);
    /** @p n frames as n ReadFrame calls give them. */
    void ReadFrames(CStereoFrame* frames, std::uint32_t n);
    /** Back to the start when open. */
    bool Rewind();
    bool Close();
    /** Frames at the rate; 0 when nothing is open. */
    std::uint32_t GetLength() const noexcept { return m_open ? m_length : 0; }

private:
    bool OpenUnder(const QString& stem);
    static bool ExistsUnder(const QString& stem);
    /** The installed copy's stem for the library stem @p stem; empty when there is none. */
    static QString InstalledStem(const QString& stem);

    QString m_path; ///< the phrase's path in the library, without extension
    CSoundFile m_file;
    bool m_open = false;
    std::uint32_t m_length = 0;
    unsigned m_rate = 0;
};
