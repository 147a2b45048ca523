#include "stafftypes/DoigteGuitare.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>
#include <vector>

#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "notation/QrvLiaisonCoule.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "stafftypes/TablatureGuitare.h"

namespace {

constexpr int kProfondeurMax = 18;
constexpr uint8_t kPasCandidat = 255;
constexpr uint8_t kInjouable = 254;  // in string 0's row: no string plays the note
constexpr uint8_t kBitGroupe = 128;  // the note continues its chord group
constexpr int32_t kScoreInitial = 9999;
// Notes shorter than this (a sixteenth note) may be grouped with the next.
constexpr int32_t kDureeNoteCourte = 20160;
// Search steps a window may take, and the whole calculation: branch and
// bound is exponential at worst, and a hostile record (many strings of one
// tuning, no costs) must not hang the preview. Past the whole budget each
// window gets only a few steps and keeps its first path.
constexpr int32_t kEtapesFenetre = 1 << 16;
constexpr int64_t kEtapesCalcul = int64_t(1) << 23;
constexpr int32_t kEtapesFenetreEpuise = 64;

int16_t CaseHarmonique(int32_t ouverte, int32_t hauteur) {
  return CalculePosCaseHarmoniqueGuitare(int16_t(ouverte), int16_t(hauteur));
}

int32_t CaseDulcimerEnDemiTon(int32_t fret) { return CvtCaseDulcimerEnDemiTon(int16_t(fret)); }

// The hand and chord state the search carries from note to note.
struct Etat {
  uint32_t dernierAccord = 0;  // strings of the last completed chord
  int32_t premCase = 0;        // the hand's lowest and highest fret
  int32_t derCase = 0;
  uint32_t masqueCorde = 0;  // strings already used by the chord under way
};

struct Recherche {
  int nbCordes = 0;
  int profondeur = 1;
  int32_t envergure = 0, poidsCase = 0, poidsCordeVide = 0, poidsChangement = 0, poidsEcart = 0;
  int32_t baseScore = 0;
  int nbNotes = 0;  // notes of the window
  uint8_t pos[kNbCordesTablature][kProfondeurMax];
  uint16_t travail[kProfondeurMax];
  uint16_t resultat[kProfondeurMax];
  uint16_t secours[kProfondeurMax];
  int32_t meilleur = kScoreInitial;
  Etat report;  // carried from window to window
  int32_t etapes = 0, maxEtapes = kEtapesFenetre;
  bool casse = false;

  bool Evalue(const Etat& e, int note, int32_t score) {
    if ((++etapes & 255) == 0 && BreakUtilisateurQuarvel()) casse = true;
    if (etapes > maxEtapes) casse = true;
    // Increments are never negative: a path already at the best score cannot
    // win, since ties keep the path found first.
    if (casse || score > meilleur || (score == meilleur && meilleur < kScoreInitial)) return false;
    if (note < nbNotes && pos[0][note] == kInjouable) {
      travail[note] = kPositionAucune;
      return Evalue(e, note + 1, score);
    }
    if (note >= nbNotes) {
      if (score >= meilleur) return false;
      meilleur = score;
      std::copy(travail, travail + nbNotes, resultat);
      report = e;
      return true;
    }
    bool trouve = false;
    for (int c = 0; c < nbCordes; c++) {
      const uint32_t bit = 1u << c;
      if (e.masqueCorde & bit) continue;
      const uint8_t v = pos[c][note];
      if (v == kPasCandidat) continue;
      const bool groupe = (v & kBitGroupe) != 0;
      const int32_t f = v & 127;
      int32_t s = baseScore;
      Etat n = e;
      if (!groupe) {
        const uint32_t accord = e.masqueCorde | bit;
        s += poidsChangement * std::popcount(accord ^ e.dernierAccord);
        if (poidsEcart != 0) {
          // Used, unused, then used again from string 0 up.
          const uint32_t m = accord >> std::countr_zero(accord);
          if ((m & (m + 1)) != 0) s += poidsEcart;
        }
        n.dernierAccord = accord;
        n.masqueCorde = 0;
      } else {
        n.masqueCorde = e.masqueCorde | bit;
      }
      if (f == 0) {
        s += poidsCordeVide;
      } else if (f >= e.premCase && f <= e.derCase) {
      } else if (f < e.premCase && f >= e.derCase - envergure) {
        n.premCase = f;
      } else if (f > e.derCase && f <= e.premCase + envergure) {
        n.derCase = f;
      } else {
        if (poidsCase < 0) s += poidsCase;
        else s += poidsCase * (f > e.derCase ? f - e.premCase : e.derCase - f);
        n.premCase = n.derCase = f;
      }
      travail[note] = uint16_t(c * 256 + f);
      if (secours[note] == kPositionAucune) secours[note] = travail[note];
      if (Evalue(n, note + 1, score + s)) {
        trouve = true;
        if (!groupe) report = n;
      }
    }
    return trouve;
  }
};

bool APosition(uint16_t p) { return (p >> 8) != 255; }

}  // namespace

