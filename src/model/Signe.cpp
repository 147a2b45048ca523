#include "model/Signe.h"

#include <cstring>

#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Ruban.h"
#include "model/SGraphix.h"
#include "model/TabEltMesure.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/ServicesSon.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/Reporters.h"

static int32_t MesureDeTemps(Partition** score, int32_t tick);

// Ceiling on the rests a single insertion may add to reach a far tick.
constexpr int32_t kMaxMesuresComblees = 8000;

void RazNote(Signe* note, int8_t kind, int32_t duree) {
  if (!note) return;
  std::memset(note, 0, sizeof *note);
  note->kind = kind;
  note->kindCopie = kind;
  note->velocity = 64;
  note->alteration = kAlterationAucune;
  note->duree = duree;
  note->pourcentJoue = 100;
  note->indexParamEffet = -1;
  note->octet3 = 3;
  note->debut = -1;
  note->taille = 100;
}

Signe* GetSignesPortee(Portee** staff, int32_t* count) {
  *count = 0;
  if (!staff || !(*staff)->notes) return nullptr;
  int32_t cap = GetHandleSize((*staff)->notes) / int32_t(sizeof(Signe));
  int32_t n = (*staff)->nbNotes;
  if (n < 0) n = 0;
  *count = n < cap ? n : cap;
  return reinterpret_cast<Signe*>(*(*staff)->notes);
}

static Signe* SigneAt(Portee** staff, int32_t index) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  return s && index >= 0 && index < n ? s + index : nullptr;
}

// Sizes the note handle to a number of whole blocks; false when it could not.
static bool RetailleBlocs(Portee** staff, int32_t blocs) {
  Size taille = Size(blocs) * kBlocSignes * Size(sizeof(Signe));
  if (!(*staff)->notes) {
    (*staff)->notes = NewHandleClear(taille);
    return (*staff)->notes != nullptr;
  }
  if (GetHandleSize((*staff)->notes) != taille) RetailleHandle((*staff)->notes, taille);
  return GetHandleSize((*staff)->notes) == taille;
}

static int32_t BlocsPour(int32_t count) { return (count + kBlocSignes - 1) / kBlocSignes; }

void FixeAccordsNonCalcules(Portee** staff) {
  if (staff) (*staff)->accordsCalcules = 0;
}

void FixeTablatureEtAccordsNonCalcules(Portee** staff) {
  if (!staff) return;
  FixeTablatureNonCalculee(staff);
  FixeAccordsNonCalcules(staff);
  SetGrilleAccordNonCalculee();
  LyrastelPorteeACalculer(staff);
  if ((*staff)->flagGrilleAccord) SetGrilleAccordNonCalculee();
}

void InvalideNotesPortee(Portee** staff, int32_t index) {
  if (!staff) return;
  ClrTurboCvtTempsEnIndexNote(staff, index < 0 ? 0 : index);
  FixeTablatureEtAccordsNonCalcules(staff);
}

// Opens a gap of n records at the index (bounded to the array); the new
// records are blank. False when the count would pass its ceiling or memory is short.
static bool OuvreSignes(Portee** staff, int32_t index, int32_t n, bool parBloc) {
  int32_t count;
  GetSignesPortee(staff, &count);
  if (n < 1 || count + n > kMaxSignes) return false;
  int32_t blocs = parBloc ? count / kBlocSignes + 1 : BlocsPour(count + n);
  if (blocs < BlocsPour(count + n)) blocs = BlocsPour(count + n);
  if (!RetailleBlocs(staff, blocs)) return false;
  (*staff)->nbNotes = count;
  Signe* s = reinterpret_cast<Signe*>(*(*staff)->notes);
  std::memmove(s + index + n, s + index, size_t(count - index) * sizeof(Signe));
  for (int32_t i = 0; i < n; i++) RazNote(s + index + i, 0, 0);
  (*staff)->nbNotes = count + n;
  return true;
}

int16_t InsereSigne(Portee** staff, int32_t index) {
  if (!staff) return 0;
  int32_t n;
  GetSignesPortee(staff, &n);
  if (index < 0) index = 0;
  if (index > n) index = n;
  if (!OuvreSignes(staff, index, 1, true)) return 0;
  InvalideNotesPortee(staff, index);
  return 1;
}

