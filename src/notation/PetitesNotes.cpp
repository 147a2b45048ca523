#include "notation/PetitesNotes.h"

#include <algorithm>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/Alterations.h"
#include "notation/DecalagesAccord.h"
#include "notation/DessinCorps.h"
#include "notation/Queues.h"
#include "notation/SCleGraf.h"
#include "notation/SilencesFantomes.h"
#include "notation/TaillesPortee.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "text/Fontes.h"

namespace {

constexpr int32_t kNoire = 40320;
// A pitch word of an ornament that stands for no note.
constexpr int16_t kHauteurAucune = 127;
// Marks whose colour the notes of an ornament take: trills and turns (35 is neither).
constexpr uint8_t kPremiereMarkOrnement = 29, kDerniereMarkOrnement = 39, kMarkHorsOrnement = 35;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }
float Interligne(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }
int16_t Unite(Portee** staff) {
  return (*staff)->aspect.tailleUnite > 0 ? int16_t((*staff)->aspect.tailleUnite) : int16_t(72);
}

// The effects record of a note by its index in the staff's list, when in use.
const ParamEffet* ParamEffetIndex(Portee** staff, uint16_t effectIndex) {
  int32_t n = 0;
  const ParamEffet* e = GetParamEffetsPortee(staff, &n);
  if (!e || int32_t(effectIndex) >= n || e[effectIndex].libre) return nullptr;
  return e + effectIndex;
}

void Ajoute(GraceEntry* table, int16_t* count, const GraceEntry& g) {
  if (*count < kMaxGraceEntries) table[(*count)++] = g;
}

// The tables from the effects record `e` of a note.
int16_t Tables(Portee** staff, const ParamEffet* e, const Signe* sign, int32_t index, uint8_t withOrnaments,
               int16_t* nAvant, int16_t* nApres, GraceEntry* avant, GraceEntry* apres) {
  *nAvant = *nApres = 0;
  if (!e || !sign) return 0;
  if (!e->sansGraces) {
    for (int k = 0; k < kNbGraceNotes && e->graces[k].utilise; k++) {
      const GraceNote& g = e->graces[k];
      const GraceEntry entree{uint16_t(k), g.decalage, g.decalageDuree, g.alteration,
                              g.accord,    0,          g.liaison,       sign->couleur};
      if (g.apres) Ajoute(apres, nApres, entree);
      else Ajoute(avant, nAvant, entree);
    }
  }
  if (withOrnaments && (e->trille || e->ornement)) {
    uint16_t couleur = sign->couleur;
    if (e->marks) {
      const Mark* m = reinterpret_cast<const Mark*>(*e->marks);
      for (int16_t i = 0, n = GetNbMarks(e->marks); i < n; i++)
        if (m[i].code >= kPremiereMarkOrnement && m[i].code <= kDerniereMarkOrnement &&
            m[i].code != kMarkHorsOrnement && m[i].couleur != 0)
          couleur = m[i].couleur;
    }
    // The ornament's pitches are worked out for this note; the record may move.
    const uint8_t trille = e->trille, ornement = e->ornement;
    const int32_t ie = sign->indexParamEffet;
    PrepareParamEffetsSigne(staff, sign, index);
    int32_t n = 0;
    const ParamEffet* tous = GetParamEffetsPortee(staff, &n);
    if (tous && ie >= 0 && ie < n) e = tous + ie;
    if (trille) {
      const int16_t p = e->ornementDecalage;
      for (int16_t h : {p, int16_t(0), p})
        Ajoute(apres, nApres, GraceEntry{kNbGraceNotes, h, 0, kAlterationAucune, 0, 0, 0, couleur});
    }
    if (ornement) {
      for (int16_t h : e->ornementAlterations)
        if (h != kHauteurAucune)
          Ajoute(avant, nAvant, GraceEntry{kNbGraceNotes, h, 0, kAlterationAucune, 0, 0, 0, couleur});
    }
  }
  return *nAvant + *nApres > 0 ? 1 : 0;
}

// Pixels between two ticks in the staff's spacing.
int32_t EcartTemps(Partition** score, Portee** staff, int32_t from, int32_t to) {
  if (!score) return 0;
  if (IsModeZorodava(score, staff))
    return ZorodavaCvtTempsEnPixelEcran(score, to) - ZorodavaCvtTempsEnPixelEcran(score, from);
  return CvtTempsEnPixelEcran(score, to) - CvtTempsEnPixelEcran(score, from);
}

