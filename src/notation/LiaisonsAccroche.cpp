#include "notation/LiaisonsAccroche.h"

#include <algorithm>
#include <unordered_set>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "notation/DecalagesAccord.h"
#include "notation/Nuplets.h"
#include "notation/SCleGraf.h"
#include "notation/TaillesPortee.h"
#include "notation/TraceLiaisons.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "system/Strings.h"
#include "text/Fontes.h"

namespace {

uint64_t Cle(Portee** staff, int32_t note) { return (uint64_t(uint16_t((*staff)->index)) << 32) | uint32_t(note); }

// The duration a note counts with: a note printed as tied pieces counts
// with its last piece.
int32_t DureeComptee(Portee** staff, int32_t note) {
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || note < 0 || note >= n) return 0;
  int32_t d = s[note].duree;
  Handle pieces = CvtNoteEnListeNotesLiees(staff, note);
  const int32_t k = pieces ? int32_t(GetHandleSize(pieces) / Size(sizeof(Signe))) : 0;
  if (k >= 2) d = reinterpret_cast<const Signe*>(*pieces)[k - 1].duree;
  if (pieces) DisposeHandle(pieces);
  return d;
}

int16_t BarresNote(Portee** staff, int32_t note) {
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || note < 0 || note >= n) return 0;
  const uint8_t tuplet = uint8_t(s[note].motTuplet & 0xFF);
  return GetNbBarresSelonDureeNote(DureeComptee(staff, note), tuplet);
}

// Chord members around a note: [first, last].
void BornesAccord(const Signe* s, int32_t n, int32_t note, int32_t* first, int32_t* last) {
  int32_t a = note, b = note;
  while (a > 0 && (s[a - 1].flags & kSigneAccordSuite)) a--;
  while (b + 1 < n && (s[b].flags & kSigneAccordSuite)) b++;
  *first = a;
  *last = b;
}

// Highest and lowest head y of the note's chord.
void ExtremesAccord(Portee** staff, int32_t note, bool ecran, int32_t* haut, int32_t* bas) {
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  int32_t a, b;
  BornesAccord(s, n, note, &a, &b);
  *haut = INT32_MAX;
  *bas = INT32_MIN;
  for (int32_t k = a; k <= b; k++) {
    if (GetSignesPortee(staff, &n)[k].kind < 0) continue;
    const int32_t y = ecran ? CvtIndexNoteEnPosEcranLin(staff, k) : CvtIndexNoteEnPosRubanLin(staff, k);
    *haut = std::min(*haut, y);
    *bas = std::max(*bas, y);
  }
  if (*haut > *bas)
    *haut = *bas = ecran ? CvtIndexNoteEnPosEcranLin(staff, note) : CvtIndexNoteEnPosRubanLin(staff, note);
}

bool QueueEnBas(Portee** staff, int32_t note) {
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  return s && note >= 0 && note < n && (s[note].flags & kSigneQueueEnBas);
}

// The piano-roll x of a note at the stem side of its head.
int32_t XRuban(Portee** staff, int32_t note) {
  Partition** score = (*staff)->partition;
  int64_t x = int64_t(CvtTempsEnPixelRuban(score, CvtIndexNoteEnTemps(staff, note))) +
              CalculeDecalageCorpsAccord(score, staff, note);
  if (!QueueEnBas(staff, note))
    x += (*staff)->largeurNoteRuban - std::max<int32_t>(1, CvtTaillePlumeZoom(kMGEpaisseurQueue, 288) / 4);
  return Sature32(x);
}

// The chain in x order.
int32_t ChaineTriee(Portee** staff, int32_t note, std::vector<MaillonAccroche>* out) {
  ListeChaineAccroche(staff, note, out);
  std::sort(out->begin(), out->end(), ClasseNotesAccroche);
  return int32_t(out->size());
}

int32_t YSurLigne(int32_t x, int32_t fx, int32_t fy, int32_t lx, int32_t ly) {
  if (lx == fx) return fy;
  return Sature32(int64_t(fy) + (int64_t(x) - fx) * (int64_t(ly) - fy) / (int64_t(lx) - fx));
}

}  // namespace

int16_t GetNbBarresSelonDureeNote(int32_t duration, uint8_t tuplet) {
  int64_t d = duration;
  const int n = tuplet & 0xF, m = tuplet >> 4;
  if (n >= 2 && m >= 2) d = d * n / m;
  if (d >= 645120) return -3;
  int32_t v = 645120;
  int16_t c = -4;
  while (v > d && v % 2 == 0) {
    v /= 2;
    c++;
  }
  return c < 0 ? int16_t(c + 1) : c;
}