int16_t SupprimeSigne(Portee** staff, int32_t index) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return 0;
  int32_t e = s[index].indexParamEffet;
  if (e >= 0) {
    DeleteRelatedGraphiques(staff, e);
    DeleteParamEffet(staff, e);
    s = GetSignesPortee(staff, &n);
  }
  std::memmove(s + index, s + index + 1, size_t(n - index - 1) * sizeof(Signe));
  (*staff)->nbNotes = n - 1;
  RetailleBlocs(staff, BlocsPour(n - 1));
  InvalideNotesPortee(staff, index);
  return 1;
}

int32_t SupprimeSignes(Portee** staff, int32_t from, int32_t to) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s) return 0;
  if (from < 0) from = 0;
  if (to > n) to = n;
  if (from >= to) return 0;
  // Effects go from the last record down, as single removals would take them.
  for (int32_t i = to - 1; i >= from; i--) {
    const int32_t e = GetSignesPortee(staff, &n)[i].indexParamEffet;
    if (e < 0) continue;
    DeleteRelatedGraphiques(staff, e);
    DeleteParamEffet(staff, e);
  }
  s = GetSignesPortee(staff, &n);
  std::memmove(s + from, s + to, size_t(n - to) * sizeof(Signe));
  (*staff)->nbNotes = n - (to - from);
  RetailleBlocs(staff, BlocsPour(n - (to - from)));
  InvalideNotesPortee(staff, from);
  return to - from;
}

int16_t InsereSilencesFantomes(Portee** staff, int32_t index, int32_t n, int32_t duree) {
  if (!staff || n < 1) return 1;
  int32_t count;
  GetSignesPortee(staff, &count);
  if (index < 0) index = 0;
  if (index > count) index = count;
  Partition** score = (*staff)->partition;
  int32_t mesure = duree < 0 ? MesureDeTemps(score, CvtIndexNoteEnTemps(staff, index)) : 0;
  if (!OuvreSignes(staff, index, n, false)) return 0;
  Signe* s = reinterpret_cast<Signe*>(*(*staff)->notes);
  for (int32_t i = 0; i < n; i++) {
    int32_t d = duree >= 0 ? duree : CvtMesureEnDureeMesure(score, mesure + i);
    RazNote(s + index + i, kSigneSilenceFantome, d);
  }
  InvalideNotesPortee(staff, index);
  return 1;
}

// ---------------------------------------------------------------- bars

// The bar holding a tick. The bar search takes a tick one before a bar line
// as inside the next bar; this does not. Without a bar table, bars of the
// default length stand in.
static int32_t MesureDeTemps(Partition** score, int32_t tick) {
  if (GetNbMesuresTabEltRuban(score) <= 0) {
    int32_t d = CvtMesureEnDureeMesure(score, 0);
    return tick < 0 ? 0 : tick / d;
  }
  int32_t b = CvtTempsEnMesure(score, tick);
  if (b < 0) return 0;
  if (b > 0 && CvtMesureEnTemps(score, b) > tick) b--;
  return b;
}

static int32_t DebutMesure(Partition** score, int32_t bar) {
  if (GetNbMesuresTabEltRuban(score) <= 0) return bar * CvtMesureEnDureeMesure(score, 0);
  return CvtMesureEnTemps(score, bar);
}

// The start and end ticks of the bar holding a tick.
static void BornesMesure(Partition** score, int32_t tick, int32_t* debut, int32_t* fin) {
  int32_t b = MesureDeTemps(score, tick);
  *debut = DebutMesure(score, b);
  *fin = DebutMesure(score, b + 1);
  if (*fin <= *debut) *fin = *debut + CvtMesureEnDureeMesure(score, b);
  if (*fin <= tick) *fin = tick + 1;
}

// The last record of the chord that starts at or holds the index.
static int32_t FinAccord(const Signe* s, int32_t n, int32_t index) {
  while (index + 1 < n && (s[index].flags & kSigneAccordSuite)) index++;
  return index;
}

int32_t CalculeIndexNoteDebutAccord(Portee** staff, int32_t index) {
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || index <= 0) return index < 0 ? index : 0;
  if (index >= n) return index;
  while (index > 0 && (s[index - 1].flags & kSigneAccordSuite)) index--;
  return index;
}

// The end of the array: the end of the last chord's step.
static int32_t FinSignes(Portee** staff) {
  int32_t n;
  GetSignesPortee(staff, &n);
  return n ? CvtIndexNoteEnTemps(staff, n) : 0;
}

