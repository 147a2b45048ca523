#include "plugin/Preferences.h"

Preferences pref = {
    // The request driver fills it with the built-in defaults at each load.
    ModeGraphique{},
    // No printed line thinner than the virtual printer draws a bar line at 576 dpi.
    2,
    // A hairline: a document's own thicker lines are never changed.
    1,
    // Off: at 576 dpi no line of the graphic mode is below a pixel, and lines keep their colour.
    0,
};
