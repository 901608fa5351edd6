#include "audio/StkSetup.h"

#include "platform/Registry.h"

#include <QFile>

#include <stk/Stk.h>

namespace audio
{

QString StkRawwaveFolder(const QString& installFolder)
{
    return installFolder + QStringLiteral("/Internals/");
}

void PrepareStk(unsigned rate)
{
    // Warnings would go to stderr on the rendering thread; errors also come as StkError,
    // which the callers turn into their own message.
    stk::Stk::showWarnings(false);
    stk::Stk::printErrors(false);
    if (rate > 0)
        stk::Stk::setSampleRate(static_cast<stk::StkFloat>(rate));
    stk::Stk::setRawwavePath(QFile::encodeName(StkRawwaveFolder(GetInstallPath())).toStdString());
}

} // namespace audio
