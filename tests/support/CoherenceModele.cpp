#include "CoherenceModele.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

#include "layout/DonneesMiseEnPage.h"
#include "model/Cibles.h"
#include "model/Courbes.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Matrices.h"
#include "model/ParamEffet.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvDynamics.h"
#include "model/QrvFXs.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "model/Vues.h"
#include "platform/Memory.h"

namespace {

struct Rapport {
  std::vector<std::string> lignes;
  void operator()(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char texte[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(texte, sizeof texte, format, args);
    va_end(args);
    lignes.emplace_back(texte);
  }
};

template <typename T>
int32_t NbDans(Handle h) {
  return h ? int32_t(GetHandleSize(h) / Size(sizeof(T))) : 0;
}

// Height events: on bars, one per kind and bar.
void VerifieEvenements(Rapport& r, const char* qui, Handle h, int32_t nbMesures) {
  std::set<std::pair<uint32_t, int16_t>> vus;
  const int32_t n = GetNbStaffHeightEvts(h);
  const StaffHeightEvt* e = GetStaffHeightEvts(h);
  for (int32_t i = 0; i < n; i++) {
    if (e[i].index < 0 || e[i].index >= nbMesures)
      r("%s: height event '%c' at bar %d of %d", qui, char(e[i].kind), e[i].index, nbMesures);
    if (!vus.insert({e[i].kind, e[i].index}).second)
      r("%s: two height events '%c' at bar %d", qui, char(e[i].kind), e[i].index);
  }
}

void VerifieBornes(Rapport& r, const char* qui, int64_t debut, int64_t fin) {
  if (debut < 0 || debut > fin) r("%s starts at %lld, outside 0..%lld", qui, (long long)debut, (long long)fin);
}

// One end of a link: a note of a staff holding an id.
struct Bout {
  int16_t portee;
  int32_t note;
  uint16_t porteeAutre;  // the staff index held beside the id
};

void VerifieLiaisons(Rapport& r, Partition** score, int16_t kind) {
  const char* nom = kind == kLiaisonCoule ? "tie/slur" : "beam link";
  std::map<uint32_t, std::vector<Bout>> sources, dests;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n, ne;
    const Signe* s = GetSignesPortee(staff, &n);
    const ParamEffet* e = GetParamEffetsPortee(staff, &ne);
    for (int32_t i = 0; s && e && i < n; i++) {
      const int32_t k = s[i].indexParamEffet;
      if (k < 0 || k >= ne || e[k].libre) continue;
      uint32_t src = kind == kLiaisonCoule ? e[k].liaison.idSource : e[k].accroche.idSource;
      uint32_t dst = kind == kLiaisonCoule ? e[k].liaison.idDest : e[k].accroche.idDest;
      uint16_t ps = kind == kLiaisonCoule ? e[k].liaison.porteeSource : e[k].accroche.porteeSource;
      uint16_t pd = kind == kLiaisonCoule ? e[k].liaison.porteeDest : e[k].accroche.porteeDest;
      if (src) sources[src].push_back({p, i, ps});
      if (dst) dests[dst].push_back({p, i, pd});
    }
  }
  const uint32_t compteur = (*score)->compteurIdLiaison;
  for (const auto& [id, bouts] : sources) {
    if (bouts.size() > 1) r("%s %u starts at %zu notes", nom, id, bouts.size());
    const auto d = dests.find(id);
    if (d == dests.end()) {
      r("%s %u (staff %d note %d) has no other end", nom, id, bouts[0].portee, bouts[0].note);
      continue;
    }
    if (d->second.size() > 1) r("%s %u ends at %zu notes", nom, id, d->second.size());
    // Each end holds the staff of the other end.
    if (bouts[0].porteeAutre != uint16_t(d->second[0].portee) || d->second[0].porteeAutre != uint16_t(bouts[0].portee))
      r("%s %u: staves held %d and %d, ends on staves %d and %d", nom, id, bouts[0].porteeAutre,
        d->second[0].porteeAutre, bouts[0].portee, d->second[0].portee);
    // The counter holds the last id handed out (the next one after a collection).
    if (id > compteur) r("%s %u past the id counter %u", nom, id, compteur);
  }
  for (const auto& [id, bouts] : dests)
    if (!sources.count(id)) r("%s %u (staff %d note %d) has no source end", nom, id, bouts[0].portee, bouts[0].note);
}

void VerifiePortee(Rapport& r, Partition** score, int16_t p, int64_t finTemps) {
  Portee** staff = (*score)->portees[p];
  const int32_t nbMesures = (*score)->nbMesures;
  char qui[64];
  std::snprintf(qui, sizeof qui, "staff %d", p);
  if (!staff || !*staff) {
    r("%s: no record", qui);
    return;
  }
  if ((*staff)->marqueur != kMarqueurPortee) r("%s: marker %u", qui, (*staff)->marqueur);
  if ((*staff)->index != p) r("%s: holds index %d", qui, (*staff)->index);
  if ((*staff)->partition != score) r("%s: points to another score", qui);

  // Notes: contiguous from tick 0, cached starts agree, nothing past the end.
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if ((*staff)->nbNotes != n) r("%s: %d notes counted, %d held", qui, (*staff)->nbNotes, n);
  int64_t t = 0;
  for (int32_t i = 0; s && i < n; i++) {
    if (s[i].duree < 0) r("%s note %d: duration %d", qui, i, s[i].duree);
    if (s[i].debut != -1 && s[i].debut != t)
      r("%s note %d: cached start %d, starts at %lld", qui, i, s[i].debut, (long long)t);
    if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
  }
  if (s && n > 0 && (s[n - 1].flags & kSigneAccordSuite)) r("%s: the last note continues a chord", qui);
  if (t > finTemps) r("%s: notes run to %lld, past the last bar's end %lld", qui, (long long)t, (long long)finTemps);

  // Effect records: in use, owned by one note (or one key entry), none leaked.
  int32_t ne;
  const ParamEffet* e = GetParamEffetsPortee(staff, &ne);
  std::vector<int> proprietaires(size_t(ne > 0 ? ne : 0), 0);
  for (int32_t i = 0; s && i < n; i++) {
    const int32_t k = s[i].indexParamEffet;
    if (k < 0) continue;
    if (k >= ne || e[k].libre) {
      r("%s note %d: effect record %d not in use", qui, i, k);
      continue;
    }
    proprietaires[size_t(k)]++;
  }
  int32_t nt;
  const EltTabTonalite* tt = GetEltsTabTonalite(staff, &nt);
  for (int32_t i = 0; tt && i < nt; i++) {
    const uint16_t k = tt[i].lien;
    if (k == kLienTonaliteAucun) continue;
    if (k >= ne || e[k].libre) r("%s key entry %d: effect record %u not in use", qui, i, k);
    else proprietaires[k]++;
  }
  for (int32_t k = 0; k < ne; k++) {
    if (proprietaires[size_t(k)] > 1) r("%s: effect record %d held %d times", qui, k, proprietaires[size_t(k)]);
    if (!e[k].libre && !e[k].garde && proprietaires[size_t(k)] == 0) r("%s: effect record %d leaked", qui, k);
  }

  // Key and clef table: starts at bar 0, rises, stays on the bars.
  if ((*staff)->nbTonalites != nt) r("%s: %d key entries counted, %d held", qui, (*staff)->nbTonalites, nt);
  if (nt < 1 || !tt) r("%s: no key and clef entry", qui);
  else if (tt[0].mesure != 0) r("%s: first key entry at bar %u", qui, tt[0].mesure);
  for (int32_t i = 1; tt && i < nt; i++) {
    if (tt[i].mesure <= tt[i - 1].mesure)
      r("%s key entry %d: bar %u after bar %u", qui, i, tt[i].mesure, tt[i - 1].mesure);
    if (tt[i].mesure >= nbMesures) r("%s key entry %d: bar %u of %d", qui, i, tt[i].mesure, nbMesures);
  }

  // Objects placed by time.
  char objet[128];
  int32_t m;
  const Texte* tx = GetTextesPortee(staff, &m);
  if ((*staff)->nbTextes != m) r("%s: %d texts counted, %d held", qui, (*staff)->nbTextes, m);
  for (int32_t i = 0; tx && i < m; i++) {
    std::snprintf(objet, sizeof objet, "%s text %d", qui, i);
    VerifieBornes(r, objet, tx[i].debut, finTemps);
  }
  const Graphique* g = GetGraphiquesPortee(staff, &m);
  if ((*staff)->nbGraphiques != m) r("%s: %d graphics counted, %d held", qui, (*staff)->nbGraphiques, m);
  for (int32_t i = 0; g && i < m; i++) {
    std::snprintf(objet, sizeof objet, "%s graphic %d", qui, i);
    if (g[i].ancrePixel) continue;  // placed by piano-roll pixels, not by time
    if (g[i].id == 0) {
      VerifieBornes(r, objet, g[i].debut, finTemps);
      continue;
    }
    // A note's picture: some mark of the staff names it.
    bool nommee = false;
    for (int32_t k = 0; k < ne && !nommee; k++) {
      if (e[k].libre || !e[k].marks) continue;
      const int32_t nm = GetNbMarks(e[k].marks);
      const Mark* mk = reinterpret_cast<const Mark*>(*e[k].marks);
      for (int32_t j = 0; j < nm && !nommee; j++)
        nommee = mk[j].code == kMarkLienGraphique && mk[j].idGraphique == g[i].id;
    }
    if (!nommee) r("%s: picture id %u of no note", objet, g[i].id);
  }
  const Dynamique* d = GetDynamiquesPortee(staff, &m);
  if ((*staff)->nbDynamiques != m || m != NbDans<Dynamique>((*staff)->dynamiques))
    r("%s: %d dynamics counted, %d held", qui, (*staff)->nbDynamiques, NbDans<Dynamique>((*staff)->dynamiques));
  for (int32_t i = 0; d && i < m; i++) {
    std::snprintf(objet, sizeof objet, "%s dynamic %d", qui, i);
    VerifieBornes(r, objet, d[i].debut, finTemps);
  }
  const FX* fx = GetFXsPortee(staff, &m);
  if ((*staff)->nbFXs != m) r("%s: %d sound effects counted, %d held", qui, (*staff)->nbFXs, m);
  for (int32_t i = 0; fx && i < m; i++) {
    std::snprintf(objet, sizeof objet, "%s sound effect %d", qui, i);
    VerifieBornes(r, objet, fx[i].debut, finTemps);
  }
  int32_t nc;
  const Courbe* c = GetCourbes((*staff)->courbes, &nc);
  for (int32_t i = 0; c && i < nc; i++) {
    const int32_t np = NbDans<PointCourbe>(c[i].points);
    if (c[i].nbPoints != np) r("%s curve %d: %d points counted, %d held", qui, i, c[i].nbPoints, np);
    const PointCourbe* pt = c[i].points ? reinterpret_cast<const PointCourbe*>(*c[i].points) : nullptr;
    for (int32_t j = 0; pt && j < np; j++) {
      std::snprintf(objet, sizeof objet, "%s curve %d point %d", qui, i, j);
      VerifieBornes(r, objet, pt[j].temps, finTemps);
      if (j > 0 && pt[j].temps <= pt[j - 1].temps) r("%s: tick %d after %d", objet, pt[j].temps, pt[j - 1].temps);
    }
  }
  VerifieEvenements(r, qui, (*staff)->staffHeightEvts, nbMesures);
}

void VerifieMatrice(Rapport& r, const char* qui, Handle matrice, int32_t nbMesures) {
  const EnteteMatrice* h = GetEnteteMatrice(matrice);
  if (!h) return;
  const RangeMatrice* rg = GetRangesMatrice(matrice);
  int32_t fin = 0;
  for (int16_t i = 0; i < h->nbRanges; i++) {
    if (rg[i].mesureDebut < 0 || rg[i].mesureDebut > rg[i].mesureFin || rg[i].mesureFin >= nbMesures)
      r("%s row %d: bars %d..%d of %d", qui, i, rg[i].mesureDebut, rg[i].mesureFin, nbMesures);
    if (rg[i].mesureFin > fin) fin = rg[i].mesureFin;
  }
  if (h->mesureFinMax != fin) r("%s: highest end bar %d kept, rows end at %d", qui, h->mesureFinMax, fin);
}

void VerifieMiseEnPage(Rapport& r, const char* qui, const MiseEnPage& m, int32_t nbMesures) {
  if (m.premiereMesure < 1 && m.derniereMesure < 1) return;  // never set
  if (m.premiereMesure < 1 || m.premiereMesure > nbMesures)
    r("%s: range starts at bar %d of %d", qui, m.premiereMesure, nbMesures);
  if (m.derniereMesure != kDerniereMesureFin && (m.derniereMesure < m.premiereMesure || m.derniereMesure > nbMesures))
    r("%s: range %d..%d of %d bars", qui, m.premiereMesure, m.derniereMesure, nbMesures);
}

}  // namespace

