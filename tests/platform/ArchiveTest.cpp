#include "platform/Archive.h"

#include <gtest/gtest.h>

#include <limits>

using plat::Archive;
using plat::ArchiveError;

namespace
{

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list)
{
    std::vector<std::uint8_t> v;
    for (int b : list)
        v.push_back(static_cast<std::uint8_t>(b));
    return v;
}

QString StringOfLength(qsizetype n)
{
    QString s(n, QChar('x'));
    for (qsizetype i = 0; i < n; ++i)
        s[i] = QChar(char16_t(0x41 + i % 26 + (i % 7 == 0 ? 0x3A0 : 0)));
    return s;
}

ArchiveError::Cause CauseOf(Archive ar, void (*read)(Archive&))
{
    try
    {
        read(ar);
    }
    catch (const ArchiveError& e)
    {
        return e.GetCause();
    }
    ADD_FAILURE() << "no archive error";
    return ArchiveError::Cause::WrongMode;
}

// The cause, the same whether the archive reads a copy of the bytes or the bytes in place.
ArchiveError::Cause CauseOfLoading(const std::vector<std::uint8_t>& bytes, void (*read)(Archive&))
{
    const ArchiveError::Cause copied = CauseOf(Archive::ForLoading(bytes), read);
    EXPECT_EQ(CauseOf(Archive::ForLoadingInPlace(bytes), read), copied) << "read in place";
    return copied;
}

} // namespace

TEST(Archive, NumbersAreLittleEndianAndRoundTrip)
{
    Archive out = Archive::ForStoring();
    out.WriteInt32(-2);
    out.WriteUInt16(0x1234);
    out.WriteDouble(1.5);
    out.WriteFlag(true);
    out.WriteFlag(false);
    const auto& b = out.GetBytes();
    ASSERT_EQ(b.size(), 4u + 2u + 8u + 2u);
    EXPECT_EQ(b[0], 0xFE);
    EXPECT_EQ(b[3], 0xFF);
    EXPECT_EQ(b[4], 0x34);
    EXPECT_EQ(b[5], 0x12);
    EXPECT_EQ(b[13], 0x3F); // 1.5 = 0x3FF8000000000000
    EXPECT_EQ(b[14], 1);
    EXPECT_EQ(b[15], 0);

    // A copy (also once the archive has moved, which keeps its copy) and the bytes in place.
    Archive copied = Archive::ForLoading(b);
    EXPECT_EQ(copied.ReadInt32(), -2);
    Archive moved = std::move(copied);
    Archive inPlace = Archive::ForLoadingInPlace(b);
    EXPECT_EQ(inPlace.ReadInt32(), -2);
    for (Archive* in : {&moved, &inPlace})
    {
        EXPECT_EQ(in->GetPosition(), 4u);
        EXPECT_EQ(in->ReadUInt16(), 0x1234);
        EXPECT_EQ(in->ReadDouble(), 1.5);
        EXPECT_TRUE(in->ReadFlag());
        EXPECT_FALSE(in->ReadFlag());
        EXPECT_EQ(in->GetRemaining(), 0u);
    }
}

// A flag byte written by another program may hold any non-zero value.
TEST(Archive, AnyNonZeroFlagByteReadsAsTrue)
{
    Archive in = Archive::ForLoading(Bytes({0x02, 0xFF, 0x00}));
    EXPECT_TRUE(in.ReadFlag());
    EXPECT_TRUE(in.ReadFlag());
    EXPECT_FALSE(in.ReadFlag());
}

TEST(Archive, StringRecordUsesEachLengthForm)
{
    struct Case
    {
        qsizetype length;
        std::vector<std::uint8_t> header; // after the 0xFF 0xFFFE marker
    };
    const Case cases[] = {
        {0, Bytes({0x00})},
        {254, Bytes({0xFE})},
        {255, Bytes({0xFF, 0xFF, 0x00})},
        {65533, Bytes({0xFF, 0xFD, 0xFF})},
        {65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.length);
        const QString s = StringOfLength(c.length);
        Archive out = Archive::ForStoring();
        out.WriteString(s);
        const auto& b = out.GetBytes();
        std::vector<std::uint8_t> expectedStart = Bytes({0xFF, 0xFE, 0xFF});
        expectedStart.insert(expectedStart.end(), c.header.begin(), c.header.end());
        ASSERT_EQ(b.size(), expectedStart.size() + 2 * static_cast<std::size_t>(c.length));
        EXPECT_TRUE(std::equal(expectedStart.begin(), expectedStart.end(), b.begin()));

        Archive in = Archive::ForLoading(b);
        EXPECT_EQ(in.ReadString(), s);
        EXPECT_EQ(in.GetRemaining(), 0u);

        // Byte-exact: writing what was read gives the same bytes.
        Archive again = Archive::ForStoring();
        again.WriteString(Archive::ForLoading(b).ReadString());
        EXPECT_EQ(again.GetBytes(), b);
    }
}