// The note walk's scratch state (stem group, head table, beam pen, the
// staff's bar cutting, the font and colour) put aside for the time a series
// draws its own chords, and given back however the series ends.
class EtatTraceNotes {
 public:
  explicit EtatTraceNotes(Portee** staff) : staff_(staff) {
    inDrawGrace_ = inDrawGrace;
    inDrawGrace = 1;
    nbQueue_ = nbQueue;
    if (nbQueue_ > 0) {
      OSErr err = 0;
      queues_ = TempNewHandle(Size(nbQueue_) * Size(sizeof(QueueEntry)), &err);
      if (!queues_) {
        // Nothing was touched but the grace flag: the walk's state stands.
        nbQueue_ = -1;
        return;
      }
      std::memcpy(*queues_, TabQueue, size_t(nbQueue_) * sizeof(QueueEntry));
    }
    tabCorps_ = TabCorps;
    nbCorps_ = nbCorps;
    nbCorpsGranuleux_ = nbCorpsGranuleux;
    TabCorps = nullptr;
    nbCorps = nbCorpsGranuleux = 0;
    sansDecoupe_ = (*staff)->sansDecoupeMesure;
    (*staff)->sansDecoupeMesure = 1;
    nbQueue = 0;
    largeurBarre_ = LargeurBarre;
    ecartBarre_ = EcartBarre;
    lastnBarres_ = LastnBarres;
    lastColonne_ = LastColonne;
    lastLigne_ = LastLigne;
    lastColDest_ = LastColDest;
    lastLinDest_ = LastLinDest;
    lastSens_ = LastSens;
    minBarres_ = minBarresInTabQueue;
    minDecoupe_ = minNbBarresDecoupe;
    GetForeColor(&couleur_);
    valide_ = true;
  }
  ~EtatTraceNotes() {
    if (valide_) {
      LibereTabCorps();
      TabCorps = tabCorps_;
      nbCorps = nbCorps_;
      nbCorpsGranuleux = nbCorpsGranuleux_;
      if (queues_) std::memcpy(TabQueue, *queues_, size_t(nbQueue_) * sizeof(QueueEntry));
      nbQueue = nbQueue_;
      (*staff_)->sansDecoupeMesure = sansDecoupe_;
      LargeurBarre = largeurBarre_;
      EcartBarre = ecartBarre_;
      LastnBarres = lastnBarres_;
      LastColonne = lastColonne_;
      LastLigne = lastLigne_;
      LastColDest = lastColDest_;
      LastLinDest = lastLinDest_;
      LastSens = lastSens_;
      minBarresInTabQueue = minBarres_;
      minNbBarresDecoupe = minDecoupe_;
      TextFontMusicale(staff_, Unite(staff_));
      RGBForeColor(&couleur_);
    }
    if (queues_) {
      OSErr err = 0;
      TempDisposeHandle(queues_, &err);
    }
    inDrawGrace = inDrawGrace_;
  }
  EtatTraceNotes(const EtatTraceNotes&) = delete;
  EtatTraceNotes& operator=(const EtatTraceNotes&) = delete;
  bool Valide() const { return valide_; }

 private:
  Portee** staff_;
  bool valide_ = false;
  uint8_t inDrawGrace_ = 0;
  int16_t nbQueue_ = 0;
  Handle queues_ = nullptr;
  CorpsEntry** tabCorps_ = nullptr;
  int16_t nbCorps_ = 0, nbCorpsGranuleux_ = 0;
  uint8_t sansDecoupe_ = 0;
  int16_t largeurBarre_ = 0, ecartBarre_ = 0;
  int16_t lastnBarres_ = 0, lastColonne_ = 0, lastLigne_ = 0, lastColDest_ = 0, lastLinDest_ = 0;
  uint8_t lastSens_ = 0;
  int16_t minBarres_ = 0, minDecoupe_ = 0;
  RGBColor couleur_{};
};