bool IsNoteInAccord(const Signe* notes, int32_t index) {
  if (!notes || index < 0) return false;
  return (notes[index].flags & kSigneAccordSuite) || (index > 0 && (notes[index - 1].flags & kSigneAccordSuite));
}

// ---------------------------------------------------------------- chains

int32_t ListeChaineAccroche(Portee** staff, int32_t note, std::vector<MaillonAccroche>* out) {
  out->clear();
  int32_t n;
  if (!staff || !GetSignesPortee(staff, &n) || note < 0 || note >= n) return 0;
  std::unordered_set<uint64_t> vus;
  // Back to the first note, each note once.
  Portee** p = staff;
  int32_t i = note;
  vus.insert(Cle(p, i));
  while (int32_t(vus.size()) < kMaxChaineAccroche) {
    Portee** autre = nullptr;
    const uint32_t id = GetLiaisonDestNote(p, i, &autre, kLiaisonAccroche);
    if (!id || !autre) break;
    const int32_t j = LocIdLiaisonSource(autre, id, p, kLiaisonAccroche);
    if (j < 0 || !vus.insert(Cle(autre, j)).second) break;
    p = autre;
    i = j;
  }
  // Forward to the last.
  vus.clear();
  for (;;) {
    vus.insert(Cle(p, i));
    out->push_back(MaillonAccroche{p, i, XRuban(p, i)});
    if (int32_t(out->size()) >= kMaxChaineAccroche) break;
    Portee** autre = nullptr;
    const uint32_t id = GetLiaisonSourceNote(p, i, &autre, kLiaisonAccroche);
    if (!id || !autre) break;
    const int32_t j = LocIdLiaisonDest(autre, id, p, kLiaisonAccroche);
    if (j < 0 || vus.count(Cle(autre, j))) break;
    p = autre;
    i = j;
  }
  if (out->size() < 2) out->clear();
  return int32_t(out->size());
}

bool ClasseNotesAccroche(const MaillonAccroche& a, const MaillonAccroche& b) {
  if (a.x != b.x) return a.x < b.x;
  if ((*a.staff)->index != (*b.staff)->index) return (*a.staff)->index < (*b.staff)->index;
  return a.note < b.note;
}

int32_t GetNoteFirstLastLiaisonAccroche(Portee** staff, int32_t note, Portee*** firstStaff, int32_t* firstNote,
                                        Portee*** lastStaff, int32_t* lastNote, uint8_t* tuplet) {
  std::vector<MaillonAccroche> c;
  ListeChaineAccroche(staff, note, &c);
  if (firstStaff) *firstStaff = c.empty() ? nullptr : c.front().staff;
  if (firstNote) *firstNote = c.empty() ? -1 : c.front().note;
  if (lastStaff) *lastStaff = c.empty() ? nullptr : c.back().staff;
  if (lastNote) *lastNote = c.empty() ? -1 : c.back().note;
  if (tuplet) {
    *tuplet = 0;
    for (const MaillonAccroche& m : c) {
      int32_t n;
      const uint8_t t = uint8_t(GetSignesPortee(m.staff, &n)[m.note].motTuplet & 0xFF);
      if (t & 0xEE) *tuplet = 1;
    }
  }
  return int32_t(c.size());
}

int16_t ReclasseLiaisonsAccroche(Portee** staff, int32_t index) {
  std::vector<MaillonAccroche> c;
  if (ListeChaineAccroche(staff, index, &c) < 2) return 0;
  // A chain that comes back to one of its notes is relinked too: its last
  // note's link goes back into the chain.
  Portee** autre = nullptr;
  const uint32_t dernier = GetLiaisonSourceNote(c.back().staff, c.back().note, &autre, kLiaisonAccroche);
  const bool boucle = dernier && autre && LocIdLiaisonDest(autre, dernier, c.back().staff, kLiaisonAccroche) >= 0;
  if (!boucle && std::is_sorted(c.begin(), c.end(), ClasseNotesAccroche)) return 1;
  // The shapes stay with their notes; the links follow the new order.
  std::vector<DataAccroche> formes(c.size());
  for (size_t k = 0; k < c.size(); k++) GetDataAccrocheNote(c[k].staff, c[k].note, &formes[k]);
  std::sort(c.begin(), c.end(), ClasseNotesAccroche);
  Partition** score = (*staff)->partition;
  uint32_t precedent = 0;
  for (size_t k = 0; k < c.size(); k++) {
    ParamEffet* e = GetParamEffetIndexNote(c[k].staff, c[k].note);
    if (!e) return 0;
    e->accroche.idDest = precedent;
    e->accroche.porteeDest = k > 0 ? uint16_t((*c[k - 1].staff)->index) : uint16_t(0xFFFF);
    if (k + 1 < c.size()) {
      precedent = NewIdLiaison(score);
      e = GetParamEffetIndexNote(c[k].staff, c[k].note);
      e->accroche.idSource = precedent;
      e->accroche.porteeSource = uint16_t((*c[k + 1].staff)->index);
    } else {
      e->accroche.idSource = 0;
      e->accroche.porteeSource = 0xFFFF;
    }
  }
  return 1;
}

