#pragma once
/** @brief The application: the start-up sequence, the objects that live for the whole run (the
 *  options, the engine, the document, the main frame with its view) and their wiring.
 *
 * The one object, theApp, is static and touches no Qt object before InitInstance, which runs
 * after the QApplication exists. ExitInstance frees the windows while the QApplication still
 * exists. UI thread. */

#include "app/AppHost.h"
#include "app/ViewServices.h"

#include <QStringList>

#include <memory>

class CMainFrame;
class CMixer;
class COptions;
class CVornaDoc;
class CVornaView;

class CVornaApp
{
public:
    CVornaApp();
    ~CVornaApp();
    CVornaApp(const CVornaApp&) = delete;
    CVornaApp& operator=(const CVornaApp&) = delete;

    /** Replaces the view's engine, audio layer and dialogs (tests); before InitInstance. */
    void SetViewServices(shell::ViewServices services) { m_services = std::move(services); }

    /** The start-up: names, screen check, wiring, the document with the session of @p arguments
     *  (the first argument after the program that is not an option) or a new one, the frame and
     *  the view shown maximised. False ends the program (a screen too small, a session that does
     *  not open). */
    bool InitInstance(const QStringList& arguments);
    /** Frees the frame, the view, the document and the engine. */
    void ExitInstance();

    CMainFrame* GetMainFrame() const { return m_frame.get(); }
    CVornaView* GetView() const;
    CVornaDoc* GetDocument() const { return m_doc.get(); }
    COptions* GetOptions() const { return m_options.get(); }
    CMixer* GetMixer() const { return m_mixer.get(); }

private:
    void WireServices();

    shell::ViewServices m_services;
    shell::AppHost m_host;
    std::unique_ptr<COptions> m_options;
    std::unique_ptr<CMixer> m_mixer;
    std::unique_ptr<CVornaDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

extern CVornaApp theApp;