int16_t AjouteDureeDansMesure(Portee** staff, int32_t index, int32_t duree) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || duree < 1 || index < 0 || index >= n) return 1;
  int32_t i = index;
  while (i < n && duree > 0) {
    s[i].touche = 1;
    if (s[i].kind != kSigneSilenceFantome) {
      i++;
      continue;
    }
    if (s[i].duree > duree) {
      s[i].duree -= duree;
      s[i].debut = -1;
      break;
    }
    duree -= s[i].duree;
    SupprimeSigne(staff, i);
    s = GetSignesPortee(staff, &n);
  }
  InvalideNotesPortee(staff, index);
  return 1;
}

int16_t SupprimeDureeDansMesure(Portee** staff, int32_t index, int32_t duree, int16_t flag) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || duree < 1 || index < 0 || index >= n) return 1;
  Partition** score = (*staff)->partition;
  int32_t t = CvtIndexNoteEnTemps(staff, index) + s[FinAccord(s, n, index)].duree + (flag ? duree : 0);
  int32_t i = FinAccord(s, n, index) + 1;
  while (i < n) {
    int32_t fin = FinAccord(s, n, i);
    int32_t fantome = -1;
    for (int32_t k = i; k <= fin; k++) {
      s[k].touche = 1;
      if (fantome < 0 && s[k].kind == kSigneSilenceFantome) fantome = k;
    }
    if (fantome >= 0) {
      s[fantome].duree += duree;
      s[fantome].debut = -1;
      int32_t longueur = CvtMesureEnDureeMesure(score, MesureDeTemps(score, t));
      if (longueur > 0 && s[fantome].duree > longueur) {
        int32_t exces = s[fantome].duree - longueur;
        s[fantome].duree = longueur;
        InsereSilencesFantomes(staff, fantome + 1, 1, exces);
      }
      break;
    }
    t += s[fin].duree;
    i = fin + 1;
  }
  InvalideNotesPortee(staff, index);
  return 1;
}

int16_t CheckFinPortee(Portee** staff, uint8_t* ajoute) {
  if (ajoute) *ajoute = 0;
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || n == 0 || s[n - 1].kind == kSigneSilenceFantome) return 1;
  int32_t fin = FinSignes(staff);
  int32_t debut, finMesure;
  BornesMesure((*staff)->partition, fin - 1, &debut, &finMesure);
  if (fin == debut || fin == finMesure) return 1;
  InsereSilencesFantomes(staff, n, 1, finMesure - fin);
  if (ajoute) *ajoute = 1;
  return 1;
}

// ---------------------------------------------------------------- chords

// True when a sorts after b in a chord: shorter, or as long with a lower kind.
static bool ApresDansAccord(const Signe& a, const Signe& b) {
  return a.duree < b.duree || (a.duree == b.duree && a.kind < b.kind);
}

// Writes a template into a record: its fields, start stale, chord bit as given.
static void CopieModele(Signe* dest, const Signe* note, bool suite) {
  *dest = *note;
  dest->debut = -1;
  dest->flags = uint16_t((note->flags & ~kSigneAccordSuite) | (suite ? kSigneAccordSuite : 0));
}

int32_t InsereNoteDansAccord(Portee** staff, const Signe* note, int32_t index) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || !note || note->duree < 1 || index < 0 || index >= n) return -1;
  int32_t first = index, last = FinAccord(s, n, index);
  int32_t durees[kMaxDureesAccord + 1];
  int32_t nbDurees = 0;
  bool connue = false;
  for (int32_t i = first; i <= last; i++) {
    bool vue = false;
    for (int32_t k = 0; k < nbDurees && !vue; k++) vue = durees[k] == s[i].duree;
    if (!vue) {
      if (nbDurees >= kMaxDureesAccord) return -1;
      durees[nbDurees++] = s[i].duree;
    }
    if (s[i].duree == note->duree) connue = true;
  }
  if (nbDurees + (connue ? 0 : 1) > kMaxDureesAccord) return -1;
  int32_t ancienPas = s[last].duree;
  int32_t place = last + 1;
  for (int32_t i = first; i <= last; i++)
    if (ApresDansAccord(s[i], *note)) {
      place = i;
      break;
    }
  if (note->kind < 0 && place <= last && s[place].kind >= 0) return -1;
  int32_t resultat;
  int32_t remplace = -1;
  if (place > first && s[place - 1].kind == kSigneSilence && note->duree < s[place - 1].duree) remplace = place - 1;
  else if (place <= last && s[place].kind == kSigneSilence && s[place].duree == note->duree) remplace = place;
  if (remplace >= 0) {
    if (s[remplace].indexParamEffet >= 0) {
      DeleteRelatedGraphiques(staff, s[remplace].indexParamEffet);
      DeleteParamEffet(staff, s[remplace].indexParamEffet);
      s = GetSignesPortee(staff, &n);
    }
    CopieModele(s + remplace, note, (s[remplace].flags & kSigneAccordSuite) != 0);
    resultat = remplace;
  } else {
    if (!InsereSigne(staff, place)) return -1;
    s = GetSignesPortee(staff, &n);
    if (place == last + 1) {
      s[last].flags |= kSigneAccordSuite;
      CopieModele(s + place, note, false);
    } else {
      CopieModele(s + place, note, true);
    }
    last++;
    resultat = place;
  }
  int32_t nouveauPas = s[last].duree;
  if (nouveauPas < ancienPas) SupprimeDureeDansMesure(staff, last, ancienPas - nouveauPas, 1);
  else if (nouveauPas > ancienPas) AjouteDureeDansMesure(staff, last, nouveauPas - ancienPas);
  InvalideNotesPortee(staff, index);
  AjusteLiesAccordSymbole(staff, resultat);
  CheckFinPortee(staff, nullptr);
  return resultat;
}