// A temporary handle freed at the end of its scope.
struct HandleTemporaire {
  Handle h = nullptr;
  explicit HandleTemporaire(Size size) {
    OSErr err = 0;
    if (size > 0) h = TempNewHandle(size, &err);
  }
  ~HandleTemporaire() {
    if (h) {
      OSErr err = 0;
      TempDisposeHandle(h, &err);
    }
  }
  HandleTemporaire(const HandleTemporaire&) = delete;
  HandleTemporaire& operator=(const HandleTemporaire&) = delete;
};

// Room a chord's shown accidentals take left of its heads, measured as one
// column (the measuring run knows their codes, not their places).
int32_t LargeurAlterations(Portee** staff, int16_t taille) {
  int32_t largeur = 0;
  for (int32_t j = 0; j < nbCorps; j++) {
    const CorpsEntry& c = (*TabCorps)[j];
    if (c.alteration == kAlterationAucune) continue;
    static const uint8_t glyphes[6] = {110, 35, 0, 98, 220, 186};
    TextFontMusicale(staff, taille);
    int32_t l = CharWidthCaractereMusical(glyphes[std::min<uint8_t>(c.alteration, 5)]) + Zoom(1);
    if (c.parentheses) l += CharWidthCaractereMusical(40) + CharWidthCaractereMusical(41);
    largeur = std::max(largeur, l);
  }
  return largeur;
}

}  // namespace

int16_t CalculeTabGraceNotes(Portee** staff, const Signe* sign, int32_t index, uint8_t withOrnaments,
                             int16_t* beforeCount, int16_t* afterCount, GraceEntry* beforeTable,
                             GraceEntry* afterTable) {
  int16_t na = 0, np = 0;
  GraceEntry avant[kMaxGraceEntries], apres[kMaxGraceEntries];
  const int16_t r =
      staff && sign ? Tables(staff, GetParamEffetNote(staff, sign), sign, index, withOrnaments, &na, &np, avant, apres)
                    : int16_t(0);
  if (beforeCount) *beforeCount = na;
  if (afterCount) *afterCount = np;
  if (beforeTable) std::copy(avant, avant + na, beforeTable);
  if (afterTable) std::copy(apres, apres + np, afterTable);
  return r;
}

