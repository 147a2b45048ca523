// Staff helpers shared by the sheets that walk notes along staves: the
// sheet's drawing context, a caption, a treble staff's note y, and lines of
// chords put into a staff.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/Alterations.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/UnicodeText.h"

namespace {

cairo_t* contexte = nullptr;

void Texte(int16_t x, int16_t y, const char* t) {
  UniChar u[160];
  size_t n = 0;
  for (; t[n] && n < 160; n++) u[n] = UniChar(uint8_t(t[n]));
  UnicodeTextStyle st;
  st.font = FontNumberForName("Liberation Sans");
  st.size = 8;
  cairo_set_source_rgb(contexte, 0, 0, 0.6);
  UnicodeTextDraw(contexte, x, y, u, n, st, 0);
}

// A treble-clef staff: a note's y from its line, its accidental from the key.
int16_t NoteEnY(Portee** s, int32_t tick, int32_t index, const Signe* note, uint8_t* flags) {
  const float bas = float((**s).rect.top + (**s).decalageLigneBas);
  if (note->kind < 0) {
    if (flags) *flags = kAlterationAucune;
    return int16_t(bas - 2.0f * (**s).interligne);
  }
  int16_t ligne = 0;
  uint8_t montre = kAlterationAucune;
  CalcPosAlterationFnNote(s, note, &ligne, &montre, index, tick);
  if (flags) *flags = montre;
  return int16_t(bas - (**s).interligne / 2.0f * float(ligne - 37));
}

struct Ligne {
  const char* titre;
  // Chords: pitches (high to low; -1 a rest), duration, flags of each record.
  struct Accord {
    std::vector<int8_t> notes;
    int32_t duree;
    uint16_t flags;
    uint16_t tuplet;
  };
  std::vector<Accord> accords;
};

void Ajoute(Portee** staff, const Ligne::Accord& a) {
  for (size_t k = 0; k < a.notes.size(); k++) {
    const int32_t n = (**staff).nbNotes;
    if (!(**staff).notes) (**staff).notes = NewHandleClear(0);
    SetHandleSize((**staff).notes, Size(n + 1) * Size(sizeof(Signe)));
    Signe& s = reinterpret_cast<Signe*>(*(**staff).notes)[n];
    RazNote(&s, a.notes[k], a.duree);
    s.alteration = kAlterationAucune;
    s.taille = 100;
    s.flags = uint16_t(a.flags | (k + 1 < a.notes.size() ? kSigneAccordSuite : 0));
    if (a.tuplet) s.motTuplet = a.tuplet;
    (**staff).nbNotes = n + 1;
  }
}

}  // namespace