bool CalculeDoigteEntrees(const Tablature& t, EntreeDoigte* entrees, int32_t n) {
  if (!entrees || n <= 0) return false;
  const int nbCordes = std::min<int>(t.nbCordes & 0xFF, kNbCordesTablature);
  if (nbCordes == 0) return false;
  std::unique_ptr<Recherche> r(new (std::nothrow) Recherche);
  if (!r) return false;
  r->nbCordes = nbCordes;
  r->profondeur = std::clamp<int>(t.profondeur, 1, kProfondeurMax);
  // The weights are signed words.
  r->envergure = int16_t(t.envergure);
  r->poidsCase = int16_t(t.poidsCase);
  r->poidsCordeVide = int16_t(t.poidsCordeVide);
  r->poidsChangement = int16_t(t.poidsChangementCorde);
  r->poidsEcart = int16_t(t.poidsEcart);
  // Every placement is lifted by the negative weights so that no step lowers
  // a path's score and the bound holds.
  for (int32_t w : {r->poidsCase, r->poidsCordeVide, r->poidsEcart})
    if (w < 0) r->baseScore -= w;
  if (r->poidsChangement < 0) r->baseScore -= r->poidsChangement * nbCordes;

  const bool dulcimer = t.modeNumeros == 2;
  const int32_t capo = dulcimer ? CaseDulcimerEnDemiTon(t.capo) : t.capo;
  int32_t basse[kNbCordesTablature], nbCases[kNbCordesTablature], premiere[kNbCordesTablature];
  for (int c = 0; c < nbCordes; c++) {
    const CordeTablature& k = t.cordes[c];
    premiere[c] = k.valeurs[2];
    basse[c] = int32_t(k.valeurs[0]) + (capo > premiere[c] ? capo : 0);
    nbCases[c] = k.valeurs[1];
  }
  const bool grouperCourtes = t.octetPoids != 0;
  const bool coules = t.modeNumeros != 4;

  for (int32_t i = 0; i < n; i++)
    if (entrees[i].genre != kEntreeUtilisateur) entrees[i].position = kPositionAucune;

  int64_t etapesRestantes = kEtapesCalcul;
  int32_t k = 0;
  while (k < n && !r->casse) {
    if (entrees[k].genre == kEntreeSilence) {
      entrees[k].position = kPositionSilence;
      r->report = Etat{};
      k++;
      continue;
    }
    if (entrees[k].genre == kEntreeUtilisateur) {
      k++;
      continue;
    }
    // The window: notes up to the depth; a rest or a user-set note ends it
    // before itself, a slur or an unplayable note after.
    int w = 0;
    for (int32_t j = k; j < n && w < r->profondeur && entrees[j].genre == kEntreeNote; j++) {
      const EntreeDoigte& e = entrees[j];
      int32_t caseMin = std::max<int32_t>(e.caseMin, 0);
      int corde = -1;
      bool fin = false;
      uint8_t groupe = 0;
      if (j + 1 < n && entrees[j + 1].debut == e.debut) groupe = kBitGroupe;
      else if (grouperCourtes && e.courteLiee) groupe = kBitGroupe;
      if (coules && e.couleAvant >= 0 && e.couleAvant < n) {
        const EntreeDoigte& p = entrees[e.couleAvant];
        if (APosition(p.position)) {
          corde = p.position >> 8;
        } else {
          caseMin = std::max<int32_t>(caseMin, e.hauteur - p.hauteur);
          fin = true;
        }
      }
      if (coules && e.couleApres >= 0 && e.couleApres < n) {
        const EntreeDoigte& s = entrees[e.couleApres];
        if (APosition(s.position)) {
          corde = s.position >> 8;
        } else {
          // Along the chain of played slurs; a chain never holds more than
          // every entry, whatever links a damaged file made.
          int32_t x = e.couleApres;
          for (int32_t pas = 0; x >= 0 && x < n && pas < n; pas++) {
            caseMin = std::max<int32_t>(caseMin, e.hauteur - entrees[x].hauteur);
            x = entrees[x].couleApres;
          }
          fin = true;
        }
      }
      bool jouable = false;
      for (int c = 0; c < nbCordes; c++) {
        const int32_t f = e.harmonique ? CaseHarmonique(basse[c], e.hauteur) : e.hauteur - basse[c];
        uint8_t v = kPasCandidat;
        if (f >= caseMin && f <= nbCases[c] && !(dulcimer && f == 1) && (corde < 0 || corde == c)) {
          const int32_t stockee = f == 0 ? 0 : premiere[c] + f;
          // The fret shares its byte with the group bit.
          if (stockee < kBitGroupe) {
            v = uint8_t(stockee | groupe);
            jouable = true;
          }
        }
        r->pos[c][w] = v;
      }
      if (!jouable) {
        r->pos[0][w] = kInjouable;
        fin = true;
      }
      w++;
      if (fin) break;
    }
    r->nbNotes = w;
    r->meilleur = kScoreInitial;
    std::fill(r->resultat, r->resultat + w, kPositionAucune);
    std::fill(r->secours, r->secours + w, kPositionAucune);
    r->etapes = 0;
    r->maxEtapes = etapesRestantes > kEtapesFenetre ? kEtapesFenetre : kEtapesFenetreEpuise;
    const Etat depart = r->report;
    r->Evalue(depart, 0, 0);
    etapesRestantes -= r->etapes;
    const bool budget = r->etapes > r->maxEtapes;
    if (budget) r->casse = false;  // the window ran out of steps: it keeps what it found

    // Commit up to the end of the window's first chord.
    int i = 0;
    while (i < w) {
      const uint16_t p = r->resultat[i] != kPositionAucune ? r->resultat[i] : r->secours[i];
      if (!APosition(p)) {
        // A note nothing places keeps no position; the next window starts
        // with it unless it is the first, which is passed.
        if (i == 0) i = 1;
        break;
      }
      entrees[k + i].position = p;
      const bool groupe = (r->pos[p >> 8][i] & kBitGroupe) != 0;
      i++;
      if (!groupe) break;
    }
    k += i;
  }
  return true;
}

