#pragma once
/** @brief What the program puts in the user's folders when they lack it. */

#include <QString>

namespace shell
{

/** Copies the spoken breathwork prompts installed under @p installFolder + "/Sound Library/" into
 *  the user's sound library @p libraryFolder, when the library has no breathwork folder yet (the
 *  first run). Files already there are never overwritten. Returns the number of files copied. */
int CopyInstalledPrompts(const QString& installFolder, const QString& libraryFolder);

} // namespace shell