void CalculeNbBarresDefautLiaisonAccroche(Portee** staffA, int32_t noteA, Portee** staffB, int32_t noteB,
                                          DataAccroche* data) {
  if (!staffA || !staffB || !data) return;
  // Each half takes the beams of the note it reaches from; the halves meet
  // nearer the note with fewer beams.
  const int16_t a = std::max<int16_t>(0, BarresNote(staffA, noteA));
  const int16_t b = std::max<int16_t>(0, BarresNote(staffB, noteB));
  data->forme[1] = uint16_t(a);
  data->forme[2] = uint16_t(b);
  data->forme[0] = a == b ? 50 : b > a ? 75 : 25;
}

// ---------------------------------------------------------------- geometry

int32_t AppliqueOffsetTige(Portee** staff, int32_t note, bool tablature, bool ecran, int32_t y) {
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || note < 0 || note >= n) return y;
  const Signe sign = s[note];
  int32_t haut, bas;
  ExtremesAccord(staff, note, ecran, &haut, &bas);
  int32_t tige = 0;
  if (!tablature)
    tige = ecran ? GetTailleEcranTigeNote(staff, &sign, note, 0) : GetTailleRubanTigeNote(staff, &sign, note);
  const int64_t d = int64_t(bas - haut) + tige;
  return Sature32((sign.flags & kSigneQueueEnBas) ? y + d : y - d);
}

bool AncreAccroche(Portee** staff, int32_t note, bool tablature, bool ecran, BigPt* out) {
  if (!GetCoordonneesTeteNoteAccroche(staff, note, tablature, ecran, false, out)) return false;
  int32_t haut, bas;
  ExtremesAccord(staff, note, ecran, &haut, &bas);
  const bool bas_ = QueueEnBas(staff, note);
  out->y = bas_ ? haut : bas;
  if (!bas_) {
    const int32_t tete = ecran ? (*staff)->largeurTete : (*staff)->largeurNoteRuban;
    out->x = Sature32(int64_t(out->x) + tete - std::max<int32_t>(1, CvtTaillePlumeZoom(kMGEpaisseurQueue, 288) / 4));
  }
  return true;
}

int16_t GetPosFirstLastLiaisonAccroche(Portee** staff, int32_t note, bool tablature, bool ecran, int32_t* firstX,
                                       int32_t* firstY, int32_t* lastX, int32_t* lastY) {
  std::vector<MaillonAccroche> c;
  if (ChaineTriee(staff, note, &c) < 2) return 0;
  BigPt f, l;
  if (!AncreAccroche(c.front().staff, c.front().note, tablature, ecran, &f)) return 0;
  if (!AncreAccroche(c.back().staff, c.back().note, tablature, ecran, &l)) return 0;
  if (firstX) *firstX = f.x;
  if (firstY) *firstY = AppliqueOffsetTige(c.front().staff, c.front().note, tablature, ecran, f.y);
  if (lastX) *lastX = l.x;
  if (lastY) *lastY = AppliqueOffsetTige(c.back().staff, c.back().note, tablature, ecran, l.y);
  return 1;
}

