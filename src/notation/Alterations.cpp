#include "notation/Alterations.h"

#include "model/Signe.h"
#include "model/Tonalite.h"

// SEAM(notation): until the accidentals in force are tracked, a note is spelled by the key
// alone: the key signature's step when one matches its pitch class, else
// the default spelling.

static const int16_t kNote2DemiTonStd[7] = {0, 2, 4, 5, 7, 9, 11};
static const int16_t kInterligneStandard[12] = {0, 0, 1, 2, 2, 3, 3, 4, 4, 5, 6, 6};
static const uint8_t kAlterationStandard[12] = {0, 1, 0, 3, 0, 0, 1, 0, 1, 0, 3, 0};

int16_t CvtAlterationEnDecalageDemiTon(uint8_t code) {
  static const int16_t decalage[6] = {0, 1, 0, -1, 2, -2};
  return code <= 5 ? decalage[code] : 0;
}

int16_t CalcPosAlterationFnNote(Portee** staff, const Signe* note, int16_t* line, uint8_t* shown, int32_t,
                                int32_t tick) {
  int16_t l = 0;
  uint8_t code = kAlterationAucune;
  if (note && note->kind >= 0) {
    Tonalite key;
    CvtTempsEnTonalite(staff, tick, &key);
    int16_t pitch = note->kind, n = int16_t(pitch % 12);
    bool trouve = false;
    for (int16_t s = 0; s < 7; s++) {
      uint8_t k = key.alterations[s];
      int16_t d = CvtAlterationEnDecalageDemiTon(k);
      if ((kNote2DemiTonStd[s] + d + 12) % 12 == n) {
        l = int16_t((pitch - d) / 12 * 7 + s);
        code = kAlterationAucune;
        trouve = true;
      }
    }
    if (!trouve) {
      l = int16_t(pitch / 12 * 7 + kInterligneStandard[n]);
      code = kAlterationStandard[n];
    }
  }
  if (line) *line = l;
  if (shown) *shown = code;
  return code;
}

int16_t CalcNoteFnPosAlteration(Portee**, int16_t line, int32_t, uint8_t accidental, const Tonalite* key,
                                int16_t* note) {
  if (line < 0) line = 0;
  int32_t pitch = kNote2DemiTonStd[line % 7] + 12 * (line / 7);
  uint8_t code = accidental & kAlterationMasque;
  if (code == kAlterationAucune) {
    if (key) pitch += CvtAlterationEnDecalageDemiTon(key->alterations[line % 7]);
  } else {
    pitch += CvtAlterationEnDecalageDemiTon(code);
  }
  if (pitch < 0 || pitch > 127) {
    pitch = pitch < 0 ? 0 : 127;
    code = kAlterationAucune;
  }
  if (note) *note = int16_t(pitch);
  return code;
}
