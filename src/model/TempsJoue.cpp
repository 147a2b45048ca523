#include "model/TempsJoue.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "model/CourbeTempo.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/ServicesSon.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

int32_t GetNbLignesCvtMesure(Handle rows) {
  return rows ? int32_t(GetHandleSize(rows) / Size(sizeof(LigneCvtMesure))) : 0;
}

LigneCvtMesure* GetLignesCvtMesure(Handle rows) { return rows ? reinterpret_cast<LigneCvtMesure*>(*rows) : nullptr; }

// Only the low 16 bits of a row's bar are meaningful.
static int32_t MesureLigne(const LigneCvtMesure& l) { return int16_t(uint16_t(uint32_t(l.mesure) & 0xFFFFu)); }

static int32_t NbMesures(Partition** score) {
  int32_t n = (*score)->nbMesures;
  return n < 0 ? 0 : (n > kMaxMesures ? kMaxMesures : n);
}

// Rows actually held: the stored count, never more than the handle has.
static int32_t NbLignes(Partition** score) {
  int32_t n = GetNbLignesCvtMesure((*score)->tabCvtMesure);
  int32_t c = (*score)->nbCvtMesures;
  return c < 0 ? 0 : (c < n ? c : n);
}

static int32_t DureeMesureJouee(Partition** score, int32_t bar) {
  return bar < 0 ? 0 : CvtMesureEnDureeMesure(score, bar);
}

static uint32_t SatureU32(int64_t v) {
  if (v < 0) return 0;
  return v > INT32_MAX ? uint32_t(INT32_MAX) : uint32_t(v);
}

void TabCvtMesureHasChanged(Partition** score, Handle rows) {
  if (!score || !rows) return;
  int32_t n = GetNbLignesCvtMesure(rows);
  std::vector<uint32_t> passes(size_t(kMaxMesures), 0);
  int64_t debut = 0;
  for (int32_t i = 0; i < n; i++) {
    int32_t bar = MesureLigne(GetLignesCvtMesure(rows)[i]);
    int32_t duree = DureeMesureJouee(score, bar);
    int32_t ecrit = bar < 0 ? 0 : CvtMesureEnTemps(score, bar);
    LigneCvtMesure& l = GetLignesCvtMesure(rows)[i];  // conversions may rebuild the bar table, never this one
    if (bar >= 0 && bar < NbMesures(score)) l.passage = ++passes[size_t(bar)];
    else l.passage = 1;
    l.debutJoue = SatureU32(debut);
    l.debutEcrit = SatureU32(ecrit);
    debut += duree;
  }
}

// ------------------------------------------------------------- the walk

namespace {

struct NoeudRepetition {
  int16_t mesure;
  int16_t compte;  // -1 repeat begin not yet repeated, > 0 repeats to make, -2 return mark
};

struct SlotGroupe {
  int16_t mesure;  // bar of the ending taken on this pass, -1 none
  uint8_t valide;
  uint8_t joue;
};

struct GroupeVolta {
  int16_t passe;
  int16_t saute;  // jumped over since its passes were played
  SlotGroupe slots[kNbPassagesVolta];
};

constexpr int kMaxBalayages = 20;
constexpr int32_t kLignesArretBalayage = 9998;
// Work allowed to one build: hostile lists stop here with the rows so far.
constexpr int64_t kBudgetMarche = 50'000'000;

struct Marche {
  Partition** score;
  int32_t nbMesures;
  std::vector<int16_t> ordre;       // record indexes sorted by bar
  std::vector<int32_t> debutBarre;  // first position in `ordre` of each bar, nbMesures + 1 entries
  std::vector<int32_t> lignes;
  std::vector<NoeudRepetition> pile;
  std::vector<GroupeVolta> groupes;
  int32_t courant = -1;
  bool alCoda = false;
  bool alFine = false;
  bool finFlag = false;
  bool daCapo = false;
  bool plein = false;  // the row limit or the work budget was reached
  int64_t travail = 0;

  Rupture& R(int16_t i) { return *GetRupture(score, i); }

  // Records of a bar: ordre[debutBarre[bar] .. debutBarre[bar + 1]).
  int32_t Debut(int32_t bar) const { return debutBarre[size_t(bar)]; }
  int32_t Fin(int32_t bar) const { return debutBarre[size_t(bar) + 1]; }

  int16_t Cherche(int32_t bar, uint32_t type) {
    if (bar < 0 || bar >= nbMesures) return -1;
    for (int32_t k = Debut(bar); k < Fin(bar); k++)
      if (R(ordre[size_t(k)]).type == type) return ordre[size_t(k)];
    return -1;
  }

  bool Compte(int64_t units) {
    travail += units;
    if (travail > kBudgetMarche) plein = true;
    return !plein;
  }

  void Ajoute(int32_t bar) {
    if (int32_t(lignes.size()) >= kMaxLignesCvtMesure) {
      lignes.back() = bar;
      plein = true;
      return;
    }
    lignes.push_back(bar);
  }

  // ------- ending groups
  static bool Marque(const Rupture& v, int p) { return p >= 0 && p < kNbPassagesVolta && v.passagesVolta[p]; }

