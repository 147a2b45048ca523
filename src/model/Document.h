#pragma once
// The document record: one per opened file, allocated zero-filled by the
// loader (a pointer block). It owns its scores and its views.
#include "layout/DonneesMiseEnPage.h"
#include "model/StrTitre.h"
#include "model/Vues.h"
#include "platform/PlatformTypes.h"

struct Partition;
struct GrafPort;

constexpr int kNbMisesEnPage = 5;
constexpr int kNbTitres = 3;
constexpr int kNbNiveauxEffetsSortie = 11;

// The output-wide sound effects of a document (reverb, surround, noise
// reduction, bass boost, gain control and an 11-band equaliser), as a native
// document stores them.
struct EffetsSortieDocument {
  uint16_t motInitial;  // kept as read
  uint8_t reverbe;      // switches: non-zero is on
  int16_t tempsReverbe;
  int16_t niveauReverbe;
  uint8_t surround;
  int16_t delaiSurround;
  int16_t niveauSurround;
  uint8_t reductionBruit;
  int16_t valeurReductionBruit;
  uint8_t renforcementBasses;
  int16_t frequenceBasses;
  int16_t niveauBasses;
  uint8_t controleGain;
  int16_t monteeControleGain;
  int16_t bandes[kNbNiveauxEffetsSortie];  // equaliser levels
};

// Values of a native document's top level that nothing in the preview
// reads, kept as read.
struct ValeursNativesDocument {
  uint8_t affichageD0;  // display block
  uint8_t affichageOctets[2];
  uint8_t affichageQuatre[4];
  uint32_t affichageValeur;
  uint32_t valeurs800[3];
  char texte128[128];
  char texte64[64];
  uint8_t quatreOctets[4];
  uint8_t anciensOctetsPage[2];  // documents before the five page setups
  uint8_t anciensInterrupteursPage[6];
  uint8_t octetPage;
  uint8_t rectsPropres;  // 0: the two paper rectangles are the printer's
  uint8_t octetsPage[2];
  uint32_t valeurEffacee;  // cleared by every load
  uint8_t octetNotes;
  int8_t octetNotesSigne;
  uint8_t octetB;
  uint16_t valeurB;
  uint16_t valeurN;        // with enteteW, decides how split notes are read
  uint8_t octetFin;        // first byte of the trailer
  uint8_t octetPartition;  // a byte each score block stores (the last one read stays)
};

struct Document {
  char nomFichier[256];  // file name, C string
  uint16_t version;      // format version of the document read
  uint8_t enteteH1;      // two header bytes kept from the file
  uint8_t enteteW;
  uint16_t valeurEntete;
  StrTitre titres[kNbTitres];
  MiseEnPage misesEnPage[kNbMisesEnPage];  // the first is the score's default setup
  MiseEnPage* miseEnPageCourante;          // setup in use for printing tests
  float zoomImpression;                    // print zoom
  int16_t zoom;                            // 72 after loading

  // Scores.
  Partition** partitionCourante;
  int16_t nbPartitions;
  int16_t indexPartitionCourante;
  Partition*** partitions;  // pointer block of score handles

  // Views.
  uint32_t compteurIdUnique;  // ids of staves and views
  Handle vues;                // Vue records
  int16_t indexVueCourante;   // -1 = none
  int16_t indexVueModeEcran;  // view index kept for screen mode
  Vue vueBase;                // the document's own state of every aspect

  // Drawing.
  GrafPort* portDocument;  // offscreen drawing port, null when none
  void* dialogue;          // hidden dialog serving as the document's window
  Rect rectContenu;        // window content rectangle
  Point origine;
  void* barresDefilement[2];  // scroll-bar controls
  int16_t pasDefilement[2];
  float facteurVuePage;
  float echelleCopie;

  // Page and paper.
  uint8_t taillePagePropre;  // the document carries its own page size
  uint8_t orientation;
  int16_t typePapier;
  Rect rectsPapier[2];
  int16_t margeHaut;
  int16_t margeGauche;
  int16_t largeurPage;
  int16_t hauteurPage;
  int16_t nbPagesReservees;
  int16_t valeurGaucheMiseEnPage;  // left layout value of the part-group area
  uint8_t placementObjetsLibres;   // 0 all, 3 none, bit 1 second-class, bit 2 first-class
  uint8_t reperesMiseEnPage;       // layout-guides switch
  uint8_t octetsPage[4];

  // Display switches.
  uint8_t regle;  // ruler shown
  uint8_t marques;
  uint8_t flagsAffichage[3];
  uint8_t porteesCachees;
  uint8_t boutonsEcran[4];
  uint8_t grandsNumerosMesure;
  int16_t premiereMesureSelection;  // selected bar range
  int16_t derniereMesureSelection;
  uint32_t blocAffichage[11];  // display block kept from the file

  // Loading.
  uint8_t importe;          // built by an importer
  uint8_t suspendLiaisons;  // non-zero: link staff numbers are not recomputed
  uint32_t dates[4];        // document dates A, B, C and the date of loading
  uint16_t nbRevisions;
  int16_t valeurDonnees;
  Handle donneesSupplementaires;  // extra data block kept from the file
  EffetsSortieDocument effetsSortie;
  ValeursNativesDocument natif;
};