int32_t ReclasseNotesDansAccord(Portee** staff, int32_t index, int16_t drop) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return -1;
  int32_t first = CalculeIndexNoteDebutAccord(staff, index), last = FinAccord(s, n, index);
  if (first == last) return index;
  int32_t suivi = index;
  // Bubble passes: each exchange puts a strictly ordered pair right, so the
  // passes end; flag bit 0 stays with the positions.
  for (bool echange = true; echange;) {
    echange = false;
    for (int32_t i = first; i < last; i++) {
      if (!ApresDansAccord(s[i], s[i + 1])) continue;
      Signe a = s[i];
      uint16_t fa = s[i].flags & kSigneAccordSuite, fb = s[i + 1].flags & kSigneAccordSuite;
      s[i] = s[i + 1];
      s[i + 1] = a;
      s[i].flags = uint16_t((s[i].flags & ~kSigneAccordSuite) | fa);
      s[i + 1].flags = uint16_t((s[i + 1].flags & ~kSigneAccordSuite) | fb);
      if (suivi == i) suivi = i + 1;
      else if (suivi == i + 1) suivi = i;
      echange = true;
    }
  }
  for (int32_t i = first; i < last;) {
    if (s[i].kind >= 0) {
      i++;
      continue;
    }
    if (suivi == i) suivi = -1;
    else if (suivi > i) suivi--;
    SupprimeSigne(staff, i);
    s = GetSignesPortee(staff, &n);
    last--;
  }
  if (drop && last > first && s[last].kind < 0 && s[last].duree == s[last - 1].duree) {
    if (suivi == last) suivi = -1;
    SupprimeSigne(staff, last);
    s = GetSignesPortee(staff, &n);
    s[last - 1].flags &= uint16_t(~kSigneAccordSuite);
  }
  InvalideNotesPortee(staff, first);
  return suivi;
}

void AjusteLiesAccordSymbole(Portee** staff, int32_t index) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n || !IsNoteLiee(staff, index)) return;
  int32_t first = CalculeIndexNoteDebutAccord(staff, index), last = FinAccord(s, n, index);
  int32_t d0 = -1;
  bool plusieurs = false;
  for (int32_t i = first; i <= last; i++) {
    if (!IsNoteLiee(staff, i)) continue;
    s = GetSignesPortee(staff, &n);
    if (d0 < 0) d0 = s[i].duree;
    else if (s[i].duree != d0) plusieurs = true;
  }
  if (!plusieurs) return;
  s = GetSignesPortee(staff, &n);
  for (int32_t i = first; i <= last; i++) s[i].flags &= uint16_t(~kSigneLieSymbole);
  s[(s[first].flags & kSigneQueueEnBas) ? last : first].flags |= kSigneLieSymbole;
}

int32_t QuarvelPurgeAccord(Portee** staff, int32_t from, int32_t to) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || from < 0) return to;
  int32_t i = CalculeIndexNoteDebutAccord(staff, from);
  while (i <= to && i < n) {
    int32_t last = FinAccord(s, n, i);
    if (last > i && s[last].kind == kSigneSilence) {
      int32_t cible = s[last - 1].duree;
      while (s[last].duree < cible && last + 1 < n && last + 1 <= to && s[last + 1].kind == kSigneSilence &&
             !(s[last + 1].flags & kSigneAccordSuite)) {
        int32_t manque = cible - s[last].duree;
        if (s[last + 1].duree <= manque) {
          s[last].duree += s[last + 1].duree;
          SupprimeSigne(staff, last + 1);
          s = GetSignesPortee(staff, &n);
          to--;
        } else {
          s[last].duree = cible;
          s[last + 1].duree -= manque;
        }
      }
      if (s[last].duree >= cible) {
        SupprimeSigne(staff, last);
        s = GetSignesPortee(staff, &n);
        s[last - 1].flags &= uint16_t(~kSigneAccordSuite);
        to--;
        last--;
      }
      InvalideNotesPortee(staff, i);
    }
    i = last + 1;
  }
  return to;
}

