#pragma once
// The graphic mode's operations: the built-in defaults, installing a mode for
// drawing, the display snapshot and reading a stored mode. The record and the
// engraving constants are in layout/DonneesModeGraphique.h; the calls the
// model makes are declared in layout/ServicesMiseEnPage.h.
#include "layout/DonneesModeGraphique.h"
#include "layout/ServicesMiseEnPage.h"
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Partition;

// The built-in defaults.
void GetDefautModeGraphique(ModeGraphique* mode);
// Installs a mode as GModeGraphique; in print modes raises the thickness slots
// to at least the two minimums.
void InstalleModeGraphique(const ModeGraphique* mode, bool modeImpression, int16_t epaisseurMin1,
                           int16_t epaisseurMin2);

// Display snapshot: what laying a score out at another resolution changes,
// kept so that it can be put back. Per staff, the vertical metrics that the
// staves are prepared with (screen and ribbon) and the tablature's top offset.
struct ParamAffichagePortee {
  float interligne;
  int16_t decalageLigneBas;
  int16_t yHaut;
  int16_t yBas;
  int16_t yEcran;
  int16_t yBarreHaut;
  int16_t yBarreBas;
  float interligneRuban;
  int16_t decalageLigneBasRuban;
  int16_t hauteurRuban;
  int16_t hauteurBaseRuban;
  int16_t decalageHautTablature;  // staves with a tablature
  int16_t hauteurEcran;
};
struct ParamAffichage {
  int16_t margeGaucheEcran;  // left inset of the score's screen area
  int16_t dpiDest;
  int16_t zoom;
  float echelleEcran;
  Handle portees;  // one ParamAffichagePortee per staff
};
typedef ParamAffichage** HParamAffichage;
// A new snapshot, or null when memory is short (nothing kept).
HParamAffichage GetParamAffichage(Partition** score);
// Puts a snapshot back (the destination resolution, the score's fields, and
// the metrics of as many staves as both have) and releases it; nothing for null.
void SetParamAffichage(Partition** score, HParamAffichage snapshot);

// Reads a stored mode from the document byte stream over the record's current
// contents: the version gates on `version`, text styles come through lireStyle.
// 1, or 0 when the stream ended inside the record (the record then holds what
// was read).
typedef int16_t (*LecteurTextStyle)(TextStyle* style);
int16_t LitConfigGraphique(ModeGraphique* mode, uint16_t version, LecteurTextStyle lireStyle);
