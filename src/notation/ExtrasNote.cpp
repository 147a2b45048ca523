#include "notation/ExtrasNote.h"

#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/DessinMarks.h"
#include "notation/PetitesNotes.h"
#include "notation/TraceLiaisons.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"

int16_t TraceExtraGraphiquesNote(Portee** staff, int16_t x, int16_t y, int32_t xOrigin, int32_t noteIndex,
                                 uint8_t tablatureMode, uint8_t withMarks, uint8_t withTie) {
  if (!staff || !*staff || noteIndex < 0) return 0;
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || noteIndex >= n) return 0;
  const Signe note = s[noteIndex];
  if (note.indexParamEffet < 0) return 0;
  int16_t graces = 0;
  if (tablatureMode == 0) {
    graces = TraceGraceNotes(staff, 1, x, 0, y, noteIndex, &note, uint16_t(note.indexParamEffet), nullptr, 0);
  } else if (Tablature** t = GetTablature(staff); t && (*t)->vecteurs.TraceGraceNotes) {
    graces = (*t)->vecteurs.TraceGraceNotes(staff, x, y, noteIndex, &note);
  }
  if (withTie)
    TraceLiaisonEntreDeuxNotes(staff, xOrigin, noteIndex, &note, tablatureMode != 0, uint16_t(note.indexParamEffet));
  if (withMarks) TraceMarksNote(staff, x, y, noteIndex, &note, tablatureMode != 0, note.indexParamEffet);
  return graces;
}
