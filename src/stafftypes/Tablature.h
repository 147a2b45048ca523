#pragma once
// The tablature record of a staff (declared in stafftypes/DonneesTablature.h):
// creation, the record that serves a staff of a merged group, styles, and the
// forwarders that let any staff of a group reach the slots of the record its
// first staff holds. What the model calls is declared in
// stafftypes/ServicesTypesPortee.h.
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"

// Colour index of a note with its highlight bit.
constexpr int16_t kCouleurSurbrillanceTablature = 225;

// Selects the note (or grace-note) text style for drawing at the destination,
// in the note's colour when given; the header style.
void SetStyleTablature(Portee** staff, const Signe* note);
void SetStyleTablatureGrace(Portee** staff, const Signe* note);
void SetStyleEnteteTablature(Portee** staff);

// Forwarders: the slot of the record held by the group's first staff, called
// with the staff given; 0 when there is none.
void TraceNoteTablatureFusion(Portee** staff, int16_t x, int16_t xRef, int32_t index, const Signe* note,
                              int16_t effectsIndex);
int16_t PopUpSelectCaseTablatureFusion(Portee** staff, int16_t a, int16_t b, int16_t c, int16_t d);
int16_t CvtRubanToNoteTablatureFusion(Portee** staff, int32_t tick, int32_t y, Signe* note);
int16_t CvtNoteToEcrTablatureFusion(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
void AfficheCurseurTablatureFusion(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle);
int16_t GetPosCaseTablatureFusion(Portee** staff);
void SetPosCaseTablatureFusion(Portee** staff, int16_t fret);
void GetRectRubanTablatureFusion(Portee** staff, BigRect* out);
int16_t TraceGraceNotesTablatureFusion(Portee** staff, int16_t x, int16_t y, int32_t index, const Signe* note);
void CalculePosEffetTablatureFusion(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x,
                                    int32_t* y);