  bool IsElementGroupe(const GroupeVolta& g, const Rupture& v, int32_t bar) {
    for (int p = 0; p < kNbPassagesVolta; p++)
      if (v.passagesVolta[p] && g.slots[p].mesure != bar) return false;
    return true;
  }
  bool UndefinedInGroupe(const GroupeVolta& g, const Rupture& v) {
    for (int p = 0; p < kNbPassagesVolta; p++)
      if (v.passagesVolta[p] && g.slots[p].mesure >= 0) return false;
    return true;
  }
  void AjouteInGroupe(GroupeVolta& g, const Rupture& v, int32_t bar) {
    for (int p = 0; p < kNbPassagesVolta; p++)
      if (v.passagesVolta[p]) {
        g.slots[p].mesure = int16_t(bar);
        g.slots[p].joue = 0;
      }
  }
  static bool TousPasses(const GroupeVolta& g) {
    for (const SlotGroupe& s : g.slots)
      if (!s.joue && s.mesure >= 0) return false;
    return true;
  }
  void TraiteInGroupeCourant(const Rupture& v) {
    GroupeVolta& g = groupes[size_t(courant)];
    bool valide = false;
    for (int p = 0; p < kNbPassagesVolta; p++)
      if (v.passagesVolta[p] && g.slots[p].valide) valide = true;
    if (valide) {
      if (g.passe < kNbPassagesVolta) g.passe++;
      for (SlotGroupe& s : g.slots) s.valide = 0;
    }
    if (TousPasses(g) && g.saute) {
      // A reset uses up the jump over it, or each pass would reset again.
      for (GroupeVolta& o : groupes) {
        o.passe = 0;
        o.saute = 0;
        for (SlotGroupe& s : o.slots) s.valide = s.joue = 0;
      }
    }
  }
  int32_t NouveauGroupe() {
    GroupeVolta g{};
    for (SlotGroupe& s : g.slots) s.mesure = -1;
    groupes.push_back(g);
    return int32_t(groupes.size()) - 1;
  }
  // Groups with a slot between two bars (inclusive, either order) were jumped over.
  void MarqueSautes(int32_t a, int32_t b, int32_t sauf) {
    if (a > b) std::swap(a, b);
    Compte(int64_t(groupes.size()) + 1);
    for (size_t k = 0; k < groupes.size(); k++) {
      if (int32_t(k) == sauf) continue;
      for (const SlotGroupe& s : groupes[k].slots)
        if (s.mesure >= a && s.mesure <= b) {
          groupes[k].saute = 1;
          break;
        }
    }
  }

  // The bar where the endings that follow an ending at `bar` start, -1 when
  // the next bar opens none.
  int32_t FinVolta(int32_t bar) {
    int32_t b = bar;
    while (b < nbMesures && Cherche(b, kRuptureFinVolta) < 0 && Cherche(b + 1, kRuptureDebutVolta) < 0) b++;
    Compte(b - bar + 1);
    return b;
  }

  // An ending start reached at a bar: which pass it is, -1 to skip it.
  int32_t PasseVolta(int16_t idx, int32_t bar) {
    const Rupture v = R(idx);
    if (courant >= 0 && IsElementGroupe(groupes[size_t(courant)], v, bar)) {
      TraiteInGroupeCourant(v);
    } else if (courant >= 0 && UndefinedInGroupe(groupes[size_t(courant)], v)) {
      AjouteInGroupe(groupes[size_t(courant)], v, bar);
    } else {
      int32_t k = -1;
      for (size_t i = 0; i < groupes.size() && k < 0; i++)
        if (IsElementGroupe(groupes[i], v, bar)) k = int32_t(i);
      Compte(int64_t(groupes.size()));
      if (k >= 0) {
        courant = k;
      } else {
        courant = NouveauGroupe();
        AjouteInGroupe(groupes[size_t(courant)], v, bar);
      }
    }
    GroupeVolta& g = groupes[size_t(courant)];
    for (int p = 0; p < kNbPassagesVolta; p++)
      if (v.passagesVolta[p]) g.slots[p].valide = 1;
    if (!daCapo) return g.passe;
    // After a Da Capo the last ending is played: the endings that follow this
    // one fill the group's empty slots first.
    for (int32_t b = FinVolta(bar); b + 1 < nbMesures; b = FinVolta(b + 1)) {
      int16_t suivante = Cherche(b + 1, kRuptureDebutVolta);
      if (suivante < 0 || plein) break;
      const Rupture& s = R(suivante);
      for (int p = 0; p < kNbPassagesVolta; p++)
        if (s.passagesVolta[p] && g.slots[p].mesure < 0) g.slots[p].mesure = int16_t(b + 1);
    }
    int32_t passe = -1;
    for (int p = 0; p < kNbPassagesVolta; p++)
      if (g.slots[p].mesure >= 0) passe = p;
    return passe;
  }

  // ------- pass counters
  bool Agit(Rupture& r) {
    int32_t c = r.compteurPassage;
    bool agit;
    switch (r.modePassage) {
      case 1: agit = c <= int32_t(r.nbPassages); break;
      case 2:
        agit = c == int32_t(r.nbPassages);
        if (agit) c = -1;
        break;
      case 3: agit = c >= 0 && c < kNbPassagesVolta && r.passagesVolta[c]; break;
      case 4: agit = (r.type == kRuptureFine && alFine) || (r.type == kRuptureToCoda && alCoda); break;
      default:
        // A jump that acts on every pass would send the walk round the same
        // bars for ever: it is taken the first time it is reached.
        agit = (r.type >= kRuptureAllerMesure && r.type <= kRuptureToCoda) ? c == 0 : true;
        break;
    }
    if (c < INT16_MAX) c++;
    r.compteurPassage = int16_t(c);
    if (agit) {
      if (r.al == 1) alCoda = true;
      else if (r.al == 2) alFine = true;
    }
    return agit;
  }

