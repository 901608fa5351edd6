// The installed help pages: every topic the program asks for has a page, and every link between the
// pages leads to a page that exists, so the help window never shows a dead end.
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace
{

QString HelpFolder()
{
    return GetInstallPath() + QStringLiteral("/Help/help_files/");
}

TEST(HelpPages, EveryTopicTheProgramAsksForHasAPage)
{
    const char* topics[] = {
        "index",
        "AutoGraphProperty",
        "TheGraphEditor",
        "BrainwaveEntrainment",
        "BilateralSound",
        "Effects",
        "Voice",
        "AmbientMusic",
        "Nature",
        "Bells",
        "Tone",
        "Noise",
        "Breathwork",
        "ExternalAudio",
        "SelectingMultipleFiles",
        "EditingSessionNotes",
        "EditSegmentDimensions",
        "EditingSessionStages",
        "DisplayingAllScriptTexts",
        "Options",
        "TheSoundRecorder",
        "CreatingYourOwnAmbientMusic",
    };
    for (const char* topic : topics)
        EXPECT_TRUE(QFileInfo::exists(HelpFolder() + topic + ".html")) << topic;
}

TEST(HelpPages, EveryLinkResolvesAndEveryPageCanBeReachedFromTheIndex)
{
    const QDir folder(HelpFolder());
    const QStringList pages = folder.entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_FALSE(pages.isEmpty()) << HelpFolder().toStdString();

    const QRegularExpression link(QStringLiteral(R"((?:href|src)\s*=\s*"([^"#]*)(#[^"]*)?")"));
    QStringList reached{QStringLiteral("index.html")};
    for (int i = 0; i < reached.size(); ++i)
    {
        QFile file(folder.filePath(reached[i]));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << reached[i].toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        for (auto it = link.globalMatch(text); it.hasNext();)
        {
            const QString target = it.next().captured(1);
            if (target.isEmpty() || target.contains(QLatin1Char(':')))
                continue; // a jump inside the page, or an address outside the help
            EXPECT_TRUE(folder.exists(target))
                << reached[i].toStdString() << " links to " << target.toStdString();
            if (target.endsWith(QLatin1String(".html")) && folder.exists(target) && !reached.contains(target))
                reached.append(target);
        }
    }
    for (const QString& page : pages)
        EXPECT_TRUE(reached.contains(page)) << page.toStdString() << " cannot be reached from the index";
}

// What the pages say of the program matches what it does: each row a statement a page once made
// that the program contradicts, and what the page says instead (read as the help window shows the
// text: tags dropped, runs of white space as one blank).
TEST(HelpPages, PagesDescribeTheProgramAsItIs)
{
    struct Case
    {
        const char* page;
        const char* wrong;
        const char* right;
    };
    const Case cases[] = {
        {"index.html", "Click on an empty place of a track row to create a segment",
         "Press on an empty place of a track row and drag along it to create a segment"},
        {"Options.html", "the meter beside the slider", "the meter below the slider"},
        {"CreatingYourOwnAmbientMusic.html", "writes it into your sound library's ambient-music folder",
         "The dialog opens in the folder the ambient-music panel last added files from"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.page);
        QFile file(HelpFolder() + QString::fromLatin1(c.page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        text = text.simplified();
        EXPECT_FALSE(text.contains(QString::fromLatin1(c.wrong)));
        EXPECT_TRUE(text.contains(QString::fromLatin1(c.right)));
    }
}

} // namespace