TEST(Archive, LoneSurrogateSurvivesTheRoundTrip)
{
    QString s;
    s.append(QChar(char16_t(0xD800)));
    s.append(QChar('a'));
    Archive out = Archive::ForStoring();
    out.WriteString(s);
    Archive in = Archive::ForLoading(out.GetBytes());
    const QString back = in.ReadString();
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].unicode(), 0xD800);
    EXPECT_EQ(back[1].unicode(), u'a');
}

TEST(Archive, EightBitRecordOfAnOldFileIsWindows1252)
{
    // "€ café" in Windows-1252, as an old file stored it: length byte, then the bytes.
    Archive in = Archive::ForLoading(Bytes({6, 0x80, 0x20, 0x63, 0x61, 0x66, 0xE9}));
    EXPECT_EQ(in.ReadString(), QString::fromUtf8("€ café"));

    // The long 8-bit form: 0xFF then a uint16 length that is not the UTF-16 marker.
    std::vector<std::uint8_t> longForm = Bytes({0xFF, 0x2C, 0x01});
    longForm.insert(longForm.end(), 300, 0x9C); // œ
    Archive in2 = Archive::ForLoading(longForm);
    EXPECT_EQ(in2.ReadString(), QString(300, QChar(char16_t(0x0153))));
}

// Every truncation of a valid record must raise end-of-file, never read garbage.
TEST(Archive, EveryTruncationRaisesEndOfFile)
{
    Archive out = Archive::ForStoring();
    out.WriteInt32(7);
    out.WriteString(QStringLiteral("hello"));
    out.WriteDouble(2.0);
    out.WriteFlag(true);
    const auto& full = out.GetBytes();
    for (std::size_t cut = 0; cut < full.size(); ++cut)
    {
        SCOPED_TRACE(cut);
        std::vector<std::uint8_t> part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        const auto cause = CauseOfLoading(part,
                                          [](Archive& ar)
                                          {
                                              ar.ReadInt32();
                                              ar.ReadString();
                                              ar.ReadDouble();
                                              ar.ReadFlag();
                                          });
        EXPECT_EQ(cause, ArchiveError::Cause::EndOfFile);
    }
}

// A declared length of 2^31 code units must be refused before a 4 GB buffer is allocated
// (ASan would report the allocation failing).
TEST(Archive, HugeDeclaredLengthsAreRefusedWithoutAllocating)
{
    EXPECT_EQ(CauseOfLoading(Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 'a', 0}),
                             [](Archive& ar) { ar.ReadString(); }),
              ArchiveError::Cause::EndOfFile);
    EXPECT_EQ(CauseOfLoading(Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
                             [](Archive& ar) { ar.ReadString(); }),
              ArchiveError::Cause::EndOfFile);
    // A count of 2^31 - 1 and a negative count.
    EXPECT_EQ(CauseOfLoading(Bytes({0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3}), [](Archive& ar) { ar.ReadCount(16); }),
              ArchiveError::Cause::EndOfFile);
    EXPECT_EQ(CauseOfLoading(Bytes({0x00, 0x00, 0x00, 0x80}), [](Archive& ar) { ar.ReadCount(1); }),
              ArchiveError::Cause::BadFormat);
}

TEST(Archive, CountThatFitsIsAccepted)
{
    Archive in = Archive::ForLoading(Bytes({2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(in.ReadCount(4), 2);
}

TEST(Archive, ReadingAStoringArchiveIsAModeError)
{
    Archive out = Archive::ForStoring();
    out.WriteInt32(5); // what was written is not there to read
    EXPECT_EQ(out.GetPosition(), 4u);
    EXPECT_EQ(out.GetRemaining(), 0u);
    try
    {
        out.ReadInt32();
        FAIL();
    }
    catch (const ArchiveError& e)
    {
        EXPECT_EQ(e.GetCause(), ArchiveError::Cause::WrongMode);
    }
    Archive in = Archive::ForLoading({});
    EXPECT_THROW(in.WriteInt32(1), ArchiveError);
}

TEST(Archive, CarriesTheFileVersion)
{
    Archive in = Archive::ForLoading({}, 350);
    EXPECT_EQ(in.GetFileVersion(), 350);
    in.SetFileVersion(410);
    EXPECT_EQ(in.GetFileVersion(), 410);
}