  // The bar a sign of a type and label stands at, -1 when there is none.
  int32_t MesureSigne(uint32_t type, int16_t label) {
    int16_t n = GetNbRuptures(score);
    for (int16_t i = 0; i < n; i++) {
      const Rupture& s = R(i);
      if (s.type == type && (label < 0 || s.parametre == label)) return s.mesure;
    }
    return -1;
  }

  int32_t TraiteActionRupture(int16_t idx, int32_t startBar) {
    const Rupture r = R(idx);
    if (r.al == 1) alCoda = true;
    else if (r.al == 2) alFine = true;
    int32_t cible = -1;
    switch (r.type) {
      case kRuptureFine: finFlag = true; return -1;
      case kRuptureAllerMesure: cible = r.parametre; break;
      case kRuptureDaCapo: cible = 0; break;
      case kRuptureMesureCourante: cible = startBar; break;
      case kRuptureDalSegno: cible = MesureSigne(kRuptureSegno, r.parametre); break;
      case kRuptureToCoda: cible = MesureSigne(kRuptureCoda, r.parametre); break;
      default: return -1;
    }
    if (cible >= 0) MarqueSautes(r.mesure, cible, -1);
    return cible;
  }

  // A repeat end taken outside an ending; the bar to go back to, or -1.
  int32_t Reprise(uint16_t nbPassages, bool sautMarques) {
    if (sautMarques)
      while (!pile.empty() && pile.back().compte == -2) pile.pop_back();
    if (pile.empty()) return -1;  // no section to go back to
    NoeudRepetition top = pile.back();
    if (top.compte == -1) {
      int16_t c = int16_t(nbPassages > INT16_MAX ? INT16_MAX : nbPassages);
      pile.push_back({top.mesure, c});
      return c >= 1 ? top.mesure : -1;
    }
    if (top.compte >= 1 && top.compte - 1 >= 1) {
      pile.push_back({top.mesure, int16_t(top.compte - 1)});
      return top.mesure;
    }
    return -1;
  }
};

// One warning per score and ten seconds.
void AvertitRenvoi(Partition** score) {
  static Partition** dernier = nullptr;
  static std::chrono::steady_clock::time_point quand;
  auto maintenant = std::chrono::steady_clock::now();
  if (dernier == score && maintenant - quand < std::chrono::seconds(10)) return;
  dernier = score;
  quand = maintenant;
  Avertissement(0, 0, "%s", "Numero de mesure incorrect lors d'un renvoi");
}

}  // namespace

