#pragma once
/** @brief What the eight "Sound" panels show, as data: their sizes and control rectangles in
 *  dialog units, the texts of their buttons and combo boxes, and where each property row goes.
 *
 * The panels build their widgets from these tables, and the tests read the same tables, so a
 * rectangle or a text is written down once. The row descriptions themselves (label, unit,
 * fractions, mode button) belong to the row table of the panel framework; here a row is only its
 * placeholder rectangle and its row id. */

#include <array>
#include <cstdint>

namespace segpanel
{

/** A rectangle in dialog units: x, y, width, height. */
struct DluRect
{
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

/** A control of a panel: its id, rectangle and initial text (null for none). */
struct ControlSpec
{
    int id;
    DluRect rect;
    const char* text;
};

/** Where one property row goes: the hidden placeholder it is built over, and the row's id. */
struct RowSpec
{
    int placeholderId;
    DluRect rect;
    int rowId;
};

// ---- Control ids ------------------------------------------------------------------------------

inline constexpr int kIdAdd = 1001;
inline constexpr int kIdDuplicate = 1002;
inline constexpr int kIdUp = 1004;
inline constexpr int kIdDown = 1005;
inline constexpr int kIdRemove = 1054;
inline constexpr int kIdFileList = 1055;
inline constexpr int kIdHelpLink = 1056;
inline constexpr int kIdPlay = 1084;
inline constexpr int kIdFirstCombo = 1024;  ///< voice play mode; ambient and nature play order
inline constexpr int kIdSecondCombo = 1023; ///< ambient and nature play style
inline constexpr int kIdBellsList = 1072;
inline constexpr int kIdToneRange = 1152;
inline constexpr int kIdNoiseColour = 1023;
inline constexpr int kIdBreathPattern = 1031;
inline constexpr int kIdSelectFile = 1058;
inline constexpr int kIdFileName = 1098;
inline constexpr int kIdFileLength = 1059;
inline constexpr int kIdRepeat = 1060;

// ---- File-list panels (voice, ambient music, nature) -------------------------------------------

inline constexpr DluRect kFileListPanelSize{0, 0, 169, 145};

/** The list, the five buttons and the help link, the same on the three panels. */
inline constexpr std::array<ControlSpec, 7> kFileListControls{{
    {kIdFileList, {6, 0, 111, 82}, nullptr},
    {kIdAdd, {124, 0, 37, 14}, "Add"},
    {kIdRemove, {124, 17, 37, 14}, "Remove"},
    {kIdUp, {124, 34, 37, 14}, "Up"},
    {kIdDown, {124, 51, 37, 14}, "Down"},
    {kIdPlay, {124, 68, 37, 14}, "Play"},
    // The link's template gives only its corner; it spans the list's width.
    {kIdHelpLink, {6, 84, 111, 10}, "<a href=\"#\">How to select multiple files</a>"},
}};

/** The help topic the link asks for. */
inline constexpr const char* kHelpTopicMultipleFiles = "SelectingMultipleFiles";

inline constexpr DluRect kVoiceModeCombo{6, 102, 155, 16};
inline constexpr RowSpec kGapRow{1032, {6, 120, 155, 21}, 20059};

inline constexpr RowSpec kChangeRow{1074, {6, 100, 155, 21}, 20060};
inline constexpr DluRect kPlayOrderCombo{6, 124, 85, 16};
inline constexpr DluRect kAmbientStyleCombo{98, 124, 63, 16};
inline constexpr DluRect kNatureStyleCombo{96, 124, 63, 16};

inline constexpr std::array<const char*, 3> kVoicePlayModes{
    "Order list of scripts or suggestions", "Random list of suggestions", "Prerecorded for live recording"};
inline constexpr std::array<const char*, 2> kPlayOrders{"Order list of sounds", "Random list of sounds"};
inline constexpr std::array<const char*, 2> kPlayStyles{"Loop sound", "Ambient slicing"};

inline constexpr int kInitialVoiceMode = 0;
inline constexpr int kInitialPlayOrder = 1;
inline constexpr int kInitialAmbientStyle = 1;
inline constexpr int kInitialNatureStyle = 0;

// ---- Bells ---------------------------------------------------------------------------------

inline constexpr DluRect kBellsPanelSize{0, 0, 169, 152};
inline constexpr std::array<ControlSpec, 6> kBellsControls{{
    {kIdBellsList, {6, 0, 111, 82}, nullptr},
    {kIdAdd, {124, 0, 37, 14}, "Add"},
    {kIdDuplicate, {124, 17, 37, 14}, "Duplicate"},
    {kIdRemove, {124, 34, 37, 14}, "Remove"},
    {kIdUp, {124, 51, 37, 14}, "Up"},
    {kIdDown, {124, 68, 37, 14}, "Down"},
}};
inline constexpr DluRect kToneRangeCombo{6, 89, 155, 16};
inline constexpr RowSpec kRangeRow{1034, {6, 106, 155, 21}, 20071};
inline constexpr RowSpec kDensityRow{1033, {6, 127, 155, 21}, 20070};
inline constexpr std::array<const char*, 6> kToneRanges{"Low tones",           "Medium tones",
                                                        "High tones",          "Low + medium tones",
                                                        "Medium + high tones", "Low + medium + high tones"};
inline constexpr int kInitialToneRange = 1;

// ---- Tone ----------------------------------------------------------------------------------

inline constexpr DluRect kTonePanelSize{0, 0, 169, 51};
inline constexpr RowSpec kCarrierRow{1064, {6, 0, 155, 21}, 20062};
inline constexpr RowSpec kOvertonesRow{1063, {6, 26, 155, 21}, 20063};

// ---- Noise ---------------------------------------------------------------------------------

inline constexpr DluRect kNoisePanelSize{0, 0, 169, 113};
inline constexpr DluRect kNoiseColourCombo{6, 0, 155, 16};
/** Smoothness, Filter, Frequency, Sharpness, in the order they are bound. */
inline constexpr std::array<RowSpec, 4> kNoiseRows{{
    {1065, {6, 21, 155, 21}, 20064},
    {1066, {6, 43, 155, 21}, 20065},
    {1067, {6, 66, 155, 21}, 20066},
    {1068, {6, 88, 155, 21}, 20067},
}};
inline constexpr std::array<const char*, 2> kNoiseColours{"Pink noise", "White noise"};
inline constexpr int kInitialNoiseColour = 0;

// ---- Breathwork ----------------------------------------------------------------------------

inline constexpr DluRect kBreathworkPanelSize{0, 0, 169, 70};
inline constexpr DluRect kBreathPatternCombo{6, 0, 155, 16};
inline constexpr RowSpec kCycleRow{1070, {6, 23, 155, 21}, 20068};
inline constexpr RowSpec kBreathingRow{1071, {6, 45, 155, 21}, 20069};
/** The proportions of breathing in, holding, breathing out and holding, two blanks, the name. */
inline constexpr std::array<const char*, 10> kBreathPatterns{
    "1 : 0 : 1 : 0  In and Out",        "2 : 1 : 2 : 1  Short Pauses",     "1 : 0 : 2 : 0  Practice Stage 1",
    "1 : 1 : 2 : 0  Practice Stage 2",  "1 : 2 : 2 : 0  Practice Stage 3", "1 : 3 : 2 : 0  Practice Stage 4",
    "1 : 4 : 2 : 0  Classic Pranayama", "1 : 4 : 2 : 1  Pause at the End", "1 : 1 : 1 : 0  Triangle Breath",
    "1 : 1 : 1 : 1  Square Breath"};
inline constexpr int kInitialBreathPattern = 0;

// ---- External audio ------------------------------------------------------------------------

inline constexpr DluRect kExternalPanelSize{0, 0, 169, 77};
inline constexpr std::array<ControlSpec, 4> kExternalControls{{
    {kIdSelectFile, {6, 0, 55, 14}, "Select file"},
    {kIdFileName, {6, 24, 155, 13}, "Static"},
    {kIdFileLength, {6, 42, 91, 8}, "Sound file length m:s"},
    {kIdRepeat, {6, 60, 39, 9}, "Repeat"},
}};

} // namespace segpanel
