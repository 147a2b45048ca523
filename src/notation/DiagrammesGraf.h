#pragma once
// Chord diagrams drawn into a rectangle of the current port: the fretboard
// grid of a fretted instrument with its dots, barres, nut or base fret and
// string marks, the dots optionally coloured by note name or chord degree;
// and the two-octave keyboard of a piano diagram with its keys shaded.
#include "model/DonneesAccords.h"
#include "notation/ServicesNotation.h"

// A diagram's fretboard drawing: string marks (0 none, drawn as they are),
// the fret of the grid's top line, and dots relative to it (a barre when the
// first string is below the last). Strings count from the lowest-pitched.
struct BlocDiagramme {
  char cordes[kNbCordesDiagramme];
  uint8_t caseBase;
  int8_t nbPoints;
  PointDiagramme points[kNbPointsPlacement];
};

// The block of a diagram and of a placement.
BlocDiagramme BlocDiagrammeAccord(const DiagrammeAccord& diagram);
BlocDiagramme BlocPlacementDiagramme(const PlacementDiagramme& placement);

// Draws a fretted diagram into `rect`. A null diagram is a missing one (a
// crossed frame with "?"); a null block takes the diagram's own. `shift`
// semitones are added to the frets and transpose the name shown under the
// grid. Colours are colour indexes; the marks and the name are never smaller
// than minTextSize.
void AfficheDiagrammeAccordBrut(const DiagrammeAccord* diagram, const BlocDiagramme* block, int16_t shift,
                                const Rect* rect, bool showName, int16_t gridColour, int16_t dotColour,
                                int16_t nameColour, int16_t minTextSize);

// Paints the dot of `string` pressed at `fret` (0 the first fret, -1 open) in
// the colour of its note, by note name or by chord degree as the preferences
// ask, with the degree's sign inside; `outline` rings a black dot in white.
// Nothing when the diagram's neck is unknown.
void TraceDoigteCouleur(const DiagrammeAccord* diagram, int16_t fret, int16_t string, bool outline, const Rect* rect);

// The colour of an interval above the root (by degree) and of a pitch class
// (by note name); `sign` receives '+', '-' or 0 and `dark` whether the sign
// is drawn white.
RGBColor CvtComposanteEnCouleurRelative(int16_t interval, char* sign, bool* dark);
RGBColor CvtNoteEnCouleurAbsolue(int16_t pitchClass, char* sign, bool* dark);

// The rectangle of key `semitone` (0..23 from a C) of a two-octave keyboard;
// 1 for a black key, 0 for a white one.
int16_t CvtDemiTonEnAireTouche(const Rect* keyboard, int16_t semitone, Rect* key);
// A keyboard with the keys of `pitches` (ended by the first negative value)
// shaded, the name above or under it; nothing at all without a pitch. A key
// colour of 0 or 1 shades in greys.
void AfficheDiagrammePiano(const Rect* frame, const char* name, const int16_t* pitches, bool showName, bool nameAbove,
                           int16_t lineColour, int16_t keyColour, int16_t textColour);
// The keyboard of a chord definition, named by its chord symbol.
void AfficheDiagrammeDefAccordPiano(const DefAccord* chord, const Rect* frame, bool showName, bool nameAbove,
                                    int16_t lineColour, int16_t keyColour, int16_t textColour);