int16_t TraceSeriePetitesNotes(Portee** staff, uint8_t, const ParamEffet* effect, int32_t x, const Signe* sign,
                               int32_t noteX, int32_t noteY, GraceEntry* table, int16_t count, uint8_t after,
                               uint8_t draw, const Point* hitPoint, uint8_t, uint8_t placed) {
  if (!staff || !effect || !sign || !table || count <= 0) return -1;
  count = std::min<int16_t>(count, kMaxGraceEntries);
  const int32_t valeur = kNoire * effect->quatreOctets[kGraceOctetDuree] / 64;
  const bool coule = effect->quatreOctets[kGraceOctetCoule] != 0;
  const bool barre = effect->quatreOctets[kGraceOctetBarre] != 0;
  const uint8_t enBas = effect->quatreOctets[kGraceOctetQueueEnBas] ? 1 : 0;
  const bool lierTout = effect->graceLierTout != 0;
  const float il = Interligne(staff);

  EtatTraceNotes etat(staff);
  if (draw) x -= after || enBas ? Zoom(2) : Zoom(4);
  RazExtremitesGrace();
  if (!etat.Valide()) return -1;
  HandleTemporaire memoire(Size(count) * Size(sizeof(Signe)));
  if (!memoire.h) return -1;
  Signe* signes = reinterpret_cast<Signe*>(*memoire.h);

  // The series as notes: a chord goes on while its entries say so, and every
  // chord but the last is beamed to the next when shorter than a quarter.
  int16_t dernierAccord = 0;
  for (int16_t i = 1; i < count; i++)
    if (!(table[i - 1].accord & 1)) dernierAccord = i;
  const uint8_t taille = uint8_t(std::clamp<int32_t>(
      (GModeGraphique.pourcentGraces > 0 ? GModeGraphique.pourcentGraces : kMGPourcentGraces) * sign->taille / 100, 1,
      255));
  for (int16_t i = 0; i < count; i++) {
    const GraceEntry& g = table[i];
    const int32_t decalage = std::clamp<int32_t>(g.decalageDuree, 0, 30);
    const int32_t duree = std::max<int32_t>(1, valeur >> decalage);
    Signe& s = signes[i];
    RazNote(&s, int8_t(std::clamp<int32_t>(g.hauteur, 0, 127)), duree);
    s.flags = enBas ? kSigneQueueEnBas : 0;
    if (i < dernierAccord && duree < kNoire) s.flags |= kSigneAccroche;
    if ((g.accord & 1) && i + 1 < count) s.flags |= kSigneAccordSuite;
    if (g.flags & 1) s.flags |= kSigneDemiEspace;
    s.couleur = g.couleur;
    s.taille = taille;
    s.alteration = g.alteration;
  }

  HandleTemporaire rects(hitPoint ? Size(count) * 8 : 0);
  int16_t touche = -1;
  int32_t xCourant = x;
  for (int32_t i = 0; i < count;) {
    const int32_t debut = i;
    int32_t xa = placed ? x + table[debut].x : xCourant;
    TraceCorpsAccord(staff, xa, kXRefAucun, signes, &i, count, positionNoteGraced, -1, draw, enBas, 0, 0,
                     &Note2EcrGraceNotes, 65535, 1, 0, hitPoint ? rects.h : nullptr, 0);
    if (i <= debut) break;
    // The chord's right edge: its widest head.
    int32_t droite = XMaxTraceGrace;
    for (int32_t j = 0; j < nbCorps; j++) {
      const CorpsEntry& c = (*TabCorps)[j];
      droite = std::max(droite, int32_t(c.x) + (*staff)->largeurTete * int32_t(c.taille) / 100);
    }
    if (!placed) {
      // Past the chord before, with room for this chord's accidentals.
      const int32_t place = debut > 0 ? LargeurAlterations(staff, S16(int32_t(Unite(staff)) * taille / 100)) : 0;
      xa += place;
      droite += place;
      for (int32_t k = debut; k < i; k++) table[k].x = S16(xa - x);
      xCourant = droite + Zoom(1);
    }
    XMaxTraceGrace = std::max(XMaxTraceGrace, droite);
    if (hitPoint && rects.h && touche < 0) {
      const Rect* r = reinterpret_cast<const Rect*>(*rects.h);
      for (int32_t k = debut; k < i; k++)
        if (PtInRect(*hitPoint, &r[k - debut])) touche = int16_t(table[k].slot);
    }
  }

  // Stems and beams, thinner than the staff's.
  const int16_t epaisseur = (*staff)->epaisseurBarre ? int16_t((*staff)->epaisseurBarre) : int16_t(12);
  const int16_t ecart = (*staff)->ecartBarre ? int16_t((*staff)->ecartBarre) : int16_t(6);
  LargeurBarre = std::max<int16_t>(1, epaisseur / 2);
  EcartBarre = std::max<int16_t>(1, ecart / 2);
  if (nbQueue >= 2 && lierTout) {
    int32_t pointe = enBas ? INT32_MIN : INT32_MAX;
    for (int16_t k = 0; k < nbQueue; k++)
      pointe = enBas ? std::max(pointe, TabQueue[k].extremiteBas) : std::min(pointe, TabQueue[k].extremiteHaut);
    for (int16_t k = 0; k < nbQueue; k++) (enBas ? TabQueue[k].extremiteBas : TabQueue[k].extremiteHaut) = pointe;
  }
  for (int16_t k = 0; k < nbQueue;) {
    int16_t fin = k;
    while (fin < nbQueue - 1 && TabQueue[fin].barreSuivante) fin++;
    TraceQueue(staff, k, fin, draw, nullptr);
    k = int16_t(fin + 1);
  }

  // The slash across a lone stem, near its flag.
  if (draw && nbQueue == 1 && barre) {
    const QueueEntry& q = TabQueue[0];
    const int32_t y0 = q.extremiteHaut, bord = XMaxTraceGrace, w = q.largeurTete;
    SetForeColorSigne(staff, int16_t(sign->couleur));
    const int16_t plume = int16_t(std::max<int32_t>(1, int32_t(GModeGraphique.slot[26]) * GetDpiDest() / 288));
    PenSize(plume, plume);
    if (enBas) {
      MoveTo(S16(bord - 2 * w), S16(y0));
      LineTo(S16(bord + Zoom(2)), S16(y0 + int32_t(il)));
    } else {
      MoveTo(S16(bord + w), S16(y0 + int32_t(0.5f * il)));
      LineTo(S16(bord - Zoom(2)), S16(y0 + int32_t(1.5f * il)));
    }
    PenSize(1, 1);
  }

  // The slur from the series to the main note, on the side away from the stems.
  if (draw && coule && XMaxTraceGrace > 0 && XMaxTraceGrace >= XMinTraceGrace) {
    const int32_t x1 = (XMinTraceGrace + XMaxTraceGrace) / 2;
    const int32_t y1 = enBas ? YMinTraceGrace - int32_t(il / 2) : YMaxTraceGrace + int32_t(il / 2);
    const int32_t cx = (x1 + noteX) / 2;
    const int32_t cy = enBas ? std::min(y1, noteY) - int32_t(il / 2) : std::max(y1, noteY) + int32_t(il / 2);
    SetForeColorSigne(staff, int16_t(sign->couleur));
    TraceLiaisonCoule(0, S16(x1), S16(y1), S16(noteX), S16(noteY), S16(cx), S16(cy), S16(Zoom(kMGEpaisseurCouleGraces)),
                      0.0f);
  }
  return touche;
}

