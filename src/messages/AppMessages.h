#pragma once
/** @brief The numbers of the application messages that panes, dialogs, property rows and the engine
 *  send to the view and to each other.
 *
 * Each is an offset from WM_APP. The gaps (0x04, 0x12, 0x1C to 0x1E) carry no message and stay free
 * so that the numbers of the others never move. The buttons and menus send the ids that carry nothing
 * (SendMessage); a message that carries something or answers something is a typed call, named beside
 * it (ui::ViewMessages, dlg::TrimEvents, rt::MixerEvents, rt::MixerBlockSink). */

enum AppMessageId : unsigned
{
    WM_APP = 0x8000,

    WM_APP_SELECT_SEGMENT = WM_APP + 0x01,         ///<
    WM_APP_SHOW_PROPERTY_TAB = WM_APP + 0x02,      ///<
    WM_APP_RESET_SOUND_FOLDER = WM_APP + 0x03,     ///<
    WM_APP_SEGMENT_CHANGED = WM_APP + 0x05,        ///<
    WM_APP_PROPERTY_CHANGED = WM_APP + 0x06,       ///< sent to the active view
    WM_APP_ADD_RECORDING = WM_APP + 0x07,          ///< ui::ViewMessages::AddRecording
    WM_APP_HELP_TOPIC = WM_APP + 0x08,             ///< ui::ViewMessages::ShowHelpTopic
    WM_APP_PLAY = WM_APP + 0x09,                   ///<
    WM_APP_PAUSE = WM_APP + 0x0A,                  ///<
    WM_APP_STOP = WM_APP + 0x0B,                   ///<
    WM_APP_SESSION_LENGTH_CHANGED = WM_APP + 0x0C, ///<
    WM_APP_RESTART_PLAYBACK = WM_APP + 0x0D,       ///<
    WM_APP_NEW_SESSION = WM_APP + 0x0E,            ///<
    WM_APP_OPEN_SESSION = WM_APP + 0x0F,           ///<
    WM_APP_SAVE_SESSION = WM_APP + 0x10,           ///<
    WM_APP_SAVE_SESSION_AS = WM_APP + 0x11,        ///<
    WM_APP_DELETE_SEGMENT = WM_APP + 0x13,         ///<
    WM_APP_RECORD_VOICE = WM_APP + 0x14,           ///<
    WM_APP_LIVE_RECORDING = WM_APP + 0x15,         ///<
    WM_APP_EXPORT_SESSION = WM_APP + 0x16,         ///<
    WM_APP_AMBIENT_MUSIC_TOOL = WM_APP + 0x17,     ///<
    WM_APP_OPTIONS = WM_APP + 0x18,                ///<
    WM_APP_HELP_INDEX = WM_APP + 0x19,             ///<
    WM_APP_COPY_SEGMENT = WM_APP + 0x1A,           ///<
    WM_APP_PASTE_SEGMENT = WM_APP + 0x1B,          ///<
    WM_APP_ADD_TRACK = WM_APP + 0x1F,              ///<
    WM_APP_DUPLICATE_TRACK = WM_APP + 0x20,        ///<
    WM_APP_REMOVE_TRACK = WM_APP + 0x21,           ///<
    WM_APP_CLEAN_EMPTY_TRACKS = WM_APP + 0x22,     ///<
    WM_APP_MUTE_TRACK = WM_APP + 0x23,             ///<
    WM_APP_ACTIVATE_TRACK = WM_APP + 0x24,         ///<
    WM_APP_MUTE_ALL_TRACKS = WM_APP + 0x25,        ///<
    WM_APP_ACTIVATE_ALL_TRACKS = WM_APP + 0x26,    ///<
    WM_APP_EDIT_STAGES = WM_APP + 0x27,            ///<
    WM_APP_EDIT_NOTES = WM_APP + 0x28,             ///<
    WM_APP_SHOW_GLOBALS = WM_APP + 0x29,           ///<
    WM_APP_TRANSCRIPT = WM_APP + 0x2A,             ///<
    WM_APP_OPEN_WEB_SITE = WM_APP + 0x2B,          ///<
    WM_APP_OPEN_VIDEOS = WM_APP + 0x2C,            ///<
    WM_APP_OPEN_CONTACT = WM_APP + 0x2D,           ///<
    WM_APP_CHECK_UPDATES = WM_APP + 0x2E,          ///<
    WM_APP_ABOUT = WM_APP + 0x2F,                  ///<
    WM_APP_GO_TO_START = WM_APP + 0x30,            ///<
    WM_APP_PREVIOUS_STAGE = WM_APP + 0x31,         ///<
    WM_APP_HELP_BACK = WM_APP + 0x32,              ///< to the help window
    WM_APP_HELP_FORWARD = WM_APP + 0x33,           ///< to the help window
    WM_APP_HELP_HOME = WM_APP + 0x34,              ///< to the help window
    WM_APP_NEXT_STAGE = WM_APP + 0x35,             ///<
    /// The engine's blocks: rt::MixerBlockSink, a call on the stream's thread.
    WM_APP_MIXER_BLOCK = WM_APP + 0x36,
    WM_APP_GET_OUTPUT_LEVEL = WM_APP + 0x37, ///< ui::ViewMessages::OutputLevel
    WM_APP_TRIM_POSITION = WM_APP + 0x38,    ///< dlg::TrimEvents::TrimPosition
    WM_APP_TRIM_SELECTION = WM_APP + 0x39,   ///< dlg::TrimEvents::TrimSelection
    WM_APP_DISC_WRITTEN = WM_APP + 0x3A,     ///<
    WM_APP_GET_TRACKS_PANE = WM_APP + 0x3B,  ///< ui::ViewMessages::TracksPane
    /// The engine's errors: rt::MixerEvents, queued onto the view's thread by the view.
    WM_APP_MIXER_ERROR = WM_APP + 0x3C,
};