// ---------------------------------------------------------------- insertion of notes

// A blank rest of the exact insertion: kind -1, hidden unless visible.
static void RazSilence(Signe* s, int32_t duree, int32_t debut, bool visible) {
  RazNote(s, kSigneSilence, duree);
  s->flags = visible ? 0 : kSigneCache;
  s->debut = debut;
}

// Inserts a record at the index and fills it; false when the array is full.
static bool InsereRempli(Portee** staff, int32_t index, const Signe& valeur) {
  if (!InsereSigne(staff, index)) return false;
  int32_t n;
  GetSignesPortee(staff, &n)[index] = valeur;
  return true;
}

static void ViderCacheRecherche(Portee** staff) {
  (*staff)->turboIndex = 0;
  (*staff)->turboTemps = 0;
}

void TraiteAjoutDureeSansDecaler(Partition** score, Portee** staff, int32_t index, int32_t tick, int32_t delta,
                                 int16_t fill) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || delta <= 0 || index < 0 || index >= n) return;
  if (!score) score = (*staff)->partition;
  int32_t j = FinAccord(s, n, index) + 1;
  while (delta > 0 && j < n && s[j].kind < 0) {
    if (s[j].duree > delta) {
      s[j].duree -= delta;
      if (s[j].debut >= 0) s[j].debut += delta;
      delta = 0;
      break;
    }
    delta -= s[j].duree;
    SupprimeSigne(staff, j);
    s = GetSignesPortee(staff, &n);
  }
  if (delta > 0 && j < n) {
    // The record keeps its length and overlaps the note that follows, whose
    // tick is unchanged: a chord partner rest carries the remaining step.
    int32_t reste = s[index].duree - delta;
    if (reste > 0) {
      Signe r;
      RazSilence(&r, reste, s[index].debut, true);
      if (InsereRempli(staff, index + 1, r)) GetSignesPortee(staff, &n)[index].flags |= kSigneAccordSuite;
    }
  }
  s = GetSignesPortee(staff, &n);
  if (j >= n) {
    int32_t fin = tick + s[index].duree;
    int32_t debut, finMesure;
    BornesMesure(score, fin - 2, &debut, &finMesure);
    if (finMesure > fin) {
      Signe r;
      if (fill) RazSilence(&r, finMesure - fin, fin, true);
      else RazNote(&r, kSigneSilenceFantome, finMesure - fin);
      InsereRempli(staff, n, r);
    }
  }
  InvalideNotesPortee(staff, index);
}

// Adds a note to the chord first..last that starts at the tick: members of its
// pitch become rests, and a note shorter than the chord's step leaves the
// rest of the step to rests so that the following records keep their ticks.
static int32_t AjouteNoteDansAccordExact(Portee** staff, const Signe& modele, int32_t tick, int32_t first,
                                         int32_t last) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  Partition** score = (*staff)->partition;
  for (int32_t i = first; i <= last; i++)
    if (s[i].kind == modele.kind) s[i].kind = kSigneSilence;
  int32_t e = s[last].duree - modele.duree;
  if (e > 0 && last + 2 < n && s[last + 1].kind < 0) {
    int32_t debutSuivant = tick + s[last].duree;
    int32_t debut, fin;
    BornesMesure(score, debutSuivant, &debut, &fin);
    int32_t m = debutSuivant - debut < e ? debutSuivant - debut : e;
    if (m > 0) {
      s[last + 1].duree += m;
      s[last + 1].debut = -1;
      e -= m;
    }
  }
  Signe copie = modele;
  copie.flags &= uint16_t(~kSigneAccordSuite);
  if (!InsereRempli(staff, last + 1, copie)) return -1;
  s = GetSignesPortee(staff, &n);
  s[last].flags |= kSigneAccordSuite;
  int32_t index = last + 1;
  if (e > 0) {
    Signe r;
    RazSilence(&r, e, tick + modele.duree, true);
    InsereRempli(staff, index + 1, r);
  }
  InvalideNotesPortee(staff, first);
  return ReclasseNotesDansAccord(staff, index, 1);
}

