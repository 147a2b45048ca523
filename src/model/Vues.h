#pragma once
// Views: named selections of staves, each owning some aspects of the
// document's state; the document embeds one more, the base view.
#include "layout/MiseEnPage.h"
#include "layout/ModeGraphique.h"
#include "layout/Zorodava.h"
#include "model/Portee.h"
#include "model/StrTitre.h"
#include "platform/PlatformTypes.h"

struct Document;
struct Partition;

// One staff of a view.
struct VuePortee {
  uint32_t idPortee;            // the staff's unique id
  Handle staffHeightEvts;       // the staff's height events in this view
  AspectGraphiquePortee aspect;
};

// Aspects a view may own, in the order of its flags after the three display flags.
enum {
  kVueFlagTempo = 0,
  kVueFlagDynamiques = 1,
  kVueFlagTextes = 2,
  kVueAspectMiseEnPage = 3,
  kVueAspectZorodava = 4,
  kVueAspectModeGraphique = 5,
  kVueAspectHauteurs = 6,
  kVueAspectApparence = 7,
  kVueAspectConcertKey = 8,
  kVueAspectPartGroups = 9,
  kVueAspectTitres = 10,
  kNbFlagsVue = 11,
};

struct Vue {
  uint32_t id;                  // unique id (NewIdUnique)
  char nom[255];
  uint8_t flags[kNbFlagsVue];
  Handle portees;               // VuePortee entries
  MiseEnPage miseEnPage;
  uint16_t nbMesures;
  Handle tabEltMesure;          // bar layout rows
  ZorodavaSetup zorodava;
  ModeGraphique modeGraphique;
  uint8_t modeConcertKey;
  Handle partGroups;            // PartGroup records
  StrTitre titres[3];
};

// Next value of the document's unique-id counter (staves and views).
int32_t NewIdUnique(Document* document);
// Makes view ids unique and returns the largest id kept.
int32_t CheckCoherenceIDVues(Document* document);
int16_t GetNbVuesDocument(Document* document);
// The view at an index, or the base view for a negative index or no list.
Vue* GetVueDocument(Document* document, int16_t index);
// Frees a view's staff entries and their height events.
void DisposePorteesDansVue(Vue* vue);
// Removes one staff entry from a view (base view for a negative index).
void DeletePorteeDansVueDocument(Document* document, int16_t index, int16_t entry);
// Removes the staff from the base view and every view; 1.
int16_t AjusteVuesQdSupprimePortee(Partition** score, int16_t staffIndex);
void AjustePartGroupsVuesQuandSupprimePortee(Document* document, int16_t staffIndex);
void AjustePartGroupsVuesQuandInserePortee(Document* document, int16_t staffIndex);
// Bar layout only: the view (base view for a negative index) takes a copy of
// the current score's ribbon bar table and row count, or gives them back.
void PreserveVueMesures(Document* document, int16_t index);
void AppliqueVueMesures(Document* document, int16_t index);
// Frees every view of the document and the base view's own lists.
void DisposeVuesDocument(Document* document);

// Whether views apply to the piano-roll display.
bool IsVuesEnModeRuban();
void EnableVuesEnModeRuban();
void DisableVuesEnModeRuban();
