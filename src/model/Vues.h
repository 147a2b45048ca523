#pragma once
// Views: named selections of staves, each owning some aspects of the
// document's state; the document embeds one more, the base view.
#include "layout/DonneesMiseEnPage.h"
#include "layout/DonneesModeGraphique.h"
#include "layout/DonneesZorodava.h"
#include "model/Portee.h"
#include "model/StrTitre.h"
#include "platform/PlatformTypes.h"

struct Document;
struct Partition;

// One staff of a view.
struct VuePortee {
  uint32_t idPortee;       // the staff's unique id
  Handle staffHeightEvts;  // the staff's height events in this view
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
  uint32_t id;  // unique id (NewIdUnique)
  char nom[255];
  uint8_t flags[kNbFlagsVue];
  Handle portees;  // VuePortee entries
  MiseEnPage miseEnPage;
  uint16_t nbMesures;
  Handle tabEltMesure;  // bar layout rows
  ZorodavaSetup zorodava;
  ModeGraphique modeGraphique;
  uint8_t modeConcertKey;
  Handle partGroups;  // PartGroup records
  StrTitre titres[3];
};

// View identifiers carried by texts and free objects.
enum : int32_t {
  kIdVueToutes = 0,    // every view
  kIdVueAucune = -1,   // only while no view is shown
  kIdVuePortee = -2,   // texts: only while their staff is in the view shown
  kIdVueAvecVue = -3,  // only while a view is shown
};

// Next value of the document's unique-id counter (staves and views).
int32_t NewIdUnique(Document* document);
// Makes view ids unique and returns the largest id kept.
int32_t CheckCoherenceIDVues(Document* document);
int16_t GetNbVuesDocument(Document* document);
int16_t GetIndexVueCourante(Document* document);
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

// Shows a view (-1 or an index past the list: none), saving the state of the
// view shown before and the document's own state of the aspects it does not own.
void FixeVue(Document* document, int16_t index);
// Saves the document's present state into a view (base view for -1).
void PreserveVue(Document* document, int16_t index);
// Rebuilds a view's staff entries from the group heads shown in the page view.
void PreserveVuePortees(Document* document, int16_t index);
// Shows the staves the view holds and hides the others; gives them the view's
// heights and appearance when it owns those.
void AppliqueVuePortees(Document* document, int16_t index);
// The entry of a staff's group head in a view, -1 when none.
int16_t RecherchePorteeDansVue(Document* document, int16_t index, Portee** staff);
// Whether a staff text, by its view identifier, or a free object belongs to
// the view shown.
bool IsTexteDansVueCourante(Document* document, Portee** staff, int32_t idVue);
bool IsObjetLibreDansVueCourante(Document* document, int32_t idVue);
// Drops the entries of staves the current score no longer has.
void CleanVues(Document* document);
// After loading: the base view takes the document's state, then the view
// read as current is shown.
void InitVueCourante(Document* document);
// Reads the views block of a native document; false, with everything read so
// far owned by the document, when the block is damaged.
bool ReadVues(Document* document);

// Whether views apply to the piano-roll display.
bool IsVuesEnModeRuban();
void EnableVuesEnModeRuban();
void DisableVuesEnModeRuban();
