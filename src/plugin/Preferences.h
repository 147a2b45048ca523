#pragma once
// SHARED(services): the preferences record `pref`, which every layer reads:
// the user's settings, which every load starts from. Each field gets its
// default (with the reason where it changes output) in Preferences.cpp, and
// every request starts from those defaults.
#include "layout/DonneesModeGraphique.h"
#include "layout/DonneesZorodava.h"
#include "platform/PlatformTypes.h"

struct Preferences {
  ModeGraphique modeGraphiqueUser;  // the user's graphic mode; new scores take it
  int16_t epaisseurMinImpression1;  // minimum printed bar-line thickness, 1/288 inch
  int16_t epaisseurMinImpression2;  // minimum printed staff, ledger and stem thickness
  uint8_t traitsFins;               // fine rendering: lines below a pixel drawn lighter
  uint8_t moteurTexteUnicode;       // text through the Unicode engine
  uint8_t traitsAntialias;          // anti-aliased lines
  uint8_t listeFontesInconnues;     // unknown fonts are listed
  uint8_t listeFontesSubstituees;   // substituted fonts are listed
  uint8_t nomsNotesLettres;         // note names as letters (C D E ...) rather than syllables
  int32_t tailleTampon;             // transfer buffer, bytes
  uint8_t memoireTemporaire;        // temporary memory may be used (up to its cap)
  uint8_t traitsAntialiasSplines;   // anti-aliased dashed, dotted and wavy splines
  ZorodavaSetup zorodavaUser;       // the user's spacing settings; new scores take them
  int16_t resolutionModePage;       // resolution of the page-mode view
  uint8_t afficheLimitesPage;       // page limits drawn over the ribbon's staves
  int16_t couleurLimitesPage;       // their colour index
  uint8_t gouttiereLarge;           // the ribbon's staves start 24 pixels in rather than 12
  uint8_t formeAutoCoules;          // slurs shaped clear of the notes they span (the MusicXML import forces it on)
  // Chord-diagram dots: 0 plain, 1 coloured by note name, any other value by
  // chord degree.
  uint8_t couleurDoigteDiagrammes;
  uint8_t diagrammesGaucher;  // chord diagrams drawn for the left hand (strings mirrored)
};

extern Preferences pref;

// Puts `pref` back to its defaults (each request starts from them).
void PreferencesParDefaut();