void CalculeTabCvtMesure(Partition** score) {
  if (!score || (*score)->tabCvtMesureUtilisateur) return;
  if (!(*score)->ruptures) {
    LibereHandle(&(*score)->tabCvtMesure);
    (*score)->nbCvtMesures = 0;
    return;
  }
  Marche m;
  m.score = score;
  m.nbMesures = NbMesures(score);
  int16_t nr = GetNbRuptures(score);
  m.debutBarre.assign(size_t(m.nbMesures) + 2, 0);
  for (int16_t i = 0; i < nr; i++) {
    Rupture& r = m.R(i);
    r.compteurPassage = 0;
    if (r.mesure >= 0 && r.mesure < m.nbMesures) m.debutBarre[size_t(r.mesure) + 1]++;
  }
  for (size_t b = 1; b < m.debutBarre.size(); b++) m.debutBarre[b] += m.debutBarre[b - 1];
  m.ordre.assign(size_t(m.debutBarre[size_t(m.nbMesures)]), 0);
  {
    std::vector<int32_t> pos(m.debutBarre.begin(), m.debutBarre.end());
    for (int16_t i = 0; i < nr; i++) {
      const Rupture& r = m.R(i);
      if (r.mesure >= 0 && r.mesure < m.nbMesures) m.ordre[size_t(pos[size_t(r.mesure)]++)] = i;
    }
    // Within a bar, records keep their sorted order (bar line, ending, signs, end).
    for (int32_t b = 0; b < m.nbMesures; b++)
      std::stable_sort(m.ordre.begin() + m.Debut(b), m.ordre.begin() + m.Fin(b),
                       [&](int16_t a, int16_t c) { return GetTypeRupture(&m.R(a)) < GetTypeRupture(&m.R(c)); });
  }

  int32_t debut = 0;
  for (int16_t i = 0; i < nr; i++)
    if (m.R(i).type == kRuptureDebutMusique && m.R(i).mesure >= 0) {
      debut = m.R(i).mesure;
      break;
    }
  bool parSaut = false;

  for (int balayage = 0; balayage < kMaxBalayages && !m.plein; balayage++) {
    size_t premiereLigne = m.lignes.size();
    m.groupes.clear();
    m.courant = -1;
    m.pile.assign(1, NoeudRepetition{0, -1});
    m.daCapo = false;
    m.finFlag = false;
    int16_t ouverte = -1;
    int32_t bar = debut;
    int32_t debutBalayage = debut;
    bool atteintParSaut = parSaut;

    while (bar >= 0 && bar < m.nbMesures && m.Compte(1 + m.Fin(bar) - m.Debut(bar))) {
      bool saut = atteintParSaut;
      atteintParSaut = false;
      if (!saut && !m.daCapo && m.Cherche(bar, kRuptureDebutRepetition) >= 0) m.pile.push_back({int16_t(bar), -1});

      int16_t volta = m.Cherche(bar, kRuptureDebutVolta);
      if (volta >= 0) {
        int32_t passe = m.PasseVolta(volta, bar);
        if (!Marche::Marque(m.R(volta), passe)) {
          bar = m.FinVolta(bar) + 1;
          atteintParSaut = true;
          continue;
        }
        m.groupes[size_t(m.courant)].slots[passe].joue = 1;
        ouverte = volta;
      }

      bool finBalayage = false;
      for (int32_t k = m.Debut(bar); k < m.Fin(bar); k++) {
        Rupture& r = m.R(m.ordre[size_t(k)]);
        if (r.placement == kRupturePlacementFin) continue;
        if (m.Agit(r) && r.type == kRuptureCoda && !saut) finBalayage = true;
      }
      if (finBalayage) break;

      m.Ajoute(bar);
      if (m.plein) break;

      int32_t cible = -1;
      for (int32_t k = m.Debut(bar); k < m.Fin(bar) && cible < 0 && !m.finFlag; k++) {
        int16_t idx = m.ordre[size_t(k)];
        Rupture& r = m.R(idx);
        if (r.placement != kRupturePlacementFin || !m.Agit(r)) continue;
        if (r.type == kRuptureDaCapo) m.daCapo = true;
        cible = m.TraiteActionRupture(idx, debutBalayage);
      }
      if (m.finFlag) break;
      if (cible >= 0) {
        bar = cible;
        atteintParSaut = true;
        continue;
      }

      int16_t reprise = m.daCapo ? -1 : m.Cherche(bar, kRuptureFinRepetition);
      if (reprise >= 0) {
        uint16_t nbPassages = m.R(reprise).nbPassages;
        int32_t retour = -1;
        int32_t sauf = -1;
        bool finVoltaIci = m.Cherche(bar, kRuptureFinVolta) >= 0;
        int16_t voltaSuivante = m.Cherche(bar + 1, kRuptureDebutVolta);
        if (ouverte < 0) {
          retour = m.Reprise(nbPassages, true);
        } else if (!finVoltaIci && voltaSuivante < 0) {
          retour = m.Reprise(nbPassages, false);
        } else if (m.courant >= 0) {
          GroupeVolta& g = m.groupes[size_t(m.courant)];
          if (voltaSuivante >= 0 && m.UndefinedInGroupe(g, m.R(voltaSuivante)))
            m.AjouteInGroupe(g, m.R(voltaSuivante), bar + 1);
          int nbMarques = 0;
          for (uint8_t f : m.R(ouverte).passagesVolta) nbMarques += f ? 1 : 0;
          if ((nbMarques == 1 || !Marche::TousPasses(g)) && !m.pile.empty()) {
            int16_t b = m.pile.back().mesure;
            m.pile.pop_back();
            m.pile.push_back({b, -2});
            ouverte = -1;
            retour = b;
            // Going back for the next ending is no jump over this group.
            sauf = m.courant;
          }
        }
        if (retour >= 0) {
          m.MarqueSautes(bar, retour, sauf);
          bar = retour;
          atteintParSaut = true;
          continue;
        }
      }
      if (m.Cherche(bar, kRuptureFinVolta) >= 0) ouverte = -1;
      if (m.Cherche(bar, kRuptureFinMusique) >= 0) break;
      bar++;
    }
    if (m.plein) break;

    // A jump instruction of the last pass acts from the last row that holds
    // one of its type; of those rows, the earliest acts.
    int32_t ligneSel = -1;
    int16_t ruptureSel = -1;
    std::vector<uint32_t> typesVus;
    for (int32_t l = int32_t(m.lignes.size()) - 1; l >= int32_t(premiereLigne) && !m.plein; l--) {
      int32_t b = m.lignes[size_t(l)];
      m.Compte(1 + m.Fin(b) - m.Debut(b));
      for (int32_t k = m.Debut(b); k < m.Fin(b); k++) {
        int16_t idx = m.ordre[size_t(k)];
        const Rupture& r = m.R(idx);
        if (r.placement != kRupturePlacementFin || r.modePassage != 4 || r.type == kRuptureFine) continue;
        if (r.type == kRuptureToCoda && m.alCoda) continue;
        if (std::find(typesVus.begin(), typesVus.end(), r.type) != typesVus.end()) continue;
        typesVus.push_back(r.type);
        ligneSel = l;  // rows are scanned backwards: the last one set is the earliest
        ruptureSel = idx;
      }
    }
    if (m.plein) break;
    if (ruptureSel >= 0) {
      int32_t cible = m.TraiteActionRupture(ruptureSel, debutBalayage);
      if (cible < 0 || cible >= m.nbMesures) {
        AvertitRenvoi(score);
        break;
      }
      m.lignes.resize(size_t(ligneSel) + 1);
      debut = cible;
      parSaut = true;
      if (int32_t(m.lignes.size()) >= kLignesArretBalayage) break;
      continue;
    }
    if (!m.alFine) {
      for (int32_t l = int32_t(m.lignes.size()) - 1; l >= int32_t(premiereLigne); l--)
        if (m.Cherche(m.lignes[size_t(l)], kRuptureFine) >= 0) {
          m.lignes.resize(size_t(l) + 1);
          break;
        }
    }
    break;
  }

  int32_t n = int32_t(m.lignes.size());
  Handle rows = NewHandleClear(Size(n) * Size(sizeof(LigneCvtMesure)));
  if (!rows) {
    LibereHandle(&(*score)->tabCvtMesure);
    (*score)->nbCvtMesures = 0;
    return;
  }
  for (int32_t i = 0; i < n; i++) GetLignesCvtMesure(rows)[i].mesure = m.lignes[size_t(i)];
  TabCvtMesureHasChanged(score, rows);
  LibereHandle(&(*score)->tabCvtMesure);
  (*score)->tabCvtMesure = rows;
  (*score)->nbCvtMesures = int16_t(n);
}

