#include "grains/CNoteSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{

struct PlanCase
{
    const char* name;
    std::uint32_t outputCount;
    std::uint32_t rate;
    double scanFactor;
    int noteCount;
};

} // namespace

// The count is whole output seconds over the scan factor, never below two; a real division by the
// scan factor and an integer one for the seconds.
TEST(CNoteSequence, CountsNotesFromWholeOutputSeconds)
{
    const PlanCase cases[] = {
        {"one frame of output still has two notes", 1, 1000, 1.0, 2},
        {"under a second", 999, 1000, 1.0, 2},
        {"scan 1: one note per second", 10000, 1000, 1.0, 10},
        {"part seconds are dropped", 10999, 1000, 1.0, 10},
        {"scan 0: one note per five seconds", 23000, 1000, 5.0, 4},
        {"three seconds over five is below two", 3000, 1000, 5.0, 2},
        {"default loop at 44.1 kHz", 44100 * 43, 44100, 3.0, 14},
    };
    for (const PlanCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        plat::Random15 random(5);
        CNoteSequence notes;
        notes.Build(c.scanFactor, 100, 5000, c.outputCount, 1.0, c.rate, random);
        ASSERT_EQ(notes.GetNoteCount(), c.noteCount);
        const int length = static_cast<int>(c.outputCount / static_cast<std::uint32_t>(c.noteCount));
        EXPECT_EQ(notes.GetNoteLength(), length);
        for (int i = 0; i < c.noteCount; ++i)
        {
            const CNote& n = notes.GetNote(i);
            EXPECT_EQ(n.firstPart, static_cast<int>(length * 0.25));
            EXPECT_EQ(n.firstPart + n.secondPart, length);
            EXPECT_GE(n.sourceStart, 100);
            EXPECT_LE(n.sourceStart, 5100);
        }
        EXPECT_EQ(notes.GetNote(0).sourceStart, notes.GetNote(c.noteCount - 1).sourceStart);
    }
}

// Walks a plan of 400 notes of 100 frames frame by frame: the first quarter of each note gives its
// start; in the crossfade only the current or the next note's start comes back, the next one with a
// probability that follows the raised cosine (1 - cos(d pi)) / 2 along the crossfade.
TEST(CNoteSequence, FirstQuarterIsSteadyAndTheCrossfadeLeansTowardsTheNextNote)
{
    constexpr std::uint32_t kRate = 100;
    constexpr int kNotes = 400;
    plat::Random15 random(2024);
    CNoteSequence notes;
    notes.Build(1.0, 0, 100000, kRate * kNotes, 1.0, kRate, random);
    ASSERT_EQ(notes.GetNoteCount(), kNotes);
    const int length = 100;
    const int first = notes.GetNote(0).firstPart;
    ASSERT_EQ(first, 25);

    constexpr int kBins = 5;
    int next[kBins] = {};
    int total[kBins] = {};
    for (std::uint32_t a = 0; a < kRate * kNotes; ++a)
    {
        // A note becomes current one frame after the previous note's span has ended.
        const int i = a == 0 ? 0 : static_cast<int>((a - 1) / length);
        const int into = static_cast<int>(a) - i * length;
        const int position = notes.GetSourcePosition(a, random);
        const CNote& current = notes.GetNote(i);
        const CNote& following = notes.GetNote(std::min(i + 1, kNotes - 1));
        if (into < first)
        {
            ASSERT_EQ(position, current.sourceStart) << "frame " << a;
            continue;
        }
        ASSERT_TRUE(position == current.sourceStart || position == following.sourceStart) << "frame " << a;
        if (current.sourceStart == following.sourceStart)
            continue;
        const double d = std::min(1.0, (into - first) / double(current.secondPart - 1));
        const int bin = std::min(kBins - 1, static_cast<int>(d * kBins));
        ++total[bin];
        next[bin] += position == following.sourceStart ? 1 : 0;
    }
    for (int b = 0; b < kBins; ++b)
    {
        SCOPED_TRACE(b);
        ASSERT_GT(total[b], 1000);
        // The mean of (1 - cos(d pi)) / 2 over the bin.
        const double lo = double(b) / kBins;
        const double hi = double(b + 1) / kBins;
        const double expected = 0.5 - (std::sin(hi * std::numbers::pi) - std::sin(lo * std::numbers::pi)) /
                                          (2 * std::numbers::pi * (hi - lo));
        EXPECT_NEAR(double(next[b]) / total[b], expected, 0.04);
    }
}

// Notes of one frame (or none) have no room for a crossfade: the position must still be a note's
// start, without a division by zero on the way.
TEST(CNoteSequence, TinyOutputsGiveNoteStarts)
{
    for (std::uint32_t count : {1u, 2u, 3u, 5u})
    {
        SCOPED_TRACE(count);
        plat::Random15 random(11);
        CNoteSequence notes;
        notes.Build(1.0, 10, 50, count, 1.0, 1000, random);
        for (std::uint32_t a = 0; a < count + 2; ++a)
        {
            const int position = notes.GetSourcePosition(a, random);
            EXPECT_TRUE(position == notes.GetNote(0).sourceStart || position == notes.GetNote(1).sourceStart);
        }
    }
}
