#pragma once
// The colour adjustment for black-and-white and grey output: per-colour
// brightness thresholds to pure black and white, or grey levels, optionally
// inverted. It changes the picture in place: the colour table at 4 and 8 bits
// (pixel indices stay), every pixel at 24 bits; other depths stay as they are.

#include "prentix/image/secdib.h"

namespace prentix {

// The settings the adjustment reads, as the settings record holds them. Only
// the low byte of each threshold counts; 0 leaves that class of colours alone.
struct ColourAdjustSettings {
  int MonoR = 0;       // colours whose red is strictly the greatest channel
  int MonoG = 0;       // green strictly greatest
  int MonoB = 0;       // blue strictly greatest
  int MonoM = 0;       // greatest value shared by two or three channels (greys too)
  int GreyScale = 0;   // not 0: grey levels instead of thresholds
  int MonoChange = 0;  // 1: invert the output
};

void AdjustColours(SECImageBase& image, const ColourAdjustSettings& settings);

}  // namespace prentix
