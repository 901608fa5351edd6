#pragma once
/** @brief The message boxes of the audio services (encoder, players, queue, recorder).
 *
 * The audio library links no window code, so the application installs a sink that shows the
 * program's message box; tests install one that records the texts. Without a sink the text
 * goes to the log. ShowMessage may be called from any thread (the encoder reports from the
 * recording thread): the sink must cope with that, as the program's message box does by
 * queueing the box to the UI thread. */

#include <QString>

#include <functional>

namespace audio
{

using MessageSink = std::function<void(const QString& text)>;

/** Shows @p text through the installed sink. Any thread. */
void ShowMessage(const QString& text);

/** Installs @p sink (empty: back to the log) and returns the one it replaces. Any thread. */
MessageSink SetMessageSink(MessageSink sink);

} // namespace audio
