#pragma once
// Defaults, page setup and pagination of a MusicXML import: scaling, titles,
// appearance; the page, system and staff layout commands that the bar pass
// collects from print elements (all lengths in millimetres), bar widths and
// staff heights; and the late width and appearance passes.
//
// Page and system commands are keyed by the index of the measure's
// bar-numbering record (the file's measure), not by the score bar: a measure
// split by a mid-measure clef or key keeps one key.
#include <cstdint>

#include "import/XMLBrowser.h"
#include "platform/PlatformTypes.h"

struct Document;
struct Portee;

// The print zoom every import sets with its page setup; sizes read before it
// is applied (directions of the event replay) divide by it all the same.
constexpr float kXMLZoomImpression = 0.6f;

// Marks a length or distance the file did not give.
constexpr float kXMLLongueurAbsente = 1e20f;

struct XMLPageCommande {
  int32_t numero;  // 2147483647 when not given
  float origineX, origineY;
  float largeur, hauteur;
  float contenu[4];       // left, top, right, bottom (computed when applied)
  float margesPaires[4];  // left, top, right, bottom
  float margesImpaires[4];
  Handle systemes;  // XMLSystemeCommande
};

struct XMLSystemeCommande {
  int32_t premiereMesure;
  int32_t derniereMesure;  // computed when applied
  float rect[4];           // computed when applied
  float marges[4];         // left, top, right, bottom
  float distance;
  float distanceHaut;  // top-system distance
  Handle portees;      // XMLPorteeLayout
};

struct XMLPorteeLayout {
  uint32_t partie;
  uint32_t portee;  // from 1
  float rect[4];    // computed when applied
  float etendu[4];  // the rectangle up and down to its neighbours (computed when applied)
  float distance;   // kXMLLongueurAbsente when not given
};

struct XMLHauteurPortee {
  uint32_t partie;
  uint32_t portee;  // from 1
  float hauteur;    // millimetres
};

// The 14 appearance values, as written (tenths); 0 when not given.
enum : int {
  kApparenceQueue,
  kApparencePoutre,
  kApparencePortee,
  kApparenceBarreFine,
  kApparenceBarreEpaisse,
  kApparenceLigneSup,
  kApparenceVolta,
  kApparenceSoufflet,
  kApparenceCadre,
  kApparenceCrochetNolet,
  kApparenceNoteGrace,
  kApparenceNoteCue,
  kApparenceDistanceTiret,
  kApparenceDistancePoutre,
  kNbApparences
};

void XMLClearAppearance();
// Null keeps the defaults and frees only the collected page commands.
void XMLClearPagination(Document* doc);
void XMLGetInfos(XMLRootElt* tree, Document* doc);
void XMLGetScaling(XMLRootElt* tree);
void XMLGetPageRect(const XMLElt* pageLayout, XMLPageCommande* page);
void XMLGetSystemRect(const XMLElt* systemLayout, XMLSystemeCommande* system);
void XMLGetMargins(const XMLElt* elt, float margins[4]);

// Collected while the bar pass reads print elements and measures; bar is the
// index of the measure's bar-numbering record.
void XMLNewPageCommand(int32_t bar, int32_t pageNumber);
void XMLNewSystemCommand(int32_t bar);
void XMLNewPageLayout(int32_t bar, const XMLElt* pageLayout);
void XMLNewSystemLayout(int32_t bar, const XMLElt* systemLayout);
void XMLNewStaffLayout(int32_t bar, uint32_t part, int32_t staffNumber, const XMLElt* staffLayout);
void XMLSetStaffSpacing(float tenths);
void XMLNewMeasureLayout(int32_t bar, const XMLElt* measureLayout);
void XMLSetBarWidth(int32_t bar, float tenths);
void XMLSetStaffHeight(uint32_t part, uint32_t staffNumber, float tenths);
void XMLSetSilenceMultiple(int32_t count);

// Width, height and margins of a page (millimetres; each output may be null).
void XMLGetPageParameters(int32_t page, float* width, float* height, float* left, float* top, float* right,
                          float* bottom);
// The staff's size relative to a 5.08 mm staff.
float XMLGetTaillePortee(Portee** staff);

// What was collected, for the pass that applies it and for tests.
float XMLGetMillimetresParDixieme();
// Millimetres per tenth as the defaults gave it.
float XMLGetCurMMParTenth();
float XMLGetDistancePorteeDefaut();
float XMLGetApparence(int which);
int32_t XMLGetNbPageCommandes();
const XMLPageCommande* XMLGetPageCommande(int32_t index);  // null outside; not kept across calls
int32_t XMLGetPageCourante();
int32_t XMLGetSystemeCourant();
int32_t XMLGetNbLargeursMesure();
float XMLGetLargeurMesure(int32_t bar);  // kXMLLongueurAbsente when unknown
float XMLGetDistancePorteeCourante();
int32_t XMLGetMinSilencesMultiples();
const XMLPageCommande* XMLGetPageDefaut();
const XMLSystemeCommande* XMLGetSystemeDefaut();

// The score bar where each measure (bar-numbering record) begins, once the
// bars exist: the applying pass turns the record keys into score bars with
// it. -1 for a record outside the table.
void XMLFixeMesuresPartition(Handle records);
int32_t XMLGetMesurePartition(int32_t record);

// Applies the collection to the score (the bar pass's last step): paper and
// margins, staff sizes, system and page breaks, system indents, bar scales.
// Applying it twice gives what applying it once gave.
void XMLAppliquePagination(Document* doc);
// The page count the file asks for: its reserved pages + 1 + the bars that
// end a page, at most kMaxPagesDemandees (thousands of new-page marks would
// otherwise ask the scale search for a count it cannot tell apart from none).
constexpr int16_t kMaxPagesDemandees = 999;
int16_t XMLNombrePagesDemandees(Document* doc);
void XMLFinalizeAppearance(Document* doc);
void XMLPaginationRecalculeLargeurObjetsTexte(Document* doc);
void XMLPaginationRecalculeLargeurDiagrammes(Document* doc);
