#include "layout/HauteursPortees.h"

#include <algorithm>

#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/TabEltMesure.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/Tablature.h"
#include "system/Strings.h"

namespace {

// The piano-roll form of a master length; a staff outside a score keeps the master.
int16_t FormeRuban(Portee** staff, int32_t v) {
  Partition** score = (*staff)->partition;
  return Sature16(score ? ZoomRuban(score, v) : v);
}

void MarqueModifie(Portee** staff) {
  if ((*staff)->partition) SetTabEltMesureModifie((*staff)->partition, kTabEltMarges);
}

int16_t Positif(int32_t y) { return Sature16(std::max(y, 0)); }

// The chord line and the lyrics base line are kept at the score's own resolution.
class DpiPartition {
 public:
  explicit DpiPartition(Portee** staff) : ancien_(GetDpiDest()) {
    if ((*staff)->partition) SetDpiPartition((*staff)->partition);
  }
  ~DpiPartition() { SetDpiDest(ancien_); }
  DpiPartition(const DpiPartition&) = delete;
  DpiPartition& operator=(const DpiPartition&) = delete;

 private:
  int16_t ancien_;
};

Tablature* TablatureDe(Portee** staff) {
  Tablature** t = GetTablature(staff);
  return t ? *t : nullptr;
}

// Height of the staff's text lines: four rows of each shown line.
int32_t ExtraLignesTexte(const Portee& p) {
  int32_t extra = 0;
  if (p.karaoke) extra += 4 * Zoom(p.lignesTexte[0].hauteurLigne);
  if (p.ligneAccords) extra += 4 * Zoom(p.lignesTexte[1].hauteurLigne);
  return extra;
}

}  // namespace

float InterlignePortee(Portee** staff) {
  if (!staff) return 0.0f;
  const Portee& p = **staff;
  if (p.interligne > 0.0f) return p.interligne;
  const float taille = p.aspect.tailleUnite > 0 ? float(p.aspect.tailleUnite) : 72.0f;
  return taille * float(GetDpiDest()) / (p.type == kTypePorteeGregorien ? 648.0f : 864.0f);
}

int16_t GetHauteurTablaturePortee(Portee** staff) {
  Tablature* t = TablatureDe(staff);
  if (!t || !t->vecteurs.GetHauteurEcran) return 0;
  return t->vecteurs.GetHauteurEcran(staff, 1);
}

int16_t GetHauteurLigneRubanPortee(Portee** staff) {
  if (!staff) return 0;
  const Portee& p = **staff;
  float interligne = p.interligneRuban;
  if (!(interligne > 0.0f)) {
    const int32_t taille = p.aspect.tailleUnite > 0 ? p.aspect.tailleUnite : 72;
    interligne = float(FormeRuban(staff, taille)) / (p.type == kTypePorteeGregorien ? 9.0f : 12.0f);
  }
  switch (p.type) {
    case kTypePorteeBatterie: return Sature16(int64_t(float(FormeRuban(staff, 2)) + 2.0f * interligne));
    case kTypePorteeParole: return FormeRuban(staff, 24);
    case kTypePorteeTablature:
      return GetTablature(staff) ? FormeRuban(staff, DeZoom(GetHauteurTablaturePortee(staff))) : int16_t(0);
    case kTypePorteeGregorien: return Sature16(int64_t(5.0f * interligne));
    case kTypePorteePisteNumerique: return FormeRuban(staff, 64);
    default: return Sature16(int64_t(6.0f * interligne));
  }
}

int16_t HauteurNormalePortee(Portee** staff) {
  if (!staff) return 0;
  const Portee& p = **staff;
  const float interligne = InterlignePortee(staff);
  const int32_t extra = ExtraLignesTexte(p);
  const int32_t tablature = GetTablature(staff) ? GetHauteurTablaturePortee(staff) : 0;
  float h;
  switch (p.type) {
    case kTypePorteeBatterie: h = float(Zoom(2) + extra) + 2.0f * interligne; break;
    case kTypePorteeParole: h = float(Zoom(24) + extra); break;
    case kTypePorteeTablature: h = float(tablature); break;
    case kTypePorteeGregorien: h = float(extra) + 8.0f * interligne + float(tablature); break;
    case kTypePorteePisteNumerique: h = float(Zoom(64) + extra); break;
    default: h = float(extra) + 12.0f * interligne + float(tablature); break;
  }
  return Sature16(int64_t(h));
}

void SetHauteurPortee(Portee** staff, int16_t h) {
  if (!staff) return;
  const int16_t maitre = Sature16(DeZoom(h));
  (*staff)->hauteurBaseRuban = maitre;
  (*staff)->hauteurEcran = Sature16(Zoom(maitre));
  (*staff)->hauteurRuban = FormeRuban(staff, maitre);
  MarqueModifie(staff);
  CheckHauteurPortee(staff);
}

void SetLigneBasePortee(Portee** staff, int16_t y) {
  if (!staff) return;
  const int16_t maitre = Sature16(DeZoom(Positif(y)));
  (*staff)->decalageLigneBasBaseRuban = maitre;
  (*staff)->decalageLigneBas = Sature16(Zoom(maitre));
  (*staff)->decalageLigneBasRuban = FormeRuban(staff, maitre);
  MarqueModifie(staff);
}

