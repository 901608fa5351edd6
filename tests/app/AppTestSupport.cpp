#include "AppTestSupport.h"

namespace apptest
{

namespace
{
/** Hands the view a recorder it owns while the fixture keeps a pointer to it. */
class OwnedRecorder : public shell::LiveRecorder
{
public:
    explicit OwnedRecorder(std::unique_ptr<FakeRecorder> r) : m_r(std::move(r)) {}
    void Setup(COptions* o, const QString& s, bool l, double secs, QWidget* w, CSegment* src) override
    {
        m_r->Setup(o, s, l, secs, w, src);
    }
    bool Prepare() override { return m_r->Prepare(); }
    void Stop(const QString& reason) override { m_r->Stop(reason); }
    void Close() override { m_r->Close(); }
    void ReleaseSource() override { m_r->ReleaseSource(); }

private:
    std::unique_ptr<FakeRecorder> m_r;
};
} // namespace

ViewFixture::ViewFixture(int width, int height)
{
    doc.SetOptions(&options);
    shell::ViewServices services;
    services.engine = &engine;
    services.audio = &audio;
    services.updateCheck = &updates;
    services.makeHelpWindow = [this](QWidget*)
    {
        auto h = std::make_unique<FakeHelp>();
        help = h.get();
        return h;
    };
    services.makeRecorder = [this](QWidget*) -> std::unique_ptr<shell::LiveRecorder>
    {
        auto r = std::make_unique<FakeRecorder>(&log);
        recorder = r.get();
        return std::make_unique<OwnedRecorder>(std::move(r));
    };
    services.runCountdown = [this](QWidget*)
    {
        ++countdowns;
        return countdownAnswer;
    };
    view = std::make_unique<CVornaView>(&doc, services);
    view->Create(nullptr, 0, QRect(0, 0, width, height), false);
    view->resize(width, height);
    view->LayoutPanes();
}

ViewFixture::~ViewFixture()
{
    view.reset();
}

} // namespace apptest