void CalculeTablatureGuitare(Portee** staff) {
  if (!staff) return;
  Tablature** th = GetTablature(staff);
  if (!th || !*th) return;
  (*th)->calculee = 1;
  const bool suitOctaves = (*th)->suitOctaves != 0;
  const bool tetesHarmoniques = (*th)->teteHarmoniques == 1;
  Partition** score = (*staff)->partition;
  if (suitOctaves && score) PrepareDynamiquesPartition(score);

  // The staves computed together.
  std::vector<Portee**> portees;
  if ((*staff)->modeFusion != kFusionAucune && (**th).partageGroupe) {
    Portee** tete = CvtPorteeEnPorteeDebutFusion(staff);
    if (tete != staff) return;
    const int16_t nb = GetNbPorteesFusion(staff);
    for (int16_t i = 0; i < nb && score && (*staff)->index + i < (*score)->nbPortees; i++)
      portees.push_back((*score)->portees[(*staff)->index + i]);
  }
  if (portees.empty()) portees.push_back(staff);

  struct Ref {
    int16_t portee;
    int32_t note;
    int16_t indexPortee;
  };
  std::vector<EntreeDoigte> entrees;
  std::vector<Ref> refs;
  for (size_t p = 0; p < portees.size(); p++) {
    Portee** s = portees[p];
    int32_t nb = 0;
    if (!GetSignesPortee(s, &nb)) continue;
    for (int32_t i = 0; i < nb; i++) {
      const int32_t debut = CvtIndexNoteEnTemps(s, i);
      const Signe& x = GetSignesPortee(s, &nb)[i];
      EntreeDoigte e;
      e.debut = debut;
      e.hauteur = x.kind;
      if (x.kind < 0) {
        e.genre = kEntreeSilence;
      } else {
        if (suitOctaves && x.kindCopie >= 0) e.hauteur = x.kindCopie;
        e.genre = (x.flags & kSignePositionUtilisateur) ? kEntreeUtilisateur : kEntreeNote;
        e.position = uint16_t(x.tablatureCorde << 8 | x.tablatureCase);
        e.harmonique = tetesHarmoniques && (x.formeTete == 2 || x.formeTete == 13);
        e.courteLiee = x.duree < kDureeNoteCourte && (x.flags & kSigneAccroche);
      }
      entrees.push_back(e);
      refs.push_back(Ref{int16_t(p), i, (*s)->index});
    }
  }
  if (entrees.empty()) return;

  // Time, then staff, then pitch from the top.
  std::vector<int32_t> ordre(entrees.size());
  for (size_t i = 0; i < ordre.size(); i++) ordre[i] = int32_t(i);
  std::stable_sort(ordre.begin(), ordre.end(), [&](int32_t a, int32_t b) {
    if (entrees[a].debut != entrees[b].debut) return entrees[a].debut < entrees[b].debut;
    if (refs[a].indexPortee != refs[b].indexPortee) return refs[a].indexPortee < refs[b].indexPortee;
    return entrees[a].hauteur > entrees[b].hauteur;
  });
  std::vector<EntreeDoigte> triees(entrees.size());
  std::vector<Ref> refsTriees(entrees.size());
  for (size_t i = 0; i < ordre.size(); i++) {
    triees[i] = entrees[ordre[i]];
    refsTriees[i] = refs[ordre[i]];
  }

  // Grace notes and played slurs, read from the effect records. Slur ends
  // are matched by id in one pass rather than searched note by note.
  std::vector<std::pair<uint32_t, int32_t>> sources, destinations;
  for (size_t i = 0; i < triees.size(); i++) {
    if (triees[i].genre == kEntreeSilence) continue;
    Portee** s = portees[refsTriees[i].portee];
    const ParamEffet* fx = GetParamEffetIndexNote(s, refsTriees[i].note);
    if (!fx) continue;
    int32_t plusBas = 0;
    for (const GraceNote& g : fx->graces) {
      if (!g.utilise) break;
      plusBas = std::min<int32_t>(plusBas, g.decalage);
    }
    triees[i].caseMin = int16_t(-plusBas);
    if (fx->liaison.idSource && IsCouleNoteInterprete(s, refsTriees[i].note))
      sources.emplace_back(fx->liaison.idSource, int32_t(i));
    if (fx->liaison.idDest) destinations.emplace_back(fx->liaison.idDest, int32_t(i));
  }
  std::sort(destinations.begin(), destinations.end());
  for (const auto& [id, i] : sources) {
    auto it = std::lower_bound(destinations.begin(), destinations.end(), std::make_pair(id, int32_t(-1)));
    if (it == destinations.end() || it->first != id || it->second == i) continue;
    triees[i].couleApres = it->second;
    triees[it->second].couleAvant = i;
  }

  FixeFormeCurseur(1);
  const bool fait = CalculeDoigteEntrees(**th, triees.data(), int32_t(triees.size()));
  FixeFormeCurseur(0);
  if (!fait) return;
  for (size_t i = 0; i < triees.size(); i++) {
    if (triees[i].genre == kEntreeUtilisateur) continue;
    int32_t nb = 0;
    Signe* notes = GetSignesPortee(portees[refsTriees[i].portee], &nb);
    if (!notes || refsTriees[i].note >= nb) continue;
    Signe& x = notes[refsTriees[i].note];
    x.tablatureCorde = uint8_t(triees[i].position >> 8);
    x.tablatureCase = uint8_t(triees[i].position & 0xFF);
  }
}