// --------------------------------------------------------- typed lists

bool CvtStringToTabMesures(Partition** score, const char* text, int32_t length, ExtendedTERec** editRecord) {
  if (!score || (!text && length > 0)) return false;
  if (length < 0) length = 0;
  int32_t last = NbMesures(score);
  std::vector<int32_t> bars;
  int32_t i = 0;
  while (i < length) {
    auto separateur = [&](int32_t k) { return text[k] == ',' || uint8_t(text[k]) < uint8_t('!'); };
    while (i < length && separateur(i)) i++;
    if (i >= length) break;
    int32_t debutItem = i;
    while (i < length && !separateur(i)) i++;
    // One item: n, a-b or a-.
    auto nombre = [&](int32_t& k, int32_t fin, int32_t& out) {
      bool lu = false;
      out = 0;
      while (k < fin && text[k] >= '0' && text[k] <= '9') {
        if (out < 100000) out = out * 10 + (text[k] - '0');
        k++;
        lu = true;
      }
      return lu;
    };
    int32_t k = debutItem, a = 0, b = 0;
    bool ok = nombre(k, i, a);
    if (ok) {
      if (k < i && text[k] == '-') {
        k++;
        if (!nombre(k, i, b)) b = last;
      } else {
        b = a;
      }
    }
    if (!ok || a < 1 || a > last) {
      // The item would be selected in the edit record: the beep says it here.
      if (editRecord) SysBeep(60);
      return false;
    }
    if (b > last) b = last;
    for (int32_t bar = a; bar <= b; bar++) {
      if (int32_t(bars.size()) >= kMaxLignesCvtMesure) {
        if (editRecord) SysBeep(60);
        return false;
      }
      bars.push_back(bar - 1);
    }
  }
  Handle rows = NewHandleClear(Size(bars.size()) * Size(sizeof(LigneCvtMesure)));
  if (!rows) return false;
  for (size_t k = 0; k < bars.size(); k++) GetLignesCvtMesure(rows)[k].mesure = bars[k];
  TabCvtMesureHasChanged(score, rows);
  LibereHandle(&(*score)->tabCvtMesure);
  (*score)->tabCvtMesure = rows;
  (*score)->nbCvtMesures = int16_t(bars.size());
  (*score)->tabCvtMesureUtilisateur = 1;
  return true;
}

Handle ConvertTabMesureLogiqueEnPhysique(Partition** score, Handle rows) {
  if (!score) return nullptr;
  int32_t n = GetNbLignesCvtMesure(rows);
  int32_t nb = std::min(NbMesures(score), GetNbMesuresTabEltRuban(score));
  const TabEltMesure* t = GetLignesTabElt((*score)->tabEltMesure[0]);
  std::vector<int32_t> sortie;
  for (int32_t i = 0; i < n && int32_t(sortie.size()) < kMaxLignesCvtMesure; i++) {
    int32_t numero = GetLignesCvtMesure(rows)[i].mesure;
    int32_t premier = -1;
    for (int32_t b = 0; b < nb && premier < 0; b++)
      if (t[b].numeroMesure != 0 && int32_t(t[b].numeroMesure) - 1 == numero) premier = b;
    if (premier < 0) continue;
    sortie.push_back(premier);
    for (int32_t b = premier + 1; b < nb && t[b].numeroMesure == 0; b++) {
      if (int32_t(sortie.size()) >= kMaxLignesCvtMesure) break;
      sortie.push_back(b);
    }
  }
  Handle out = NewHandleClear(Size(sortie.size()) * Size(sizeof(LigneCvtMesure)));
  if (!out) return nullptr;
  for (size_t k = 0; k < sortie.size(); k++) GetLignesCvtMesure(out)[k].mesure = sortie[k];
  TabCvtMesureHasChanged(score, out);
  return out;
}

void AjusteTabMesuresJoueesQuandDeleteMesures(Document* document, int16_t atBar, int16_t count) {
  if (!document || !document->partitionCourante || count < 1) return;
  Partition** score = document->partitionCourante;
  if (!(*score)->tabCvtMesureUtilisateur || !(*score)->tabCvtMesure) return;
  int32_t n = NbLignes(score);
  LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
  int32_t k = 0;
  for (int32_t i = 0; i < n; i++) {
    int32_t bar = MesureLigne(l[i]);
    if (bar >= atBar && bar < int32_t(atBar) + count) continue;
    if (bar >= int32_t(atBar) + count) bar -= count;
    l[k] = l[i];
    l[k].mesure = bar;
    k++;
  }
  RetailleHandle((*score)->tabCvtMesure, Size(k) * Size(sizeof(LigneCvtMesure)));
  (*score)->nbCvtMesures = int16_t(k);
  TabCvtMesureHasChanged(score, (*score)->tabCvtMesure);
}

