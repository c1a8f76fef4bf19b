// Colour tables of the emulator and the bold-colour rule.
#pragma once
#include "terminal/lib/terminal_types.h"

namespace qs::term {

inline constexpr int kColourMapSize = 16;
inline constexpr int kConsoleColourCount = 16;

// The default colour map (ColorMapConstants order: black, red, green, yellow, blue, magenta, cyan, white,
// then the light colours).
extern const Colour kDefaultColourMap[kColourMapSize];
// The colours of the console sequences, by their number.
extern const Colour kConsoleColours[kConsoleColourCount];

// The same hue and saturation at full value; a grey becomes white or black.
Colour BoldColorOf(Colour colour);

}  // namespace qs::term
