#include "sound/Lyrastel.h"

#include <cstring>

#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/ServicesInertes.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

bool IsPorteeLyrastel(Portee** staff) {
  if (!staff) return false;
  const Portee* p = *staff;
  switch (p->type) {
    case kTypePorteeGregorien: return true;
    case kTypePorteeStandard:
    case kTypePorteeTablature: return p->karaoke != 0 || p->ligneParolesAffichee != 0;
    case kTypePorteeParole: return p->karaoke != 0;
    default: return false;
  }
}

bool IsLyrastel() { return false; }

// SEAM(sound): the voice parameter block starts cleared until its defaults are built.
void SetDefautVoixParam(VoixParam* parameters) {
  if (parameters) std::memset(reinterpret_cast<char*>(parameters), 0, kTailleVoixParam);
}

void DisposeLyrastelPortee(Portee** staff) {
  if (!staff) return;
  if ((*staff)->voixParam) DisposeHandle((*staff)->voixParam);
  (*staff)->voixParam = nullptr;
}

void LyrastelPorteeACalculer(Portee** staff) {
  if (!staff) return;
  (*staff)->chantACalculer = 1;
  (*staff)->chantCalcule = 0;
  FixePorteeModifiee();
}

bool LyrastelPartitionACalculer(Partition** score) {
  if (!score) return false;
  bool marque = false;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff || !(*staff)->chante) continue;
    LyrastelPorteeACalculer(staff);
    marque = true;
  }
  return marque;
}

uint16_t LYGetLanguageIDByIndex(int32_t) { return 0; }

// SEAM(sound): only the sections without voice data are read: the marker 2,
// or the marker of a staff that is not sung; a sung staff's voice settings
// end the load.
void ReadParamsLyrastel(Portee** staff) {
  const int16_t c = ReadCar();
  if (c < 0 || c == 2 || !staff) return;
  (*staff)->chante = uint8_t(c);
  if (!IsPorteeLyrastel(staff)) return;
  Collapse("ReadParamsLyrastel: voice settings are not read yet");
  ioCustom.finFichier = 1;
}
