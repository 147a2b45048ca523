#pragma once
// Slurs, ties and beam links drawn on a page: a note's anchor, the three
// points of a link (start, control point, end), one link drawn with its
// pieces split at line starts, and the queue of links drawn after all the
// staves of a page.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct Partition;
struct Portee;
struct Signe;

// The x origin that asks for no shift to the bar being drawn.
constexpr int32_t kXOrigineAucune = -32768;
// The effect index that makes the note's own record give the link.
constexpr uint16_t kEffetDeLaNote = 65535;

// The anchor of a note on screen (else on the piano roll): its linear y and
// its x; with `finChaine`, the x of the last printed piece of a note printed
// as tied pieces. With `tablature` the staff must have a tablature. False
// when the note or the staff is missing.
bool GetCoordonneesTeteNoteAccroche(Portee** staff, int32_t note, bool tablature, bool ecran, bool finChaine,
                                    BigPt* out);

// The three points of the slur (or, with `accroche`, of the beam link) that
// starts at the note, on screen or on the piano roll; the link's style and its
// far note are given when asked. 0 when there is nothing to draw.
int16_t CalculeCoordonneesLiaison(bool ecran, Portee** staff, int32_t note, bool tablature, uint16_t effect,
                                  BigPt* start, BigPt* control, BigPt* end, int16_t* style, bool accroche,
                                  Portee*** farStaff, int32_t* farNote);

// Draws one slur or beam link of a note. With an x origin other than
// kXOrigineAucune the points move so that the start bar begins there; a slur
// over line starts is drawn one piece per line.
void TraceLiaisonBrut(Portee** staff, int32_t xOrigin, int32_t note, const Signe* sign, bool tablature, uint16_t effect,
                      bool accroche);
// Called for each note with an effect record while a staff's notes are
// drawn: a slur to a later staff and every beam link wait for the post-pass,
// other slurs are drawn at once.
void TraceLiaisonEntreDeuxNotes(Portee** staff, int32_t xOrigin, int32_t note, const Signe* sign, bool tablature,
                                uint16_t effect);
// Draws the waiting links of the page, in order, and empties the queue.
void TraceLiaisonPostTraitement(Partition** score);
// Links waiting for the post-pass.
int32_t GetNbLiaisonsEnAttente();
// Forgets the waiting links (a new request).
void VideLiaisonsEnAttente();
