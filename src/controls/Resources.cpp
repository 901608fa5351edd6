#include "controls/Resources.h"

#include "res/SkinArt.h"

#include <map>
#include <set>

namespace ui
{

namespace
{
struct Store
{
    std::map<int, QPixmap> bitmaps;
    std::map<int, QPixmap> icons;
    std::map<int, QCursor> cursors;
    std::set<std::pair<int, int>> failing;
};
Store& TheStore()
{
    static Store store;
    return store;
}
bool Failing(ResourceKind kind, int id)
{
    return TheStore().failing.count({int(kind), id}) != 0;
}
} // namespace

QPixmap LoadBitmap(int id)
{
    if (Failing(ResourceKind::Bitmap, id))
        return {};
    auto& cache = TheStore().bitmaps;
    auto it = cache.find(id);
    if (it == cache.end())
    {
        const QImage image = art::PaintBitmap(id);
        if (image.isNull())
            return {};
        it = cache.emplace(id, QPixmap::fromImage(image)).first;
    }
    return it->second;
}

QPixmap LoadIcon(int id)
{
    if (Failing(ResourceKind::Icon, id))
        return {};
    auto& cache = TheStore().icons;
    auto it = cache.find(id);
    if (it == cache.end())
    {
        const QImage image = art::PaintIcon(id);
        if (image.isNull())
            return {};
        it = cache.emplace(id, QPixmap::fromImage(image)).first;
    }
    return it->second;
}

std::optional<QCursor> LoadCursor(int id)
{
    if (Failing(ResourceKind::Cursor, id))
        return std::nullopt;
    auto& cache = TheStore().cursors;
    auto it = cache.find(id);
    if (it == cache.end())
    {
        QPoint hotSpot;
        const QImage image = art::PaintCursor(id, hotSpot);
        if (image.isNull())
            return std::nullopt;
        it = cache.emplace(id, QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y())).first;
    }
    return it->second;
}

std::vector<int> ResourceIds(ResourceKind kind)
{
    std::vector<int> ids;
    const std::vector<int> all = kind == ResourceKind::Bitmap ? art::BitmapIds()
                                 : kind == ResourceKind::Icon ? art::IconIds()
                                                              : art::CursorIds();
    for (int id : all)
        if (!Failing(kind, id))
            ids.push_back(id);
    return ids;
}

void SetResourceFailure(ResourceKind kind, int id, bool fail)
{
    if (fail)
        TheStore().failing.insert({int(kind), id});
    else
        TheStore().failing.erase({int(kind), id});
}

void ClearResourceFailures()
{
    TheStore().failing.clear();
}

ScopedResourceFailure::ScopedResourceFailure(ResourceKind kind, int id) : m_kind(kind), m_id(id)
{
    SetResourceFailure(kind, id, true);
}

ScopedResourceFailure::~ScopedResourceFailure()
{
    SetResourceFailure(m_kind, m_id, false);
}

} // namespace ui