void RemetsPorteesEnFormeQuandRuptureChange(Partition** score) {
  if (!score) return;
  const int32_t nbMesures = NbMesures(score);
  // Passes of each bar: one without a played table, else as many as the
  // table plays it (counted in one walk).
  std::vector<int32_t> passages(size_t(nbMesures), (*score)->tabCvtMesure ? 0 : 1);
  if ((*score)->tabCvtMesure) {
    const int32_t n = NbLignes(score);
    const LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
    for (int32_t i = 0; i < n; i++) {
      const int32_t b = MesureLigne(l[i]);
      if (b >= 0 && b < nbMesures) passages[size_t(b)]++;
    }
  }
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = (*score)->portees[k];
    if (!(*staff)->ligneParolesAffichee && (*staff)->type != kTypePorteePisteNumerique) continue;
    // Each bar shows the row of its last pass that has one.
    int32_t plusHaute = -1;
    for (int32_t b = 0; b < nbMesures; b++) {
      for (int32_t v = std::min(passages[size_t(b)], int32_t(kNbPassagesKaraoke)) - 1; v >= 0; v--) {
        const int16_t d = CvtPassageKaraokeEnLigneAffichage(staff, int16_t(b), int16_t(v));
        if (d >= 0) {
          plusHaute = std::max<int32_t>(plusHaute, d);
          break;
        }
      }
    }
    (*staff)->lignesTexte[0].nbLignes = int16_t(plusHaute + 1);
  }
}

// ------------------------------------------------------------ conversions

int32_t CalculeIndexMesureSelonRupture(Partition** score, int32_t row) {
  if (!score) return -1;
  if (!(*score)->tabCvtMesure) return row;
  if (row < 0 || row >= NbLignes(score)) return -1;
  return MesureLigne(GetLignesCvtMesure((*score)->tabCvtMesure)[row]);
}

int32_t CvtPosMesureEnNbPassages(Partition** score, int32_t bar) {
  if (!score || !(*score)->tabCvtMesure) return 1;
  int32_t n = NbLignes(score), c = 0;
  const LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
  for (int32_t i = 0; i < n; i++) c += MesureLigne(l[i]) == bar ? 1 : 0;
  return c;
}

int32_t CvtPosMesurePassageEnMesureJouee(Partition** score, int32_t bar, int32_t pass) {
  if (!score || !(*score)->tabCvtMesure) return pass == 0 ? bar : -1;
  if (pass < 0) return -1;
  int32_t n = NbLignes(score);
  const LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
  for (int32_t i = 0; i < n; i++)
    if (MesureLigne(l[i]) == bar && pass-- == 0) return i;
  return -1;
}

