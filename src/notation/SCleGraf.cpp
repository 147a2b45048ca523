#include "notation/SCleGraf.h"

#include <algorithm>
#include <cstring>

#include "model/CvtTemps.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "notation/DecalagesAccord.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/Strings.h"

// A note is tied when it is printed in more than one piece, or when a tie
// or slur starts or ends on it.
bool IsNoteLiee(Portee** staff, int32_t index) {
  if (GetLiaisonSourceNote(staff, index, nullptr, kLiaisonCoule) != 0 ||
      GetLiaisonDestNote(staff, index, nullptr, kLiaisonCoule) != 0)
    return true;
  Handle pieces = CvtNoteEnListeNotesLiees(staff, index);
  const bool plusieurs = GetHandleSize(pieces) > Size(sizeof(Signe));
  DisposeHandle(pieces);
  return plusieurs;
}

// SEAM(notation): the notes of a text's rhythm pattern are drawn with the note
// drawing; until then they take no room.
void TraceSignesRhythmicPattern(const Signe*, int32_t, uint8_t, float) {}

Handle CvtNoteEnListeNotesLieesBorne(Portee** staff, int32_t index, int32_t, int32_t lastBar, int32_t) {
  Handle h = NewHandleClear(0);
  int32_t n;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
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
    if (CvtTempsEnMesure(score, Sature32(t)) > lastBar && GetHandleSize(h) > 0) break;
    int64_t limite = LimitePiece(staff, Sature32(t));
    const bool premiere = GetHandleSize(h) == 0;
    if (premiere && note.premierePartieLiee > 0 && note.premierePartieLiee < limite) limite = note.premierePartieLiee;
    NotePossible p;
    CalculeNotePossible(Sature32(limite), Sature32(reste), nullptr, premiere ? note.motTuplet : kDivisionSimple, &p,
                        note.kind);
    // A piece never comes out empty; a value too short to write ends the note.
    const int64_t d = p.dureeEcrite > 0 ? std::min<int64_t>(p.dureeEcrite, reste) : reste;
    Signe piece = note;
    piece.duree = int32_t(d);
    if (!ajoute(piece)) break;
    t += d;
    reste -= d;
  }
  return h;
}

Handle CvtNoteEnListeNotesLiees(Portee** staff, int32_t index) {
  return CvtNoteEnListeNotesLieesBorne(staff, index, 0, INT16_MAX, -1);
}
