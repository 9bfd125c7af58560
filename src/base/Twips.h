#pragma once
// Window geometry is stored in twips, 1440 to the inch; sizes in points round half to even.

namespace drv {

// Rounds to the nearest whole number, halves to the even neighbour (10.5 -> 10, 11.5 -> 12).
int roundHalfEven(double value);

// dpi is the screen's logical resolution (15 twips a pixel at 96).
int twipsToPixels(int twips, double dpi);
int pixelsToTwips(int pixels, double dpi);

} // namespace drv