int16_t TraceGraceNotes(Portee** staff, uint8_t drawMode, int32_t x, uint8_t shiftLeft, int32_t noteY, int32_t index,
                        const Signe* sign, uint16_t effectIndex, const Point* hitPoint, uint8_t hitMode) {
  if (!staff || !sign || sign->taille == 0 || sign->kind < 0) return -1;
  int32_t n = 0;
  if (!GetSignesPortee(staff, &n) || index < 0 || index >= n) return -1;
  const ParamEffet* e = ParamEffetIndex(staff, effectIndex);
  int16_t na = 0, np = 0;
  GraceEntry avant[kMaxGraceEntries], apres[kMaxGraceEntries];
  if (!Tables(staff, e, sign, index, 0, &na, &np, avant, apres)) return -1;
  // The record stays put while the series draw: nothing here adds effects.
  const int32_t decalageX = Zoom(e->graceDecalageX);
  const int32_t debut = CvtIndexNoteEnTemps(staff, index);
  const uint8_t draw = drawMode ? 1 : 0;
  int16_t touche = -1;

  if (na > 0) {
    positionNoteGraced = debut;
    for (int16_t i = 0; i < na; i++) avant[i].hauteur = int16_t(avant[i].hauteur + sign->kind);
    const int32_t x0 = x - (shiftLeft ? Zoom(6) : 0) + decalageX;
    InitAlterationGraceNote(staff, index, 0);
    TraceSeriePetitesNotes(staff, drawMode, e, x0, sign, x0 - Zoom(1), noteY, avant, na, 0, 0, hitPoint, hitMode, 0);
    if (XMaxTraceGrace >= XMinTraceGrace) {
      InitAlterationGraceNote(staff, index, 0);
      touche = TraceSeriePetitesNotes(staff, drawMode, e, x0 - XMaxTraceGrace + XMinTraceGrace, sign, x0 - Zoom(1),
                                      noteY, avant, na, 0, draw, hitPoint, hitMode, 1);
    }
  }
  if (np > 0 && touche < 0) {
    positionNoteGraced = debut + 1;
    for (int16_t i = 0; i < np; i++) apres[i].hauteur = int16_t(apres[i].hauteur + sign->kind);
    const int32_t xa = x + EcartTemps((*staff)->partition, staff, debut, debut + sign->duree - 2) + decalageX;
    const int32_t reference = x + (*staff)->largeurTete + Zoom(1);
    InitAlterationGraceNote(staff, index, 2);
    TraceSeriePetitesNotes(staff, drawMode, e, xa, sign, reference, noteY, apres, np, 1, 0, hitPoint, hitMode, 0);
    if (XMaxTraceGrace >= XMinTraceGrace) {
      // The measuring run recorded the accidentals; the drawing starts afresh.
      InitAlterationGraceNote(staff, index, 2);
      touche = TraceSeriePetitesNotes(staff, drawMode, e, xa - XMaxTraceGrace + XMinTraceGrace - Zoom(2), sign,
                                      reference, noteY, apres, np, 1, draw, hitPoint, hitMode, 1);
    }
  }
  return touche;
}
