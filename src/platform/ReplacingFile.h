#pragma once
/** @brief A file that takes the place of another only once it is complete.
 *
 * Create makes a temporary file beside the target (in the same folder, so that the final rename
 * never crosses file systems and replaces an older file in one step) for a writer that opens files
 * by path, such as the sound writer or an encoder program. Commit renames it over the target;
 * without a Commit (a cancelled or failed write) the temporary file is removed and an older file
 * at the target keeps its bytes. One thread at a time. */

#include <QString>

namespace plat
{

class ReplacingFile
{
public:
    explicit ReplacingFile(QString target);
    /** Removes the temporary file unless it was committed. */
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    /** Makes the (empty) temporary file under a name nobody else uses; false when the target's
     *  folder is missing or refuses new files. */
    bool Create();
    /** Renames the temporary file over the target. False when that fails; the temporary file is
     *  removed either way. */
    bool Commit();
    /** Removes the temporary file. */
    void Discard();

    const QString& TargetPath() const noexcept { return m_target; }
    /** Empty before Create and after Commit or Discard. */
    const QString& TemporaryPath() const noexcept { return m_temporary; }
    /** The folder the target lies in, in the system's notation (for messages). */
    QString FolderForDisplay() const;

private:
    QString m_target;
    QString m_temporary;
};

} // namespace plat
