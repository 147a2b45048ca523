#pragma once
// SHARED(data): the page setup, page and page-element records. A Document
// embeds five page setups; a score owns its pages (a handle of Page records)
// and each page its elements (a handle of Systeme records), which own their
// staff entries. Their operations are in layout/MiseEnPage.h.
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"
#include "text/TextStyle.h"

// Last bar of a setup's range meaning "to the end of the score".
constexpr int16_t kDerniereMesureFin = 9999;

// Header or footer of a page setup (same layout for both; the footer comes
// first in MiseEnPage).
struct BlocEnteteMiseEnPage {
  uint8_t flag;               // 1 in the default footer, 0 in the default header
  char modele[3][512];        // left, centre, right templates: UTF-8 with '$' codes
  TextStyle style[3];         // left, centre, right
  uint8_t miroirPagesPaires;  // left and right swapped on even pages
  uint8_t filetDessus;        // rule above
  uint8_t filetDessous;       // rule below
  uint8_t reserve;
  int16_t retraitGauche;  // tenths of a millimetre
  int16_t retraitDroit;
  int16_t distanceBord;  // distance from the page edge
  uint8_t pasSurPage1;   // not on the first page
  uint8_t dernierOctet;
};

struct MiseEnPage {
  uint32_t type;        // setup kind given when the default is set
  float echelle;        // music scale of the printed page (1.0 for kind 2, else 0.7)
  int16_t margeGauche;  // four margins in tenths of a millimetre
  int16_t margeHaut;
  int16_t margeDroite;
  int16_t margeBas;
  int16_t valeurReservee;  // 100 by default
  int16_t ecartSystemes;   // gap between systems, tenths of a millimetre
  BlocEnteteMiseEnPage basDePage;
  BlocEnteteMiseEnPage enTete;
  int16_t premiereMesure;       // 1-based, inclusive
  int16_t derniereMesure;       // 1-based, inclusive; kDerniereMesureFin = to the end
  int16_t indexPremiereMesure;  // computed by pagination
  int16_t indexFinMesure;       // computed by pagination, exclusive
  uint8_t titres;               // titles 1 to 3 go on the first music page
  uint8_t pagesParoles;         // lyric text pages are appended
  uint8_t octetsReserves1[3];
  uint8_t bandeHautSysteme;  // the system top band holds the page-mode ruler
  uint8_t octetsReserves2[3];
  uint8_t garderSystemesEntiers;
  uint8_t justifier;
  uint8_t regroupement;         // bit 1 multi-bar rests, bit 2 multi-bar repeats
  int16_t regroupementMin;      // shortest grouped run (2 when smaller)
  uint8_t octetCopiePartition;  // copied into the score while systems are drawn
  uint8_t entetesLignes;
  uint8_t rappelCleArmure;  // courtesy clef and key at a system end
  uint8_t cacherPorteesVides;
  uint8_t montrerPorteesUneFois;
  uint8_t repartirSystemes;
  uint8_t pasSurDernierePage;
  uint8_t systemesVidesAvecBarre;
  uint8_t justifierDernierSysteme;
  uint8_t margesMiroir;
  int16_t premierePageMusique;
  int16_t retraitPremierSysteme;  // indent of the first system, tenths of a millimetre
};

// One page of a score's pagination.
struct Page {
  MiseEnPage* miseEnPage;      // the setup the page was built with
  uint8_t imprimeeMaintenant;  // set on the page being printed
  uint8_t montree;             // the page meets the view (set by the area code)
  // Paper and printable rectangles of the page in the page view, 72 dpi.
  BigRect placement[2];
  BigRect rectPage;  // printable area after margins, pixels of the layout
  // Paper, printable and drawing rectangles as drawn (the drawing rectangle is
  // the page rectangle at the drawing resolution).
  Rect rectsPlacement[3];
  int16_t yCourant;                  // top of the next element
  int16_t premierSystemeMusique;     // -1 while none
  int16_t espaceHautPremierSysteme;  // staff-height event 'M'
  Handle systemes;                   // Systeme records, null while empty
};

// Kinds of page element.
enum : uint32_t {
  kSystemeMusique = 0,
  kSystemeTitre = 1,
  kSystemeCompositeur = 2,
  kSystemeRemarques = 3,
  kSystemePageParoles = 4,
  kSystemeEnTete = 6,
  kSystemeBasDePage = 7,
  kSystemeObjetLibre = 8,
};

// One element of a page: a music system, a title, a lyric block, a header,
// a footer or a free object.
struct Systeme {
  uint32_t type;
  Rect rectMiseEnPage;  // layout frame, pixels of the layout resolution
  Rect rectDessin;      // the frame as placed for drawing
  int16_t angleTexte;   // titles
  int16_t premiereMesure;
  int16_t finMesure;          // exclusive
  Handle portees;             // PorteeSysteme entries (music systems, lyric pages)
  int16_t numeroPageParoles;  // 1-based (kind 4)
  uint8_t octetsReserves[2];
  uint8_t premierSystemePartition;
  uint8_t dernierSystemePartition;
  int32_t indexObjetLibre;  // kind 8
  int16_t motReserve;
  uint8_t premierSystemePage;
  uint8_t octetReserve;
};

// Staff entry of a system.
struct PorteeSysteme {
  uint8_t partageLigneSuivante;  // shares the line with the next entry
  uint8_t debutLigne;
  uint16_t indexPortee;
  uint16_t hauteurLigne;  // 72-dpi units (4 for an empty line)
  uint16_t espaceB;       // staff spacing values with their events
  uint16_t espaceA;
  uint16_t espaceT;
  uint16_t espaceP;
  uint16_t espaceN;
  uint16_t autreValeur;
  int32_t codesBarreMesure[4];  // bar-line extent codes
  Rect rectMiseEnPage;
  Rect rectDessin;
  Rect rectNom;
  int16_t angleNom;
  uint8_t ligneVide;  // shown only for its '$' texts
  uint8_t nomGrise;
};

// Where a page shows something: a page, one of its elements and one staff
// entry of that element (-1 when none), with a copy of the entry.
struct LocalisationPage {
  int16_t page;
  int16_t element;
  int16_t entree;
  PorteeSysteme portee;
};

// Kinds of the five setups of a document, in order.
constexpr uint32_t kTypesMiseEnPageDocument[5] = {0, 1, 2, 3, 5};
