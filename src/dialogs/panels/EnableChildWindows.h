#pragma once
/** @brief Locks or unlocks all the controls of a panel or dialog at once. UI thread. */

class QWidget;

/** Enables or disables every direct child window of @p window, in their order. The children are
 *  taken before the first is changed, so a child that appears meanwhile is left as it is and one
 *  that goes away is skipped. */
void EnableChildWindows(QWidget* window, bool enable);