bool CalculeCoordonneesAccroche(Portee** staff, int32_t note, bool tablature, bool ecran, BigPt* start, BigPt* control,
                                BigPt* end, Portee*** farStaff, int32_t* farNote) {
  DataAccroche d;
  if (!staff || !GetDataAccrocheNote(staff, note, &d)) return false;
  std::vector<MaillonAccroche> c;
  if (ChaineTriee(staff, note, &c) < 2) return false;
  size_t k = 0;
  while (k < c.size() && !(c[k].staff == staff && c[k].note == note)) k++;
  if (k + 1 >= c.size()) return false;
  BigPt a, b, f, l;
  if (!AncreAccroche(staff, note, tablature, ecran, &a) ||
      !AncreAccroche(c[k + 1].staff, c[k + 1].note, tablature, ecran, &b) ||
      !AncreAccroche(c.front().staff, c.front().note, tablature, ecran, &f) ||
      !AncreAccroche(c.back().staff, c.back().note, tablature, ecran, &l))
    return false;
  const int32_t fy = AppliqueOffsetTige(c.front().staff, c.front().note, tablature, ecran, f.y);
  const int32_t ly = AppliqueOffsetTige(c.back().staff, c.back().note, tablature, ecran, l.y);
  control->x = Sature32(int64_t(a.x) + int64_t(float(b.x - a.x) * float(d.forme[0]) * 0.01f));
  if (f.x == l.x) {
    a.y = fy;
    b.y = ly;
    control->y = Sature32((int64_t(fy) + ly) / 2);
  } else {
    a.y = YSurLigne(a.x, f.x, fy, l.x, ly);
    b.y = YSurLigne(b.x, f.x, fy, l.x, ly);
    control->y = YSurLigne(control->x, f.x, fy, l.x, ly);
  }
  *start = a;
  *end = b;
  if (farStaff) *farStaff = c[k + 1].staff;
  if (farNote) *farNote = c[k + 1].note;
  return true;
}

// ---------------------------------------------------------------- drawing

namespace {

uint8_t OctetTuplet(const MaillonAccroche& m) {
  int32_t n;
  return uint8_t(GetSignesPortee(m.staff, &n)[m.note].motTuplet & 0xFF);
}

}  // namespace

void TraceTupletsAccroche(const std::vector<MaillonAccroche>& chaine, bool tablature, int32_t dx, bool dessous) {
  if (chaine.size() < 2) return;
  BigPt f, l;
  const MaillonAccroche &premier = chaine.front(), &dernier = chaine.back();
  if (!AncreAccroche(premier.staff, premier.note, tablature, true, &f) ||
      !AncreAccroche(dernier.staff, dernier.note, tablature, true, &l))
    return;
  const int32_t fy = AppliqueOffsetTige(premier.staff, premier.note, tablature, true, f.y);
  const int32_t ly = AppliqueOffsetTige(dernier.staff, dernier.note, tablature, true, l.y);
  // The port's text and pen come back as they were.
  GrafPtr port;
  GetPort(&port);
  const int16_t police = GetPortTextFont(port), taille = GetPortTextSize(port);
  const uint8_t face = GetPortTextFace(port);
  PenState plume;
  GetPenState(&plume);
  // Runs of notes of one ratio; each run of two or more gets its mark from
  // its first stem tip to its last, on the beam line.
  size_t i = 0;
  while (i < chaine.size()) {
    const uint8_t t = OctetTuplet(chaine[i]);
    size_t j = i + 1;
    while (j < chaine.size() && OctetTuplet(chaine[j]) == t) j++;
    BigPt a, b;
    if ((t & 0xEE) && j - i >= 2 && AncreAccroche(chaine[i].staff, chaine[i].note, tablature, true, &a) &&
        AncreAccroche(chaine[j - 1].staff, chaine[j - 1].note, tablature, true, &b)) {
      Portee** p = chaine[i].staff;
      int32_t n;
      const Signe s = GetSignesPortee(p, &n)[chaine[i].note];
      QueueEntry q{};
      q.tuplet = uint16_t(s.motTuplet | kTupletCrochet);
      q.tupletCrochet = kCrochetTupletDefaut;
      const int16_t unite = (*p)->aspect.tailleUnite > 0 ? int16_t((*p)->aspect.tailleUnite) : int16_t(72);
      TextFontMusicale(p, int16_t(int32_t(unite) * (s.taille ? s.taille : 100) / 100));
      SetForeColorSigne(p, int16_t(s.couleur));
      const int32_t ya = f.x == l.x ? fy : YSurLigne(a.x, f.x, fy, l.x, ly);
      const int32_t yb = f.x == l.x ? ly : YSurLigne(b.x, f.x, fy, l.x, ly);
      TraceMultipleTuplet(1, Sature16(int64_t(a.x) + dx), Sature16(ya), Sature16(int64_t(b.x) + dx), Sature16(yb),
                          dessous ? 1 : 0, (*p)->largeurTete, &q);
    }
    i = j;
  }
  SetPenState(&plume);
  TextFont(police);
  TextSize(taille);
  TextFace(face);
}