std::vector<std::string> VerifieCoherencePartition(Partition** score) {
  Rapport r;
  if (!score || !*score) {
    r("no score");
    return r.lignes;
  }
  const int32_t nbMesures = (*score)->nbMesures;
  if (nbMesures < 1 || nbMesures > kMaxMesures) r("bar count %d", nbMesures);

  // Bar tables: one row per bar, start ticks running when up to date.
  const int32_t lignes = GetNbLignesTabElt((*score)->tabEltMesure[0]);
  if (lignes != nbMesures || (*score)->nbLignesTabElt != nbMesures)
    r("%d bars, %d rows held, %d counted", nbMesures, lignes, (*score)->nbLignesTabElt);
  const TabEltMesure* rows = GetLignesTabElt((*score)->tabEltMesure[0]);
  int64_t finTemps = 0;
  for (int32_t b = 0; rows && b < lignes && b < nbMesures; b++) {
    if (!((*score)->masqueModifieTabElt & kTabEltTemps) && rows[b].debutTemps != finTemps)
      r("bar %d: starts at %u, bars before it end at %lld", b, rows[b].debutTemps, (long long)finTemps);
    finTemps += GetDureeMesureElt(&rows[b]);
  }
  Document* doc = (*score)->document;
  if (doc && doc->partitionCourante == score) {
    for (int16_t v = -1; v < GetNbVuesDocument(doc); v++) {
      const Vue* vue = GetVueDocument(doc, v);
      if (!vue || !vue->tabEltMesure) continue;
      if (vue->nbMesures != nbMesures || GetNbLignesTabElt(vue->tabEltMesure) != nbMesures)
        r("view %d: %d bars, %d rows, the score %d", v, vue->nbMesures, GetNbLignesTabElt(vue->tabEltMesure),
          nbMesures);
      char qui[32];
      std::snprintf(qui, sizeof qui, "view %d", v);
      const int32_t ne = NbDans<VuePortee>(vue->portees);
      for (int32_t i = 0; i < ne; i++)
        VerifieEvenements(r, qui, reinterpret_cast<const VuePortee*>(*vue->portees)[i].staffHeightEvts, nbMesures);
      for (int16_t i = 0; i < GetNbPartGroups(vue->partGroups); i++) {
        const PartGroup& g = reinterpret_cast<const PartGroup*>(*vue->partGroups)[i];
        if (g.premierePortee < 0 || g.premierePortee > g.dernierePortee || g.dernierePortee >= (*score)->nbPortees)
          r("%s part group %d: staves %d..%d of %d", qui, i, g.premierePortee, g.dernierePortee, (*score)->nbPortees);
      }
    }
  }

  // Ruptures: sorted by bar and class, on bars, the highest bar kept.
  const int16_t nr = GetNbRuptures(score);
  if ((*score)->nbRuptures != nr || nr != NbDans<Rupture>((*score)->ruptures))
    r("%d ruptures counted, %d held", (*score)->nbRuptures, NbDans<Rupture>((*score)->ruptures));
  int16_t maxRupture = 0;
  for (int16_t i = 0; i < nr; i++) {
    const Rupture* a = GetRupture(score, i);
    if (a->mesure < 0 || a->mesure >= nbMesures) r("rupture %d at bar %d of %d", i, a->mesure, nbMesures);
    if (a->mesure > maxRupture) maxRupture = a->mesure;
    if (i == 0) continue;
    const Rupture* avant = GetRupture(score, int16_t(i - 1));
    if (avant->mesure > a->mesure || (avant->mesure == a->mesure && GetTypeRupture(avant) > GetTypeRupture(a)))
      r("rupture %d (bar %d) out of order", i, a->mesure);
  }
  if ((*score)->mesureMaxRupture != maxRupture)
    r("highest rupture bar %d kept, %d held", (*score)->mesureMaxRupture, maxRupture);

  // Played bars: on bars, at their bars' start ticks; none without ruptures.
  Handle joues = (*score)->tabCvtMesure;
  const int32_t nj = GetNbLignesCvtMesure(joues);
  if ((*score)->nbCvtMesures != nj) r("%d played bars counted, %d held", (*score)->nbCvtMesures, nj);
  if (joues && !(*score)->ruptures && !(*score)->tabCvtMesureUtilisateur) r("played bars without ruptures");
  const LigneCvtMesure* lj = GetLignesCvtMesure(joues);
  for (int32_t i = 0; lj && i < nj; i++) {
    const int32_t b = int16_t(uint16_t(uint32_t(lj[i].mesure) & 0xFFFFu));
    if (b < 0 || b >= nbMesures) {
      r("played bar %d: bar %d of %d", i, b, nbMesures);
      continue;
    }
    if (rows && !((*score)->masqueModifieTabElt & kTabEltTemps) && lj[i].debutEcrit != rows[b].debutTemps)
      r("played bar %d: bar %d starts at %u, the row at %u", i, b, lj[i].debutEcrit, rows[b].debutTemps);
  }

  // Lists placed by bar.
  const Cible* cibles = (*score)->cibles ? reinterpret_cast<const Cible*>(*(*score)->cibles) : nullptr;
  for (int16_t i = 0; cibles && i < GetNbCibles(score); i++)
    if (cibles[i].mesure >= nbMesures) r("target %d at bar %u of %d", i, cibles[i].mesure, nbMesures);
  VerifieMatrice(r, "accompaniment ranges", (*score)->matriceAccompagnement, nbMesures);
  VerifieMatrice(r, "rhythm ranges", (*score)->matriceRythme, nbMesures);
  const int32_t grille = NbDans<MesureGrilleAccord>((*score)->grilleAccord);
  if ((*score)->nbMesuresGrilleAccord != grille || grille > nbMesures)
    r("chord grid: %u bars counted, %d held, %d in the score", (*score)->nbMesuresGrilleAccord, grille, nbMesures);
  if ((*score)->mesureCourante < 0 || (*score)->mesureCourante >= nbMesures)
    r("current bar %d of %d", (*score)->mesureCourante, nbMesures);

  // Staves and what names them by index.
  if ((*score)->nbPortees > 0 && ((*score)->premierePortee < 0 || (*score)->premierePortee > (*score)->dernierePortee ||
                                  (*score)->dernierePortee >= (*score)->nbPortees))
    r("selected staves %d..%d of %d", (*score)->premierePortee, (*score)->dernierePortee, (*score)->nbPortees);
  for (int16_t i = 0; i < GetNbPartGroups((*score)->partGroups); i++) {
    const PartGroup& g = reinterpret_cast<const PartGroup*>(*(*score)->partGroups)[i];
    if (g.premierePortee < 0 || g.premierePortee > g.dernierePortee || g.dernierePortee >= (*score)->nbPortees)
      r("part group %d: staves %d..%d of %d", i, g.premierePortee, g.dernierePortee, (*score)->nbPortees);
  }
  for (int16_t p = 0; p < (*score)->nbPortees; p++) VerifiePortee(r, score, p, finTemps);
  VerifieLiaisons(r, score, kLiaisonCoule);
  VerifieLiaisons(r, score, kLiaisonAccroche);
  return r.lignes;
}

std::vector<std::string> VerifieCoherenceDocument(Document* document) {
  Rapport r;
  if (!document) return r.lignes;
  for (int16_t i = 0; i < document->nbPartitions; i++)
    for (const std::string& l : VerifieCoherencePartition(document->partitions[i])) r("score %d: %s", i, l.c_str());
  Partition** score = document->partitionCourante;
  if (!score) return r.lignes;
  char qui[48];
  for (int i = 0; i < kNbMisesEnPage; i++) {
    std::snprintf(qui, sizeof qui, "page setup %d", i);
    VerifieMiseEnPage(r, qui, document->misesEnPage[i], (*score)->nbMesures);
  }
  for (int16_t v = -1; v < GetNbVuesDocument(document); v++) {
    std::snprintf(qui, sizeof qui, "view %d page setup", v);
    if (const Vue* vue = GetVueDocument(document, v)) VerifieMiseEnPage(r, qui, vue->miseEnPage, (*score)->nbMesures);
  }
  return r.lignes;
}