int32_t AjouteNoteEnPosExacte(Portee** staff, const Signe* note, int32_t tick, int16_t fill, int16_t visible) {
  if (!staff || !note || note->duree < 1) return -1;
  if (tick < 0) tick = 0;
  Partition** score = (*staff)->partition;
  Signe modele = *note;
  modele.flags &= uint16_t(~(kSigneAccordSuite | kSigneModele));
  modele.debut = tick;
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  int32_t idx = CvtTempsEnIndexNote(staff, tick);
  int32_t st = GetTempsLastCvtTempsEnIndxNote();
  if (idx >= n) {
    idx = n;
    st = FinSignes(staff);
  }
  if (idx >= n && st <= tick) {
    // At the end: the gap is filled bar by bar, then the note is appended.
    int32_t pos = st;
    for (int32_t garde = 0; pos < tick && garde < kMaxMesuresComblees; garde++) {
      int32_t debut, fin;
      BornesMesure(score, pos, &debut, &fin);
      int32_t d = fin - pos < tick - pos ? fin - pos : tick - pos;
      Signe r;
      if (pos == debut && pos + d == fin && !fill) RazNote(&r, kSigneSilenceFantome, d);
      else RazSilence(&r, d, pos, visible != 0);
      GetSignesPortee(staff, &n);
      if (!InsereRempli(staff, n, r)) return -1;
      pos += d;
    }
    GetSignesPortee(staff, &n);
    if (pos != tick || !InsereRempli(staff, n, modele)) return -1;
    TraiteAjoutDureeSansDecaler(score, staff, n, tick, modele.duree, fill && visible);
    ViderCacheRecherche(staff);
    return n;
  }
  if (st < tick) {
    // A record covering the tick is cut there; its first part becomes a rest.
    Signe coupe;
    RazNote(&coupe, s[idx].kind, s[idx].duree - (tick - st));
    coupe.debut = tick;
    s[idx].kind = kSigneSilence;
    s[idx].duree = tick - st;
    if (!visible) s[idx].flags |= kSigneCache;
    if (!InsereRempli(staff, idx + 1, coupe)) return -1;
    idx++;
  } else if (st > tick) {
    // The tick lies inside the step of the chord before the record found.
    int32_t p = idx - 1;
    if (p < 0) return -1;
    s = GetSignesPortee(staff, &n);
    int32_t sp = CvtIndexNoteEnTemps(staff, p);
    s = GetSignesPortee(staff, &n);
    if (s[p].kind < 0) {
      s[p].duree = tick - sp;
      InvalideNotesPortee(staff, p);
    } else {
      Signe r;
      RazSilence(&r, tick - sp, sp, visible != 0);
      if (!InsereRempli(staff, p + 1, r)) return -1;
      GetSignesPortee(staff, &n)[p].flags |= kSigneAccordSuite;
      idx++;
    }
    Signe r;
    RazSilence(&r, st - tick, tick, visible != 0);
    if (!InsereRempli(staff, idx, r)) return -1;
  }
  s = GetSignesPortee(staff, &n);
  int32_t first = CalculeIndexNoteDebutAccord(staff, idx);
  int32_t last = FinAccord(s, n, first);
  int32_t resultat;
  if (first == last && s[first].kind < 0) {
    int32_t r = s[first].duree;
    if (r > modele.duree) {
      s[first].duree -= modele.duree;
      s[first].debut = -1;
      if (!InsereRempli(staff, first, modele)) return -1;
      resultat = first;
    } else if (s[first].kind == kSigneSilenceFantome || fill || r == modele.duree) {
      if (s[first].indexParamEffet >= 0) {
        DeleteRelatedGraphiques(staff, s[first].indexParamEffet);
        DeleteParamEffet(staff, s[first].indexParamEffet);
        s = GetSignesPortee(staff, &n);
      }
      s[first] = modele;
      InvalideNotesPortee(staff, first);
      TraiteAjoutDureeSansDecaler(score, staff, first, tick, modele.duree - r, visible && fill);
      resultat = first;
    } else {
      resultat = AjouteNoteDansAccordExact(staff, modele, tick, first, last);
    }
  } else {
    resultat = AjouteNoteDansAccordExact(staff, modele, tick, first, last);
  }
  ViderCacheRecherche(staff);
  return resultat;
}

int32_t AjouteNote(Portee** staff, const Signe* note, int32_t tick, int16_t fill) {
  if (!note || note->kind < 0) return -1;
  return AjouteNoteEnPosExacte(staff, note, tick, fill, 1);
}

