#pragma once
// The score record. A score is a zero-filled relocatable block (Partition**)
// owned by its document; it owns its staves, bar tables, ruptures, played-bar
// table, tempo curve, pages and systems, instruments, banks, free objects,
// curves, targets and part groups.
#include "layout/DonneesModeGraphique.h"
#include "layout/DonneesZorodava.h"
#include "model/DonneesCourbes.h"
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Document;
struct Portee;

// Screen modes; one bar table per mode.
constexpr int kNbTabEltMesure = 4;

// A record of the score that names a staff by its index; renumbered when
// staves move.
struct EnregIndexPortee {
  uint16_t indexPortee;
  uint8_t donnees[78];
};

// Score settings a native document stores that nothing in this system reads,
// kept as read; named by the place they hold in the stored score block.
struct ValeursNativesPartition {
  uint8_t octetMode;  // the byte after the zoom (the screen mode from 7.50)
  uint16_t motZoom;   // the word after the zooms
  uint16_t motDuree;  // the word after the reference duration
  uint32_t valeur630;
  uint16_t facteurLargeur;  // old documents' bar-width factor (10 = as stored)
  // The block of settings before the staff count, in file order.
  uint8_t octetA;
  uint16_t motsA[2];
  uint8_t ancienneDivision;  // documents before 6.10
  uint16_t motB;             // a byte widened
  uint16_t motC;
  uint8_t octetC;
  uint16_t motD;       // a byte widened
  uint8_t octetsE[4];  // the second keeps its bit 0 only
  uint8_t octet940;
  uint8_t octetF;
  uint8_t octet720;
  uint8_t octet9701;
  uint32_t valeur511;  // a u16 before 9.20, sign-extended
  uint16_t mot301;
  uint8_t interrupteurs850[3];  // documents from 8.50 to 9.0F
  uint8_t octetApresRythmes;
  uint8_t octetApresRythmes920;
  uint8_t octetAvantZorodava;
  uint8_t octets930[2];  // the settings block before the custom diagrams
  uint16_t mots930[3];
  TextStyle style930;
};

struct Partition {
  uint8_t octetTete;       // cleared by CreePartitionVide
  int32_t premierePortee;  // staff range: first index, never above the last
  int32_t dernierePortee;
  Handle collections[2];  // keyed collections of the score
  uint16_t mot1;          // 60 in a score made by CreePartitionVide
  Handle courbeTempo;
  // Bar-table bookkeeping.
  int16_t nbLignesTabElt;
  int16_t reentranceTabElt;  // raised by DisableCalculTabElt
  uint16_t masqueDisableTabElt;
  uint16_t masqueModifieTabElt;  // pending dirty bits
  int32_t modeEcran;             // 0 ribbon, 1 page, 2 and 3 print
  ZorodavaSetup zorodava;
  ModeGraphique modeGraphique;
  Handle tabEltMesure[kNbTabEltMesure];  // one per screen mode
  int16_t mesureMaxRupture;              // highest bar holding a rupture, kept by the ruptures
  uint8_t largeurSupPremiereMesureOn;    // the first bar's header is widened
  int16_t largeurSupPremiereMesure;      // by this many 72-dpi units
  int16_t largeurEntete;                 // clef area at the left of the screen view
  int16_t nbMesures;
  uint16_t mot2;  // 65535 in a score made by CreePartitionVide
  int16_t nbRuptures;
  Handle ruptures;                  // Rupture records, sorted by bar
  uint16_t optionRuptures;          // 1..255: each staff's show-ruptures byte decides; else all shown
  uint8_t tabCvtMesureUtilisateur;  // the played-bar list is the user's
  int16_t nbCvtMesures;
  Handle tabCvtMesure;  // played-bar table
  Handle pages;         // Page records
  int16_t nbEnregsIndexPortee;
  Handle enregsIndexPortee;  // EnregIndexPortee records
  // The Matrice (bar ranges naming entries of the accompaniment bank) made
  // at creation; disposal bit 0x4, the "accompaniment bar list".
  Handle matriceAccompagnement;
  int16_t zoom;  // current zoom in dots per inch (72 = 100 %)
  int16_t zoomEcran;
  float zoomPage;
  float echelleEcran;
  int16_t nbInstruments;
  Handle instruments;  // Instrument records
  int16_t nbPortees;
  Portee*** portees;  // pointer block of staff handles, in staff order
  Handle grilleAccord;
  // The Matrice of the rhythm bank, made at creation; disposal bit 0x40, the
  // "rhythm bar list".
  Handle matriceRythme;
  int32_t preRoll;  // 1/200 s
  int16_t niveauPreservePositions;
  int16_t niveauPreserveDiagrammes;  // the diagram placements' own nesting of the same brackets
  Handle objetsLibres;
  Handle courbes;                     // Courbe records of the score
  InterpreteCourbe interpreteCourbe;  // the score's curve values in force during playback
  Handle cibles;                      // Cible records
  // Target label settings.
  uint8_t libellesCiblesAuto;  // automatic labels on
  uint16_t typeLibelleCible;   // '#' numbers, 'A' letters, else the target's name
  int16_t reglagesLibelleCible[5];
  uint32_t compteurIdLiaison;  // ids of ties, slurs and beam links
  Handle partGroups;           // PartGroup records
  // Old documents' switches: bar lines run through bracket and brace groups.
  uint8_t ancienBarresCrochets;
  uint8_t ancienBarresAccolades;
  Document* document;  // owning document

  // Settings read by loading, layout, drawing and playback.
  Handle accompagnements;  // the accompaniment bank (records), made by its first entry; bit 0x2
  Handle banqueRythmes;    // the rhythm bank (records), made by its first entry; bit 0x20
  int16_t nbAccompagnements;
  int16_t nbRythmes;
  uint16_t nbMesuresGrilleAccord;  // bars of the chord grid (grilleAccord)
  Handle tableauCvtSec;            // milliseconds table over played time (SegmentCvtSec records)
  Handle tableauCvtSecEcrit;       // the same over written time
  int32_t nbTaquetsZorodava;       // spacing-column cache
  Handle taquetsZorodava;
  int16_t facteurTempo;    // tempo factor of old tempo staves
  int16_t tempo;           // 80 by default: the integer part of the score's tempo
  uint16_t fractionTempo;  // its fraction, in 65535ths
  uint16_t flagAnciennesNotes;
  int16_t resolutionImpression;
  int16_t margeGaucheEcran;  // left inset of the screen area
  int16_t mesureCourante;
  int16_t compteurMesureCourante;
  uint8_t ambitus;
  uint8_t impressionEnCours;
  uint8_t dessinPageEnCours;
  uint8_t pretAffichage;   // display-ready byte set after loading
  Rect limitesDessin;      // drawing bounds
  int16_t instrumentClic;  // metronome instruments
  int16_t instrumentCloche;
  uint8_t metronome;
  uint8_t modeConcertKey;  // transposing staves shown at sounding pitch
  // Merged staves drawn each in a colour of its own (an editor's display
  // switch: no document stores it, so pages print them in their own colours).
  uint8_t couleursFusion;
  Handle diagrammesCustoms;  // the score's custom chord diagrams (DiagrammeAccord records)
  TextStyle styleGrilleAccord;
  ValeursNativesPartition natif;
};
