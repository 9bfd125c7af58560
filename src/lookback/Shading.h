#pragma once
// How dark a day of the year at a glance is: a few steps from nothing written to the
// year's longest entries, so that a picture shows how much as well as whether.

namespace drv::lookback {

inline constexpr int kShadeSteps = 4; // steps of a written day: 1 to kShadeSteps

// 0 for a day without entry; for a written day, 1 for up to a quarter of the year's most
// characters, 2 up to a half, 3 up to three quarters, 4 above. An entry of no characters
// (a title alone) is still written: step 1.
int shadeStep(int chars, int yearMost);

} // namespace drv::lookback
