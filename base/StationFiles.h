#pragma once
// Files of the station folder that several parts of the station hand to each other.

namespace zelvan
{

// The picture taken for measuring or for setting up a grid: written by the frame grab, the
// capture screen's still and a saved contact picture, read by the set-up and measurement
// screens.
inline constexpr const char* kCurrentCaptureName = "currentcapture.bmp";

} // namespace zelvan