int32_t InsereNoteBrut(Portee** staff, const Signe* note, int32_t tick) {
  if (!staff || !note || note->duree < 1) return -1;
  Partition** score = (*staff)->partition;
  Signe modele = *note;
  modele.debut = -1;
  modele.flags &= uint16_t(~(kSigneAccordSuite | kSigneModele));
  modele.touche = 1;
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  int32_t idx = CvtTempsEnIndexNote(staff, tick);
  int32_t st = GetTempsLastCvtTempsEnIndxNote();
  if (idx > n) idx = n;
  if (idx < n && st == tick && s[idx].kind != kSigneSilenceFantome) {
    int32_t r = InsereNoteDansAccord(staff, &modele, idx);
    if (r < 0) SysBeep(1);
    return r;
  }
  int32_t fin = FinSignes(staff);
  int32_t mesureNote = MesureDeTemps(score, tick);
  int32_t mesureFin = MesureDeTemps(score, fin);
  if (idx >= n && tick >= fin && mesureNote > mesureFin) {
    if (mesureNote - mesureFin > kMaxMesuresComblees) return -1;
    for (int32_t b = mesureFin; b < mesureNote; b++) {
      GetSignesPortee(staff, &n);
      if (!InsereSilencesFantomes(staff, n, 1, CvtMesureEnDureeMesure(score, b))) return -1;
    }
    GetSignesPortee(staff, &n);
    idx = n;
  } else {
    AjouteDureeDansMesure(staff, idx, modele.duree);
  }
  GetSignesPortee(staff, &n);
  if (idx > n) idx = n;
  if (!InsereRempli(staff, idx, modele)) return -1;
  CheckFinPortee(staff, nullptr);
  return idx;
}

int32_t InsereNote(Portee** staff, const Signe* note, int32_t tick) {
  if (!staff || !note) return -1;
  LyrastelPorteeACalculer(staff);
  if ((*staff)->type != kTypePorteeBatterie) return InsereNoteBrut(staff, note, tick);
  tick = tick / 2520 * 2520;
  Signe copie = *note;
  if (note->kind >= 0) {
    copie.kind = 0;
    copie.duree = 2520;
    int32_t index = AjouteNoteEnPosExacte(staff, &copie, tick, 1, 1);
    if (index < 0) return -1;
    ReduitSilences(staff, index, CvtIndexNoteEnTemps(staff, index));
    return index;
  }
  copie.duree = note->duree / 2520 * 2520;
  if (copie.duree == 0) copie.duree = 2520;
  int32_t index = InsereNoteBrut(staff, &copie, tick - 1);
  ReduitSilences(staff, 0, 0);
  int32_t n;
  GetSignesPortee(staff, &n);
  return index >= n ? -1 : index;
}

void ReduitSilences(Portee** staff, int32_t index, int32_t tick) {
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return;
  Partition** score = (*staff)->partition;
  int32_t i = index, t = tick;
  while (i < n) {
    if (s[i].kind < 0) {
      // A rest never takes part in a chord here; a drum chord of notes does.
      if (s[i].flags & kSigneAccordSuite) {
        BigBadError("QRVPOBJ", 1);
        s[i].flags &= uint16_t(~kSigneAccordSuite);
      }
      s[i].kind = kSigneSilence;
      int32_t debut, fin;
      BornesMesure(score, t, &debut, &fin);
      if (t + s[i].duree > fin) {
        Signe r;
        RazNote(&r, kSigneSilence, t + s[i].duree - fin);
        s[i].duree = fin - t;
        if (!InsereRempli(staff, i + 1, r)) return;
        s = GetSignesPortee(staff, &n);
      } else if (t + s[i].duree < fin && i + 1 < n && s[i + 1].kind < 0) {
        int32_t somme = s[i].duree + s[i + 1].duree;
        if (t + somme <= fin) {
          s[i].duree = somme;
          SupprimeSigne(staff, i + 1);
          s = GetSignesPortee(staff, &n);
          continue;  // the merged rest may take the next one too
        }
        s[i + 1].duree = somme - (fin - t);
        s[i].duree = fin - t;
      }
      t += s[i].duree;
      i++;
    } else {
      int32_t last = FinAccord(s, n, i);
      t += s[last].duree;
      i = last + 1;
    }
  }
  // Trailing rests that start on a bar line go.
  for (;;) {
    s = GetSignesPortee(staff, &n);
    if (!n || s[n - 1].kind >= 0 || (n > 1 && (s[n - 2].flags & kSigneAccordSuite))) break;
    int32_t debutDernier = CvtIndexNoteEnTemps(staff, n - 1);
    int32_t debut, fin;
    BornesMesure(score, debutDernier, &debut, &fin);
    if (debutDernier != debut) break;
    SupprimeSigne(staff, n - 1);
  }
  InvalideNotesPortee(staff, index);
}

