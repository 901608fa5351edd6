#include "dialogs/panels/PreviewStreams.h"

#include <map>
#include <vector>

namespace dlg
{
namespace
{

std::map<const PreviewRegistration*, std::function<void()>>& Registry()
{
    static std::map<const PreviewRegistration*, std::function<void()>> registry;
    return registry;
}

} // namespace

PreviewRegistration::PreviewRegistration(std::function<void()> close)
{
    if (close)
        Registry()[this] = std::move(close);
}

PreviewRegistration::~PreviewRegistration()
{
    Registry().erase(this);
}

void CloseAllPreviews()
{
    // A close may destroy its own or another registration: walk a snapshot of the owners and
    // call only those still registered.
    std::vector<const PreviewRegistration*> owners;
    for (const auto& [owner, close] : Registry())
        owners.push_back(owner);
    for (const PreviewRegistration* owner : owners)
    {
        auto it = Registry().find(owner);
        if (it == Registry().end())
            continue;
        std::function<void()> close = it->second;
        close();
    }
}

int RegisteredPreviews()
{
    return static_cast<int>(Registry().size());
}

} // namespace dlg
