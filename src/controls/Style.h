#pragma once
/** @brief The look of the standard controls and dialogs in the workspace's palette: dark grey
 *  surfaces, light-grey text and a teal selection, on Qt's Fusion style, with the pane face
 *  (or its free substitute) as the application font. Call once after the QApplication exists. */

class QApplication;
class QPalette;

namespace ui
{

/** The palette of the workspace for standard controls. */
QPalette WorkspacePalette();

/** Applies the style, the palette and the font to @p app. */
void ApplyWorkspaceStyle(QApplication& app);

} // namespace ui