// ---------------------------------------------------------------- notes across bar lines

// The longest value written with one head (plain, dotted or double-dotted,
// from a whole note down to 2520 ticks) that is not above the duration; 0 if none.
static int32_t ValeurEcrivable(int32_t duree) {
  for (int32_t base = 161280; base >= 2520; base /= 2) {
    if (base * 7 / 4 <= duree) return base * 7 / 4;
    if (base * 3 / 2 <= duree) return base * 3 / 2;
    if (base <= duree) return base;
  }
  return 0;
}

int16_t SupprimeLieNote(Portee** staff, int32_t index, const int32_t* limite) {
  Signe* r = SigneAt(staff, index);
  if (!r) return 0;
  Signe copie = *r;
  Partition** score = (*staff)->partition;
  int32_t t = CvtIndexNoteEnTemps(staff, index);
  int32_t debut, fin;
  BornesMesure(score, t, &debut, &fin);
  int32_t premiere = 0;
  if (limite) {
    int32_t reste = fin - t;
    if (copie.premierePartieLiee > 0 && int32_t(copie.premierePartieLiee) <= reste) {
      premiere = int32_t(copie.premierePartieLiee);
      reste -= premiere;
    }
    while (reste > 0 && premiere < copie.duree) {
      int32_t v = ValeurEcrivable(reste);
      if (v <= 0 || CvtTempsEnPixelRuban(score, t + premiere + v) > *limite) break;
      premiere += v;
      reste -= v;
    }
  } else {
    premiere = int32_t(copie.premierePartieLiee);
  }
  if (premiere <= 0 || premiere >= copie.duree || (copie.kind < 0 && copie.kind != kSigneSilence)) return 0;
  // The second part is written at its tick; the record itself then becomes
  // the first part, keeping its effects.
  Signe seconde = copie;
  seconde.duree = copie.duree - premiere;
  seconde.premierePartieLiee = 0;
  seconde.indexParamEffet = -1;
  seconde.touche = 1;
  bool silence = copie.kind < 0;
  if (silence) seconde.kind = 127;
  int32_t ajoute = AjouteNoteEnPosExacte(staff, &seconde, t + premiere, 1, 1);
  if (ajoute < 0) return 0;
  if (silence) {
    Signe* s2 = SigneAt(staff, ajoute);
    if (s2) s2->kind = kSigneSilence;
  }
  // Find the record again: it is the member of the chord at t holding the
  // original duration and pitch.
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  int32_t i0 = CalculeIndexNoteDebutAccord(staff, index < n ? index : n - 1);
  int32_t trouve = -1;
  for (int32_t i = i0; i < n && trouve < 0; i++) {
    if (s[i].duree == copie.duree && s[i].kind == copie.kind && s[i].indexParamEffet == copie.indexParamEffet)
      trouve = i;
    if (!(s[i].flags & kSigneAccordSuite)) break;
  }
  if (trouve < 0) return 1;
  s[trouve].duree = premiere;
  s[trouve].premierePartieLiee = 0;
  s[trouve].debut = -1;
  InvalideNotesPortee(staff, trouve);
  ReclasseNotesDansAccord(staff, trouve, 1);
  return 1;
}

void DeleteLiaisonsACheval(Partition** score, int16_t bar) {
  if (!score) return;
  int32_t tb = CvtMesureEnTemps(score, bar);
  int32_t limite = CvtTempsEnPixelRuban(score, tb);
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n;
    GetSignesPortee(staff, &n);
    // Every cut moves the crossing record's start forward, so a bounded
    // number of rescans always ends, whatever the records hold.
    int32_t coupes = 0, maxCoupes = 2 * n + 64;
    bool recommence = true;
    while (recommence && coupes < maxCoupes) {
      recommence = false;
      Signe* s = GetSignesPortee(staff, &n);
      int32_t t = 0;
      for (int32_t i = 0; i < n; i++) {
        if (t < tb && t + s[i].duree > tb && SupprimeLieNote(staff, i, &limite)) {
          coupes++;
          recommence = true;
          break;
        }
        if (!(s[i].flags & kSigneAccordSuite)) {
          t += s[i].duree;
          if (t >= tb) break;  // later records start at or after the bar line
        }
      }
    }
  }
}
