#pragma once
/** @brief The players that preview a sound beside the session (a panel's Play button, the loop
 *  tool's previews), so that giving up the output device can close them first.
 *
 * A preview registers how it stops for as long as it exists (PreviewRegistration). Re-opening the
 * output device calls CloseAll before it lets the device go: a stream left open would keep
 * playing on the device being given up while its owner believed it was on the new one. UI thread. */

#include <functional>

namespace dlg
{

class PreviewRegistration
{
public:
    PreviewRegistration() = default;
    /** Registers @p close: it stops the preview and lets go of its stream. */
    explicit PreviewRegistration(std::function<void()> close);
    ~PreviewRegistration();
    PreviewRegistration(const PreviewRegistration&) = delete;
    PreviewRegistration& operator=(const PreviewRegistration&) = delete;
};

/** Stops every registered preview; a preview may register or go away meanwhile. */
void CloseAllPreviews();
/** How many previews are registered (tests). */
int RegisteredPreviews();

} // namespace dlg
