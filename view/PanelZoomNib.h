#pragma once

// The modal zoom panel of the document windows ("PanelZoom.nib"): a form
// whose one entry takes the zoom in per cent, and a row of buttons whose
// selected cell's tag tells how the panel ends (1 OK, 0 Cancel). The scroll
// view finds them by their view tags and becomes the buttons' target.

inline constexpr int PanelZoomButtonsTag = 5;
inline constexpr int PanelZoomFormTag = 6;

// Registers the builder of "PanelZoom.nib": it fills the owner's outlet
// "zoomPanel" with the panel.
void RegisterPanelZoomNib();
