// Feeds arbitrary bytes to the session reader. Beyond what the sanitizers catch, it aborts when
// a failed read changed the document, or when a session it loaded saves into a file that does
// not load again to the same bytes.
#include "model/CVornaDoc.h"
#include "platform/Archive.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

namespace
{

std::vector<std::uint8_t> Save(CVornaDoc& doc)
{
    plat::Archive ar = plat::Archive::ForStoring(CVornaDoc::kFileVersion);
    doc.Serialize(ar);
    return ar.GetBytes();
}

void Fail(const char* what)
{
    std::fprintf(stderr, "session reader: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // No host: no message boxes, and the conversion notice leaves the settings alone.
    static CVornaDoc doc;
    static const std::vector<std::uint8_t> newSession = Save(doc);

    doc.OnNewDocument();
    if (!doc.LoadFromBytes(std::span(data, size)))
    {
        if (Save(doc) != newSession)
            Fail("a failed read changed the document");
        return 0;
    }
    const std::vector<std::uint8_t> saved = Save(doc);
    doc.OnNewDocument();
    if (!doc.LoadFromBytes(saved))
        Fail("a loaded session saved into a file that does not load");
    if (Save(doc) != saved)
        Fail("a saved session does not read back to the same bytes");
    return 0;
}
