#pragma once
/** @brief The program's pictures by resource id: skin bitmaps, 32 x 32 icons and cursors.
 *
 * All of them are our own art, drawn by code the first time an id is asked for and kept for the
 * program's life. An id that does not exist loads as nothing (a null pixmap, no cursor), which is
 * how the creation-failure paths of the panes are reached; a test can make an existing id fail.
 * UI thread only. */

#include <QCursor>
#include <QPixmap>

#include <optional>
#include <vector>

namespace ui
{

enum class ResourceKind
{
    Bitmap,
    Icon,
    Cursor,
};

/** The bitmap @p id; null when there is none. */
QPixmap LoadBitmap(int id);
/** The icon @p id (32 x 32); null when there is none. */
QPixmap LoadIcon(int id);
/** The cursor @p id; nullopt when there is none. */
std::optional<QCursor> LoadCursor(int id);

/** Every id of @p kind that loads. */
std::vector<int> ResourceIds(ResourceKind kind);

/** Makes @p id of @p kind fail to load (true) or load again (false); for tests. */
void SetResourceFailure(ResourceKind kind, int id, bool fail);
/** Makes every resource load again. */
void ClearResourceFailures();

/** Loading fails for @p id of @p kind for the scope's life (tests of creation failures). */
class ScopedResourceFailure
{
public:
    ScopedResourceFailure(ResourceKind kind, int id);
    ~ScopedResourceFailure();
    ScopedResourceFailure(const ScopedResourceFailure&) = delete;
    ScopedResourceFailure& operator=(const ScopedResourceFailure&) = delete;

private:
    ResourceKind m_kind;
    int m_id;
};

} // namespace ui