void SetLigneBaseTablature(Portee** staff, int16_t y) {
  Tablature* t = TablatureDe(staff);
  if (!t) return;
  const int16_t maitre = Sature16(DeZoom(Positif(y)));
  const int16_t ruban = FormeRuban(staff, maitre);
  t = TablatureDe(staff);
  t->ligneBase = maitre;
  t->ligneBaseZoom = Sature16(Zoom(maitre));
  t->ligneBaseRuban = ruban;
  MarqueModifie(staff);
}

void SetLigneAccordPortee(Portee** staff, int16_t y) {
  if (!staff) return;
  DpiPartition dpi(staff);
  const int16_t maitre = Sature16(DeZoom(Positif(y)));
  (*staff)->ligneAccord = maitre;
  (*staff)->lignesTexte[1].decalageHaut = uint16_t(Positif(Zoom(maitre)));
  (*staff)->ligneAccordRuban = FormeRuban(staff, maitre);
  MarqueModifie(staff);
}

void SetLigneBaseKaraoke(Portee** staff, int16_t y) {
  if (!staff) return;
  DpiPartition dpi(staff);
  const int16_t maitre = Sature16(DeZoom(Positif(y)));
  (*staff)->hauteurBaseLigneTexte = uint16_t(maitre);
  (*staff)->lignesTexte[0].decalageHaut = uint16_t(Positif(Zoom(maitre)));
  (*staff)->ligneBaseKaraokeRuban = FormeRuban(staff, maitre);
  MarqueModifie(staff);
}

void SetDefaultLignesAccordPortee(Portee** staff) {
  if (!staff) return;
  const float interligne = InterlignePortee(staff);
  int32_t y;
  if ((*staff)->type == kTypePorteeTablature && GetTablature(staff)) {
    y = TablatureDe(staff)->ligneBaseZoom + GetHauteurTablaturePortee(staff);
  } else {
    y = int32_t(float((*staff)->decalageLigneBas) - 6.0f * interligne - float(Zoom(4)));
    if (y < 0) y = Zoom(4);
  }
  SetLigneAccordPortee(staff, Sature16(y));
}

void SetDefaultLignesBaseKaraoke(Portee** staff) {
  if (!staff) return;
  const float interligne = InterlignePortee(staff);
  const uint32_t type = (*staff)->type;
  float y;
  if (type == kTypePorteeParole || type == kTypePorteePisteNumerique) {
    y = 0.0f;
  } else if (GetTablature(staff)) {
    y = float(GetHauteurTablaturePortee(staff) + TablatureDe(staff)->ligneBaseZoom) + 3.0f * interligne;
  } else {
    y = float((*staff)->decalageLigneBas) + 2.0f * interligne;
  }
  SetLigneBaseKaraoke(staff, Positif(int32_t(y)));
}

void SetDefaultLignesInternesPortees(Portee** staff) {
  if (!staff) return;
  const int16_t normale = HauteurNormalePortee(staff);
  SetHauteurPortee(staff, normale);
  const float interligne = InterlignePortee(staff);
  float b;
  switch ((*staff)->type) {
    case kTypePorteeBatterie: b = 2.0f * interligne; break;
    case kTypePorteeParole:
    case kTypePorteePisteNumerique: b = 16.0f; break;
    case kTypePorteeTempo: b = 0.0f; break;
    case kTypePorteeGregorien: b = 8.0f * interligne; break;
    default: b = 10.0f * interligne - float(Zoom(11)); break;
  }
  SetLigneBasePortee(staff, Positif(int32_t(b + float(((*staff)->hauteurEcran - normale) / 2))));
  if (Tablature* t = TablatureDe(staff)) {
    const float y = (*staff)->type == kTypePorteeTablature ? float((*staff)->decalageLigneBas + Zoom(16))
                                                           : float((*staff)->hauteurEcran) + t->decalage;
    SetLigneBaseTablature(staff, Positif(int32_t(y)));
  }
  SetDefaultLignesAccordPortee(staff);
  SetDefaultLignesBaseKaraoke(staff);
  CheckHauteurPortee(staff);
}

int16_t CheckHauteurPortee(Portee** staff) {
  if (!staff) return 0;
  Tablature* t = TablatureDe(staff);
  if (t && t->vecteurs.ReCalculeInterneGraph) t->vecteurs.ReCalculeInterneGraph(staff);
  t = TablatureDe(staff);
  const int32_t tablature = t ? int32_t(DeZoom(GetHauteurTablaturePortee(staff))) + TablatureDe(staff)->ligneBase : 0;
  const Portee& p = **staff;
  int32_t m;
  switch (p.type) {
    case kTypePorteeBatterie: m = p.decalageLigneBasBaseRuban + 2; break;
    case kTypePorteeParole: m = 24; break;
    case kTypePorteeTempo: m = 32; break;
    case kTypePorteeTablature: m = tablature; break;
    case kTypePorteePisteNumerique: m = 2; break;
    default:
      m = p.decalageLigneBasBaseRuban + 4;
      if (t) m = std::max(m, tablature);
      break;
  }
  if (p.karaoke) m = std::max(m, int32_t(p.hauteurBaseLigneTexte) + p.lignesTexte[0].hauteurLigne);
  if (p.ligneAccords) m = std::max(m, int32_t(p.nbLignesAccords) * p.lignesTexte[1].hauteurLigne + p.ligneAccord);
  if (p.hauteurBaseRuban >= m) return 0;
  (*staff)->hauteurBaseRuban = Sature16(m);
  (*staff)->hauteurEcran = Sature16(Zoom(m));
  return 1;
}
