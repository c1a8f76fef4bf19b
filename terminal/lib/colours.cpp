#include "terminal/lib/colours.h"

#include <algorithm>
#include <cmath>

namespace qs::term {

const Colour kDefaultColourMap[kColourMapSize] = {
    Rgb(0, 0, 0),       Rgb(160, 0, 0),     Rgb(0, 160, 0),     Rgb(160, 160, 0),
    Rgb(0, 0, 160),     Rgb(160, 0, 160),   Rgb(0, 160, 160),   Rgb(224, 224, 224),
    Rgb(255, 128, 128), Rgb(144, 238, 144), Rgb(255, 255, 192), Rgb(173, 216, 230),
    Rgb(255, 192, 255), Rgb(224, 255, 255), Rgb(192, 192, 192), Rgb(255, 255, 255),
};

const Colour kConsoleColours[kConsoleColourCount] = {
    Rgb(0, 0, 0),       Rgb(0, 0, 160),     Rgb(0, 160, 0),     Rgb(0, 160, 160),
    Rgb(160, 0, 0),     Rgb(160, 0, 160),   Rgb(192, 96, 0),    Rgb(224, 224, 224),
    Rgb(192, 192, 192), Rgb(173, 216, 230), Rgb(144, 238, 144), Rgb(224, 255, 255),
    Rgb(255, 128, 128), Rgb(255, 192, 255), Rgb(160, 160, 0),   Rgb(255, 255, 255),
};

Colour BoldColorOf(Colour colour)
{
    const double r = Red(colour) / 255.0, g = Green(colour) / 255.0, b = Blue(colour) / 255.0;
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    const double value = high;
    const double saturation = high > 0 ? (high - low) / high : 0;
    if (saturation <= 0)
        return value >= 0.5 ? Rgb(255, 255, 255) : Rgb(0, 0, 0);

    double hue;  // in sixths of the circle, 0 <= hue < 6
    const double span = high - low;
    if (high == r)
        hue = (g - b) / span;
    else if (high == g)
        hue = 2 + (b - r) / span;
    else
        hue = 4 + (r - g) / span;
    if (hue < 0)
        hue += 6;

    // Back to RGB with value 1.
    const int sector = static_cast<int>(hue) % 6;
    const double f = hue - std::floor(hue);
    const double p = 1 - saturation;
    const double q = 1 - saturation * f;
    const double t = 1 - saturation * (1 - f);
    double rr = 0, gg = 0, bb = 0;
    switch (sector) {
    case 0: rr = 1; gg = t; bb = p; break;
    case 1: rr = q; gg = 1; bb = p; break;
    case 2: rr = p; gg = 1; bb = t; break;
    case 3: rr = p; gg = q; bb = 1; break;
    case 4: rr = t; gg = p; bb = 1; break;
    default: rr = 1; gg = p; bb = q; break;
    }
    auto scale = [](double x) { return static_cast<unsigned>(std::clamp(x, 0.0, 1.0) * 255.0); };
    return Rgb(scale(rr), scale(gg), scale(bb));
}

}  // namespace qs::term
