#pragma once
/** @brief The program's settings store (string values under "Kestrune" / "VORNA 4").
 *
 * The user's values live in the user scope; InstallPath is read from the system scope
 * and falls back to the data folder installed with the program. Every value is a
 * string; numbers are stored as decimal text by their callers. UI thread only. */

#include <QString>

namespace plat
{

/** Which half of the store a value lives in. */
enum class RegRoot
{
    CurrentUser,  ///< the user's folders, options, notices and dates
    LocalMachine, ///< InstallPath only
};

inline constexpr const char* kRegOrganization = "Kestrune";
inline constexpr const char* kRegApplication = "VORNA 4";

} // namespace plat

/** Writes one string value; failures are ignored. A null @p text writes nothing. */
void SetRegString(plat::RegRoot root, const QString& name, const QString& text);
/** Reads one string value into @p out (which then ends at its first zero character).
 *  False, with @p out unchanged, when the value is missing or not a string. */
bool GetRegString(plat::RegRoot root, const QString& name, QString& out);
/** The program folder under which "Internals/" and "Help/help_files/" lie: the system-scope
 *  InstallPath, else the data folder installed with the program. Never ends with "/". */
QString GetInstallPath();
