#include "stafftypes/PorteeTablature.h"

#include "model/Portee.h"
#include "stafftypes/Tablature.h"

// SEAM(stafftypes): the installer sets the type and its per-type fields; the
// tablature's operation slots come with its renderers.
void InitPorteeTablature(Portee** staff) {
  if (!GetTablature(staff)) return;
  Portee* p = *staff;
  p->type = kTypePorteeTablature;
  p->flagGrilleAccord = 1;
  p->codeMiseEnPage1 = 4;
  p->codeMiseEnPage2 = 3;
  p->flagAffichage = 1;
}

// SEAM(stafftypes): accordion chords come with the accordion tablature's
// tables; until then no note list names one and no text gives notes.
void CalculeAccordAccordeonSelonNotes(Partition**, Portee**, int32_t, const NoteAnalyse*, int16_t, int16_t,
                                      char* text) {
  if (text) text[0] = 0;
}

int16_t CvtAccordAccordeonEnListeNotes(Portee**, const char*, uint16_t* pitches) {
  if (pitches) pitches[0] = 65535;
  return 0;
}
