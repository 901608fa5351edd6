// The about box and the new-version dialog, through their real buttons; the pages opened go
// through the desktop's URL handlers, which a spy takes here.
#include "dialogs/session/CDlgAbout.h"
#include "dialogs/session/CDlgCheckUpdates.h"

#include "controls/Controls.h"
#include "controls/Resources.h"
#include "controls/Style.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace
{

/** Records the addresses the desktop is asked to open. */
class UrlSpy : public QObject
{
    Q_OBJECT
public:
    UrlSpy() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~UrlSpy() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    std::vector<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

/** The scripted desktop, but with the program's own way of opening pages. */
class DesktopUi : public vtest::FakeUi
{
public:
    bool OpenUrl(const QUrl& url) override { return ui::Behaviour::OpenUrl(url); }
};

void Click(ui::Dialog& d, int id)
{
    QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&d, id)), Qt::LeftButton);
}

// Release notes opens its page and keeps the dialog; update opens the update page and ends with 1;
// later opens nothing and ends with 2.
TEST(CDlgCheckUpdates, ButtonsOpenTheirPagesAndEndWithTheirResults)
{
    struct Case
    {
        const char* name;
        std::vector<int> clicks;
        int result;
        std::vector<QUrl> opened;
    };
    const QUrl notes(QStringLiteral("https://www.example.com/whats-new/"));
    const QUrl update(QStringLiteral("https://www.example.com/download/"));
    const Case cases[] = {
        {"update", {CDlgCheckUpdates::kIdUpdate}, 1, {update}},
        {"later", {CDlgCheckUpdates::kIdLater}, 2, {}},
        {"notes then later", {CDlgCheckUpdates::kIdReleaseNotes, CDlgCheckUpdates::kIdLater}, 2, {notes}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DesktopUi fake;
        UrlSpy spy;
        QWidget frame;
        CDlgCheckUpdates d(&frame);
        d.m_releaseNotesUrl = notes;
        d.m_updateUrl = update;
        fake.modalRuns.push_back(
            [&](ui::Dialog& dialog)
            {
                dialog.show();
                EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Check for Updates"));
                EXPECT_EQ(static_cast<QLabel*>(ui::FindControl(&dialog, CDlgCheckUpdates::kIdText))->text(),
                          QStringLiteral("New software version is available!"));
                for (std::size_t i = 0; i < c.clicks.size(); ++i)
                {
                    Click(dialog, c.clicks[i]);
                    EXPECT_EQ(dialog.isVisible(), i + 1 < c.clicks.size()) << i;
                }
                return dialog.result();
            });
        EXPECT_EQ(d.DoModal(), c.result);
        EXPECT_EQ(spy.urls, c.opened);
    }
}

TEST(CDlgCheckUpdates, ButtonTexts)
{
    CDlgCheckUpdates d;
    auto text = [&](int id) { return static_cast<QPushButton*>(ui::FindControl(&d, id))->text(); };
    EXPECT_EQ(text(CDlgCheckUpdates::kIdReleaseNotes), "Read what's new in the latest software release");
    EXPECT_EQ(text(CDlgCheckUpdates::kIdUpdate), "Visit our website to update your VORNA software");
    EXPECT_EQ(text(CDlgCheckUpdates::kIdLater), "I will update the software later");
    for (int id :
         {CDlgCheckUpdates::kIdReleaseNotes, CDlgCheckUpdates::kIdUpdate, CDlgCheckUpdates::kIdLater})
        EXPECT_FALSE(static_cast<QPushButton*>(ui::FindControl(&d, id))->isDefault()) << id;
}

TEST(CDlgAbout, VersionLineNamesTheProductAndVersion)
{
    vtest::FakeUi fake;
    CDlgAbout d;
    ASSERT_TRUE(d.IsCreated());
    d.DoModal();
    const QString line = static_cast<QLabel*>(ui::FindControl(&d, CDlgAbout::kIdVersion))->text();
    EXPECT_TRUE(line.contains(QStringLiteral("VORNA")));
    EXPECT_TRUE(line.contains(QStringLiteral("4.1.0")));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("About VORNA"));
}

// The picture sits at its own size in the top left over the grey, and the controls lie below it.
TEST(CDlgAbout, PictureAcrossTheTopAndTheControlsBelow)
{
    CDlgAbout d;
    const QPixmap picture = ui::LoadBitmap(CDlgAbout::kPictureBitmap);
    d.show();
    const QImage shot = d.grab().toImage();
    const QImage art = picture.toImage();
    EXPECT_EQ(shot.pixel(10, 10), art.pixel(10, 10));
    EXPECT_EQ(shot.pixel(picture.width() - 3, picture.height() - 3),
              art.pixel(picture.width() - 3, picture.height() - 3));
    for (QWidget* child : d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    {
        EXPECT_GE(child->y(), picture.height()) << child->metaObject()->className();
        EXPECT_TRUE(d.rect().contains(child->geometry())) << child->metaObject()->className();
    }
}

TEST(CDlgAbout, WithoutItsPictureTheBoxIsNotShown)
{
    ui::ScopedResourceFailure fail(ui::ResourceKind::Bitmap, CDlgAbout::kPictureBitmap);
    CDlgAbout d;
    EXPECT_FALSE(d.IsCreated());
}

TEST(AboutAndUpdate, Screenshots)
{
    ui::ApplyWorkspaceStyle(*qApp);
    vtest::FakeUi fake;
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    auto shoot = [&](ui::Dialog& d, const char* file)
    {
        fake.modalRuns.push_back(
            [&, file](ui::Dialog& dialog)
            {
                dialog.show();
                EXPECT_TRUE(dialog.grab().save(dir + "/" + file));
                return 0;
            });
        d.DoModal();
    };
    CDlgAbout about;
    shoot(about, "about.png");
    CDlgCheckUpdates update;
    shoot(update, "check-updates.png");
}

} // namespace

#include "CDlgAboutTest.moc"
