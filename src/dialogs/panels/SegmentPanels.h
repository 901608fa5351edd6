#pragma once
/** @brief The "Sound" page of each segment kind: the factory the properties pane makes its eight
 *  segment panels with. UI thread only. */

#include <cstdint>
#include <memory>

class CDlgPropertiesBase;

/** The segment panel of @p kind (CSegment::Kind, 0..7), constructed but not yet created: the pane
 *  sets the document and then creates it as its child (Create(pane, true)). A kind outside 0..7
 *  gets an empty page. */
std::unique_ptr<CDlgPropertiesBase> CreateSegmentPanel(std::int32_t kind);

/** An empty page: a panel with no controls, of the segment panels' width and no height. */
std::unique_ptr<CDlgPropertiesBase> CreateEmptyPanel();
