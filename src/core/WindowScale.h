#pragma once

namespace relaycaster {

/// Design size of the editor; every editor rectangle is given in it.
inline constexpr int kDesignWidth = 880;
inline constexpr int kDesignHeight = 562;

/// Brings a proposed editor window size (pixels) within the size bounds and
/// to the 880 : 562 aspect ratio, on a screen of the given scale. Returns
/// true when the proposal was acceptable as it stood. The aspect step has
/// the last word, so the result may fall below a lower bound again
/// (660 by 429 becomes 660 by 422).
bool ConstrainWindowSizeFor(int& width, int& height, float screenScale);

}  // namespace relaycaster
