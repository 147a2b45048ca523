#include "notation/SCleGraf.h"

#include <algorithm>
#include <cstring>

#include "model/CvtTemps.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/Strings.h"

// SEAM(notation): a note starting or ending a tie or slur counts as tied until the list of
// printed pieces exists.
bool IsNoteLiee(Portee** staff, int32_t index) {
  return GetLiaisonSourceNote(staff, index, nullptr, kLiaisonCoule) != 0 ||
         GetLiaisonDestNote(staff, index, nullptr, kLiaisonCoule) != 0;
}

// SEAM(notation): the notes of a text's rhythm pattern are drawn with the note
// drawing; until then they take no room.
void TraceSignesRhythmicPattern(const Signe*, int32_t, uint8_t, float) {}

// SEAM(notation): the printed pieces of a note are cut at bar lines only (and
// not at a first-piece limit or into writable values) until the note drawing
// lands.
Handle CvtNoteEnListeNotesLieesBorne(Portee** staff, int32_t index, int32_t, int32_t lastBar, int32_t) {
  Handle h = NewHandleClear(0);
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!h || !s || index < 0 || index >= n) return h;
  const Signe note = s[index];
  Partition** score = (*staff)->partition;
  auto ajoute = [&h](const Signe& piece) {
    const Size taille = GetHandleSize(h);
    if (!RetailleHandle(h, taille + Size(sizeof(Signe))) || GetHandleSize(h) != taille + Size(sizeof(Signe)))
      return false;
    std::memcpy(*h + taille, &piece, sizeof piece);
    return true;
  };
  if (note.kind < kSigneSilence || note.duree <= 0 || !score) {
    ajoute(note);
    return h;
  }
  int64_t t = CvtIndexNoteEnTemps(staff, index);
  int64_t reste = note.duree;
  while (reste > 0) {
    const int32_t bar = CvtTempsEnMesure(score, Sature32(t));
    if (bar > lastBar && GetHandleSize(h) > 0) break;
    const int64_t fin = int64_t(CvtMesureEnTemps(score, bar)) + CvtMesureEnDureeMesure(score, bar);
    const int64_t d = fin > t ? std::min(reste, fin - t) : reste;
    Signe piece = note;
    piece.duree = int32_t(d);
    if (!ajoute(piece)) break;
    t += d;
    reste -= d;
  }
  return h;
}
