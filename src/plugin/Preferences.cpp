#include "plugin/Preferences.h"

namespace {

const Preferences kPreferencesDefaut = {
    // The request driver fills it with the built-in defaults at each load.
    ModeGraphique{},
    // No printed line thinner than the virtual printer draws a bar line at 576 dpi.
    2,
    // A hairline: a document's own thicker lines are never changed.
    1,
    // Off: at 576 dpi no line of the graphic mode is below a pixel, and lines keep their colour.
    0,
    // Text is measured and drawn by the Unicode engine.
    1,
    // On: curves and slanted lines are drawn smooth.
    1,
    // Kept: a document's missing fonts are recorded.
    1,
    1,
    // Letters: the request driver asks for them after every load.
    1,
    // 64 KiB.
    64 * 1024,
    // Allowed.
    1,
    // On: dotted splines get smooth dots, which pictures keep as images with alpha.
    1,
    // The wide margin of the application's default.
    1,
};

}  // namespace

Preferences pref = kPreferencesDefaut;

void PreferencesParDefaut() { pref = kPreferencesDefaut; }
