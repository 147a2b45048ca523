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
    // The factory spacing settings, switched off: a score spaces by time unless
    // its document turns the engine on.
    ZorodavaSetup{0, 1, 1, 0, {200, 160, 120, 72, 56, 48, 40}, 8, 40, 35, 8, 300, 9999, 600, 35},
    // The screen's.
    72,
    // Off: a preview shows no editing aid.
    0,
    // Red.
    35,
    // Narrow.
    0,
    // Off: a document's slurs keep the shapes stored with them; the MusicXML
    // import turns it on for its own reshaping.
    0,
    // Plain dots: a printed diagram reads in any ink.
    0,
    // Right-handed.
    0,
};

}  // namespace

Preferences pref = kPreferencesDefaut;

void PreferencesParDefaut() { pref = kPreferencesDefaut; }
