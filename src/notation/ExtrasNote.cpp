#include "notation/ExtrasNote.h"

#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/DessinMarks.h"
#include "notation/TraceLiaisons.h"

int16_t TraceExtraGraphiquesNote(Portee** staff, int16_t x, int16_t y, int32_t xOrigin, int32_t noteIndex,
                                 uint8_t tablatureMode, uint8_t withMarks, uint8_t withTie) {
  if (!staff || !*staff || noteIndex < 0) return 0;
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || noteIndex >= n) return 0;
  const Signe note = s[noteIndex];
  // SEAM(notation): grace notes hooked on the note are drawn with the grace
  // series (the standard one in tablature mode 0, else the tablature's slot).
  const int16_t graces = 0;
  (void)tablatureMode;
  if (note.indexParamEffet < 0) return graces;
  if (withTie)
    TraceLiaisonEntreDeuxNotes(staff, xOrigin, noteIndex, &note, tablatureMode != 0, uint16_t(note.indexParamEffet));
  if (withMarks) TraceMarksNote(staff, x, y, noteIndex, &note, tablatureMode != 0, note.indexParamEffet);
  return graces;
}