// The last row whose played start is at most the time; row 0 before the first.
static int32_t ChercheLigneJouee(const LigneCvtMesure* l, int32_t n, int32_t time) {
  int32_t lo = 0, hi = n - 1, res = 0;
  while (lo <= hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (int64_t(l[mid].debutJoue) <= time) {
      res = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return res;
}

int32_t CvtTempsJoueEnTempsEcrit(Partition** score, int32_t time) {
  if (!score) return time;
  int32_t n = NbLignes(score);
  if (n == 0) return time;
  const LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
  if ((*score)->ruptures) {
    const LigneCvtMesure& r = l[ChercheLigneJouee(l, n, time)];
    return Sature32(int64_t(time) - r.debutJoue + r.debutEcrit);
  }
  int32_t bar = CvtTempsEnMesure(score, time);
  int32_t row = bar < 0 ? 0 : (bar >= n ? n - 1 : bar);
  return Sature32(int64_t(time) - CvtMesureEnTemps(score, bar) + l[row].debutEcrit);
}

int32_t CvtTempsJoueEnMesureJouee(Partition** score, int32_t time, int32_t* rest) {
  if (!score) {
    if (rest) *rest = 0;
    return 0;
  }
  int32_t n = NbLignes(score);
  if (n == 0 || !(*score)->ruptures) {
    int32_t bar = CvtTempsEnMesure(score, time);
    if (rest) *rest = Sature32(int64_t(time) - CvtMesureEnTemps(score, bar));
    return bar;
  }
  const LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
  int32_t row = ChercheLigneJouee(l, n, time);
  if (rest) *rest = Sature32(int64_t(time) - l[row].debutJoue);
  return row;
}

int32_t CvtMesureJoueeEnTempsJoue(Partition** score, int32_t row) {
  if (!score || row < 1) return 0;
  if (!(*score)->tabCvtMesure) return CvtMesureEnTemps(score, row);
  int32_t n = NbLignes(score);
  if (n == 0) return 0;
  const LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
  if (row < n) return int32_t(l[row].debutJoue);
  return Sature32(int64_t(l[n - 1].debutJoue) + DureeMesureJouee(score, MesureLigne(l[n - 1])));
}

int32_t CvtTempsEcritEnTempsJoue(Partition** score, int32_t time, bool lastPass) {
  if (!score || !(*score)->tabCvtMesure) return time;
  int32_t bar = CvtTempsEnMesure(score, time);
  int32_t n = NbLignes(score);
  const LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
  int32_t row = -1;
  for (int32_t i = 0; i < n; i++)
    if (MesureLigne(l[i]) == bar) {
      row = i;
      if (!lastPass) break;
    }
  if (row < 0) row = bar;
  return Sature32(int64_t(CvtMesureJoueeEnTempsJoue(score, row)) + time - CvtMesureEnTemps(score, bar));
}

int32_t DureeTotaleMusique(Partition** score) {
  if (!score) return -1;
  if (!(*score)->tabCvtMesure) return CvtMesureEnTemps(score, NbMesures(score)) - 1;
  int32_t n = NbLignes(score);
  if (n == 0) return -1;
  const LigneCvtMesure& l = GetLignesCvtMesure((*score)->tabCvtMesure)[n - 1];
  return Sature32(int64_t(l.debutJoue) + DureeMesureJouee(score, MesureLigne(l)) - 1);
}

int32_t CvtMesureEnDureeMesureTheorique(Partition** score, int32_t bar) {
  if (!score) return kDureeRonde;
  int32_t n = GetNbMesuresTabEltRuban(score);
  if (n <= 0) return kDureeRonde;
  if (bar < 0) bar = 0;
  if (bar >= n) bar = n - 1;
  const DivisionTemporelle& d = GetLignesTabElt((*score)->tabEltMesure[0])[bar].division;
  // A written beat type of -1 marks a single-number signature: no additive length.
  if (d.denominateurAdditif > 0)
    return int32_t(
        roundf(float(d.partieAdditive1 + d.partieAdditive2) * float(kDureeRonde) / float(d.denominateurAdditif)));
  if (d.numerateur == 0 || d.denominateur == 0) return kDureeRonde;
  return int32_t(int64_t(d.numerateur) * kDureeRonde / d.denominateur);
}

// ------------------------------------------------------------ milliseconds

int32_t GetNbMesuresJouees(Partition** score) { return score && (*score)->tabCvtMesure ? NbLignes(score) : 0; }

namespace {

// A tempo that is not at least one quarter per minute (a score never given
// one) would stop the clock: it counts as the engine's default tempo.
double TempoPourMs(float tempo) { return tempo >= 1.0f ? double(tempo) : 120.0; }

int32_t NbSegments(Handle h) { return h ? int32_t(GetHandleSize(h) / Size(sizeof(SegmentCvtSec))) : 0; }

const SegmentCvtSec* Segments(Handle h) { return h ? reinterpret_cast<const SegmentCvtSec*>(*h) : nullptr; }

// The score's table, built when absent; null when it cannot be.
Handle TableauCvtSec(Partition** score, bool played) {
  Handle* champ = played ? &(*score)->tableauCvtSec : &(*score)->tableauCvtSecEcrit;
  if (!*champ) {
    Handle h = InitTableauCvtSec(score, played);
    // Building may have rebuilt the tempo curve, which frees both tables.
    champ = played ? &(*score)->tableauCvtSec : &(*score)->tableauCvtSecEcrit;
    LibereHandle(champ);
    *champ = h;
  }
  return *champ;
}

int32_t SatureMs(double v) {
  if (!(v > double(INT32_MIN))) return INT32_MIN;
  if (v >= double(INT32_MAX)) return INT32_MAX;
  return int32_t(v);
}

int32_t ArrondiMs(double v) { return SatureMs(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5)); }

}  // namespace

Handle InitTableauCvtSec(Partition** score, bool played) {
  if (!score) return nullptr;
  // The curve is built first, so that no tempo query below rebuilds it.
  CvtTempsEnTempo(score, 0);
  std::vector<SegmentCvtSec> v;
  double dernier = TempoPourMs(GetTempoFinPartition(score));
  v.push_back(SegmentCvtSec{0, 0.0f, kMsParTempsAUnTempo / dernier});
  int32_t joues = played ? GetNbMesuresJouees(score) : 0;
  int32_t n = std::max(NbMesures(score), joues);
  int64_t courant = 0;
  for (int32_t k = 0; k < n && courant <= INT32_MAX; k++) {
    // Past the end of a short played list there is nothing more to time.
    int32_t b = played ? CalculeIndexMesureSelonRupture(score, k) : k;
    if (b < 0) continue;
    int32_t duree = CvtMesureEnDureeMesure(score, b);
    if (duree <= 0) continue;
    int32_t ecrit = CvtMesureEnTemps(score, b);
    for (int32_t pas = 0; pas < duree; pas += kPasCourbeTempo) {
      double tempo = TempoPourMs(CvtTempsEnTempo(score, Sature32(int64_t(ecrit) + pas)));
      if (tempo != dernier) {
        int32_t debut = Sature32(courant + pas);
        SegmentCvtSec& d = v.back();
        SegmentCvtSec s{debut, float(double(d.ms) + double(int64_t(debut) - d.debut) * d.msParTemps),
                        kMsParTempsAUnTempo / tempo};
        if (d.debut == debut) d = s;
        else v.push_back(s);
      }
      dernier = tempo;
    }
    courant += duree;
  }
  Handle h = NewHandle(Size(v.size() * sizeof(SegmentCvtSec)));
  if (!h) return nullptr;
  std::memcpy(*h, v.data(), v.size() * sizeof(SegmentCvtSec));
  return h;
}

void LibereTableauCvtSec(Partition** score) {
  if (!score) return;
  LibereHandle(&(*score)->tableauCvtSec);
  LibereHandle(&(*score)->tableauCvtSecEcrit);
}

int32_t CvtTempsJoueEnMs(Partition** score, int32_t tick, bool played) {
  if (!score) return 0;
  Handle h = TableauCvtSec(score, played);
  int32_t n = NbSegments(h);
  if (n == 0) return 0;
  const SegmentCvtSec* s = Segments(h);
  int32_t lo = 0, hi = n - 1, i = 0;
  while (lo <= hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (s[mid].debut <= tick) {
      i = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return ArrondiMs(double(s[i].ms) + double(int64_t(tick) - s[i].debut) * s[i].msParTemps);
}

int32_t CvtMsEnTempsJoue(Partition** score, int32_t ms, bool played) {
  if (!score) return 0;
  Handle h = TableauCvtSec(score, played);
  int32_t n = NbSegments(h);
  if (n == 0) return 0;
  const SegmentCvtSec* s = Segments(h);
  int32_t lo = 0, hi = n - 1, i = -1;
  while (lo <= hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (double(s[mid].ms) <= double(ms)) {
      i = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  if (i < 0) return 0;
  return SatureMs((double(ms) - double(s[i].ms)) / s[i].msParTemps + double(s[i].debut));
}

int32_t CvtMesureJoueeEnMs(Partition** score, int32_t row) {
  return CvtTempsJoueEnMs(score, CvtMesureJoueeEnTempsJoue(score, row), true);
}

int32_t CvtPosPisteEnMs(uint32_t sampleRate, uint32_t sampleOffset) {
  if (sampleRate == 0) return 0;
  return SatureMs(double(float(sampleOffset)) / (double(float(sampleRate)) * 0.001));
}

int32_t CvtPosPisteNumeriqueEnMesureEcrite(Document* document, uint32_t sampleRate, uint32_t sampleOffset, int32_t* bar,
                                           int32_t* pass, int32_t* playedBar) {
  int32_t mesure = 0, passage = 0, joue = 0;
  Partition** score = document ? document->partitionCourante : nullptr;
  if (score) {
    int32_t t = CvtMsEnTempsJoue(score, CvtPosPisteEnMs(sampleRate, sampleOffset), true);
    joue = CvtTempsEnMesure(score, t);
    int32_t c = GetNbMesuresJouees(score);
    mesure = joue;
    if (c > 0 && joue >= c) {
      mesure = joue + 1 - c + CalculeIndexMesureSelonRupture(score, c - 1);
    } else if (c > 0 && joue >= 0) {
      mesure = CalculeIndexMesureSelonRupture(score, joue);
      for (int32_t k = 0; k < joue; k++) passage += CalculeIndexMesureSelonRupture(score, k) == mesure ? 1 : 0;
    }
  }
  if (bar) *bar = mesure;
  if (pass) *pass = passage;
  if (playedBar) *playedBar = joue;
  return mesure;
}

int16_t CvtPosPisteNumeriqueEnPosEcr(Document* document, Portee** staff, uint32_t sampleOffset, Rect* cell,
                                     int32_t* playedBar) {
  if (cell) *cell = Rect{};
  if (playedBar) *playedBar = 0;
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score || !staff) return 0;
  uint32_t rate = GetSampleRatePisteNumerique(staff);
  int32_t mesure = 0, passage = 0;
  CvtPosPisteNumeriqueEnMesureEcrite(document, rate, sampleOffset, &mesure, &passage, playedBar);
  // Page placement moves the staff: its screen origin is put back on every path.
  const Rect origine = (*staff)->rect;
  const int16_t yEcran = (*staff)->yEcran;
  int32_t decalage = 0;
  bool place = true;
  if (GetModeEcran(score) == kModeEcranRuban) decalage = CvtPixelEnPosEcr(document, 0);
  else place = PrepareDraw(staff, mesure, false, &decalage);
  Rect r{};
  int16_t x = 0;
  if (place && CalculeAireCelluleEcranPisteNumerique(score, staff, mesure, passage, &r, decalage)) {
    int32_t joue = CvtMsEnTempsJoue(score, CvtPosPisteEnMs(rate, sampleOffset), true);
    int64_t px = int64_t(CvtTempsEnPixelEcran(score, CvtTempsJoueEnTempsEcrit(score, joue))) + decalage - r.left;
    x = int16_t(uint16_t(uint64_t(px) & 0xFFFFu));
    if (cell) *cell = r;
  }
  (*staff)->rect = origine;
  (*staff)->yEcran = yEcran;
  return x;
}

int32_t GetRetardNegatifPartition200e(Partition** score) { return score ? (*score)->preRoll : 0; }

int32_t GetRetardNegatifPartitionTemps(Partition** score, int32_t tick, bool forward) {
  if (!score) return 0;
  int32_t preRoll = (*score)->preRoll;
  float tempo = CvtTempsEnTempo(score, tick);
  float d = float(double(40320.0f * tempo * float(preRoll)) * 0.00008333333333333333);
  int32_t dt = SatureMs(double(d));
  int64_t t = tick;
  if (!forward && !(t > double(d))) return dt;
  int32_t tp = CvtTempsEcritEnTempsJoue(score, tick, false);
  int64_t ms = CvtTempsJoueEnMs(score, tp, false);
  int64_t mesure = int16_t(CvtTempsEnMesure(score, tick));
  if (forward) {
    if (CvtTempsEnTempo(score, Sature32(t + dt)) == tempo) return dt;
    int32_t t2 = CvtTempsJoueEnTempsEcrit(
        score, std::max(CvtMsEnTempsJoue(score, Sature32(ms + 5 * int64_t(preRoll)), false), tp));
    int64_t mesure2 = int16_t(CvtTempsEnMesure(score, t2));
    if (t2 >= t && mesure2 == mesure) return Sature32(t2 - t);
    return Sature32(int64_t(t2) - t + CvtMesureEnTemps(score, Sature32(mesure + 1)) -
                    CvtMesureEnTemps(score, Sature32(mesure2)));
  }
  if (CvtTempsEnTempo(score, Sature32(t - dt)) == tempo) return dt;
  int32_t t2 = CvtTempsJoueEnTempsEcrit(
      score, std::min(tp, CvtMsEnTempsJoue(score, Sature32(ms - 5 * int64_t(preRoll)), false)));
  int64_t mesure2 = int16_t(CvtTempsEnMesure(score, t2));
  if (t2 <= t && mesure2 == mesure) return Sature32(t - t2);
  return Sature32(t - t2 - CvtMesureEnTemps(score, Sature32(mesure)) + CvtMesureEnTemps(score, Sature32(mesure2 + 1)));
}
