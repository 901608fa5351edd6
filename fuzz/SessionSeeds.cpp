// Writes the starting corpus of the session-reader fuzzer into the folder given as argument.
#include "OldSessionRecords.h"
#include "RichSession.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <vector>

namespace
{

bool Write(const QString& folder, const char* name, const std::vector<std::uint8_t>& bytes)
{
    QFile file(folder + QLatin1Char('/') + QString::fromLatin1(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    CVornaDoc doc;
    const std::vector<std::uint8_t> fresh = vtest::SessionBytes(doc);
    vtest::FillRichSession(doc);
    const std::vector<std::uint8_t> rich = vtest::SessionBytes(doc);
    const std::vector<vtest::OldTrack> oldTracks = {{0, {0.1, 0.5}}, {1, {0.2}}, {2, {0.3}},
                                                    {3, {0.4}},      {4, {0.1}}, {5, {0.2}},
                                                    {6, {0.3}},      {7, {0.4}}, {8, {0.5}}};
    // Old numbers at and beyond the edges of their settings, which the reader converts and holds
    // to the ranges.
    const std::vector<vtest::OldTrack> edgeTracks = {
        {4, {0.1}, {.volume = 2.5, .balance = -1, .beatHz = 1e9, .swingDelay = 1e300, .swingRate = 0}, 5},
        {0, {0.2}, {.beatDepth = 1e306, .swingDepth = -3}, 1e300},
        {6, {0.3}, {}, 1000}};
    const bool ok =
        Write(folder, "new.vrx", fresh) && Write(folder, "rich.vrx", rich) &&
        Write(folder, "old399.vrx", vtest::OldSessionFile(399, oldTracks, "Notizen")) &&
        Write(folder, "old335.vrx", vtest::OldSessionFile(335, {{2, {0.1}}, {1, {0.3}}, {2, {0.5}}})) &&
        Write(folder, "old399-edges.vrx", vtest::OldSessionFile(399, edgeTracks));
    if (!ok)
    {
        std::fprintf(stderr, "cannot write the corpus into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