void TraceTige(Portee** staff, const Signe* sign, int32_t x, int32_t headY, int32_t tipY) {
  if (!staff || !sign || sign->kind < 0) return;
  if (sign->duree >= 80640 && sign->formeTete == 26) return;
  SetForeColorSigne(staff, int16_t(sign->couleur));
  FixeEpaisseurCouleur(kMGEpaisseurQueue, kMGEpaisseurQueue, 288, -1);
  const uint8_t bas = (sign->flags & kSigneQueueEnBas) ? 1 : 0;
  MoveTo(Sature16(x), Sature16(int64_t(headY) + GetOffsetYEcranTigeFnCorps(sign->formeTete, bas, 0)));
  LineTo(Sature16(x), Sature16(tipY));
}

void TraceAccrocheBrut(Portee** staff, int32_t note, bool tablature, int32_t dx, BigPt start, BigPt control,
                       BigPt end) {
  DataAccroche d;
  if (!GetDataAccrocheNote(staff, note, &d)) return;
  std::vector<MaillonAccroche> c;
  if (ChaineTriee(staff, note, &c) < 2) return;
  size_t k = 0;
  while (k < c.size() && !(c[k].staff == staff && c[k].note == note)) k++;
  if (k + 1 >= c.size()) return;
  const bool premierEnBas = QueueEnBas(c.front().staff, c.front().note);
  const bool autreCote = (d.forme[6] & 1) != 0;
  const bool queueEnBas = QueueEnBas(staff, note);

  // Beams on the other side of the stems leave room for those of the
  // nearest links drawn on their own side.
  if (autreCote) {
    int32_t nb = 0, ep = 0, ec = 0;
    for (size_t m = k; m-- > 0;) {
      DataAccroche v;
      if (GetDataAccrocheNote(c[m].staff, c[m].note, &v) && !(v.forme[6] & 1)) {
        nb = v.forme[2], ep = v.forme[3], ec = v.forme[4];
        break;
      }
    }
    for (size_t m = k + 1; m < c.size(); m++) {
      DataAccroche v;
      if (GetDataAccrocheNote(c[m].staff, c[m].note, &v) && !(v.forme[6] & 1)) {
        if (v.forme[1] > nb) nb = v.forme[1], ep = v.forme[3], ec = v.forme[4];
        break;
      }
    }
    const int32_t decalage =
        nb > 1 ? (CvtTaillePlumeZoom(ep, 288) + CvtTaillePlumeZoom(ec, 288)) * (nb - 1) * (queueEnBas ? 1 : -1) : 0;
    start.y += decalage;
    control.y += decalage;
    end.y += decalage;
  }

  const bool vers_haut = autreCote != premierEnBas;
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  SetForeColorSigne(staff, int16_t(s[note].couleur));
  const int16_t gauche = int16_t(std::max<int>(0, d.forme[1])), droite = int16_t(std::max<int>(0, d.forme[2]));
  const int16_t ep = int16_t(d.forme[3]), ec = int16_t(d.forme[4]);
  const int32_t retrait = Zoom(d.forme[5]);
  if (gauche > 0)
    TraceBarres(ep, ec, gauche, Sature16(int64_t(start.x) + retrait), Sature16(start.y), Sature16(control.x),
                Sature16(control.y), vers_haut ? 1 : 0);
  if (droite > 0)
    TraceBarres(ep, ec, droite, Sature16(control.x), Sature16(control.y), Sature16(int64_t(end.x) - retrait),
                Sature16(end.y), vers_haut ? 1 : 0);

  // The stems of the two notes reach the beam line; a stem that points away
  // from the beam is drawn toward it (the notes keep their own direction).
  auto tige = [&](Portee** p, int32_t i, int32_t yBeam) {
    BigPt h;
    if (!AncreAccroche(p, i, tablature, true, &h)) return;
    int32_t m;
    Signe sg = GetSignesPortee(p, &m)[i];
    const bool bas = (sg.flags & kSigneQueueEnBas) != 0;
    if (bas != (yBeam > h.y)) {
      sg.flags = uint16_t(yBeam > h.y ? (sg.flags | kSigneQueueEnBas) : (sg.flags & ~kSigneQueueEnBas));
      int32_t haut, basY;
      ExtremesAccord(p, i, true, &haut, &basY);
      h.y = yBeam > h.y ? haut : basY;
    }
    TraceTige(p, &sg, Sature32(int64_t(h.x) + dx), h.y, yBeam);
  };
  tige(staff, note, start.y);
  tige(c[k + 1].staff, c[k + 1].note, end.y);

  // The chain's first link marks its tuplets.
  if (k == 0) TraceTupletsAccroche(c, tablature, dx, premierEnBas);
}
