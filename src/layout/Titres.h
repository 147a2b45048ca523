#pragma once
// The document's titles (title, composer, remarks) on the first music page:
// measured in their style, placed by their stored positions and added to the
// page as elements of kinds 1 to 3.
#include "platform/PlatformTypes.h"

struct MiseEnPage;
struct Partition;
struct StrTitre;

// Measures (draw false: rect gets the text's size at `top`, aligned in `area`
// by the title's justification: 0 left, 255 right, other values centred) or
// draws the title in rect with its justification and angle.
void TraceChaineTitre(bool draw, const Rect* area, int16_t top, const StrTitre* title, Rect* rect);
// Bottom of the laid-out title in tenths of a millimetre: its vertical
// position plus its height.
int32_t GetPosBasTitre(MiseEnPage* setup, const StrTitre* title);
// Places a title (kind 1, 2 or 3) on the setup's first music page: measured
// at the page rectangle's top, moved by its position (the second pair for a
// setup of kind 1), added with its angle. Returns the element's bottom, or
// the page rectangle's top for an empty title or when no page holds it.
int16_t TraiteStrTitreDocument(Partition** score, MiseEnPage* setup, const Rect* pageRect, const StrTitre* title,
                               uint32_t kind);

struct Portee;
struct Systeme;
// The box of a staff's name left of a system: the full name on the score's
// first system or when the staff has no abbreviation, else the abbreviation;
// an empty rect for an empty full name. Measured in the name's style; x is
// its left (justification -1), its right (0) or its centre (other values);
// vertically centred on the staff's middle line; then moved by the name's
// offsets (72-dpi units, zoomed). Returns the name's angle (names are not
// turned: 0).
int16_t CalculeAireNomPorteeModePage(Portee** staff, const Systeme* system, int16_t x, int16_t justification,
                                     Rect* rect);
// Names of old documents were placed by their start: their stored positions
// take the measured width of the full name and the size of the abbreviation,
// whose vertical position moves up by 4.
void AjustePositionNomPorteeModePage(Portee** staff);
