// Fitting the model to its icon: the camera distance and the model's position chosen so that
// the silhouette of the shown meshes, with the drop shadow when it is on, fills the master
// up to a margin. Worked out from the meshes' vertices projected as the icon render
// projects them (not from bounding-box corners), within the distance slider's range.
#pragma once

class TWorkbench;

inline constexpr float kDefaultFitMargin = 8;  // percent of the icon's side

// Sets the distance and the offset through the workbench and marks the framing as fitted
// (the render then keeps model and shadow in place instead of shifting them). margin is a
// percentage of the side, 0 to below 50, kept on the tighter axis. False, nothing changed,
// when no shown mesh has a vertex.
bool FitFraming(TWorkbench& workbench, float margin_percent = kDefaultFitMargin);
