#pragma once
// The staff record. A staff is a zero-filled relocatable block (Portee**)
// owned by its score; it owns its note records, effect records, key and clef
// table and its lists of texts, graphics, dynamics, sound effects, laws,
// curves, chord diagrams, height events and tablature.
#include "model/DonneesCourbes.h"
#include "platform/PlatformTypes.h"
#include "sound/Organe.h"
#include "stafftypes/DonneesLigneTexte.h"
#include "stafftypes/VecteursPortee.h"
#include "system/BigRect.h"
#include "text/TextStyle.h"

struct Partition;

// Identifies a staff record.
constexpr uint16_t kMarqueurPortee = 4660;

// Staff type codes.
enum : uint32_t {
  kTypePorteeStandard = 0,
  kTypePorteeBatterie = 2,
  kTypePorteeParole = 3,
  kTypePorteeTempo = 4,
  kTypePorteeTablature = 7,
  kTypePorteeBatterieStd = 8,
  kTypePorteeGregorien = 9,
  kTypePorteePisteNumerique = 10,
};

// Merge modes of a staff in a merged group.
enum : uint32_t { kFusionAucune = 0, kFusionMembre = 1, kFusionMaitre = 2 };

// Volatile kind removed by SupprimeToutesPorteesVolatiles.
constexpr uint32_t kVolatilePorteeTemporaire = 5;

// Instrument index of staves that play no instrument.
constexpr int16_t kInstrumentAucun = -1;
constexpr int16_t kInstrumentPisteNumerique = -2;

// Line-shown flags cover the staff line positions -5 to 10.
constexpr int16_t kPremiereLignePortee = -5;
constexpr int16_t kDerniereLignePortee = 10;
constexpr int kNbLignesPortee = 16;

constexpr int kNbPositionsPortee = 1024;

struct PositionPortee {
  uint16_t a;
  uint16_t b;
  uint32_t c;
};

// Fields of a staff's appearance that a native document stores and nothing
// in this system reads, kept as read; numbered by their place in the stored
// record (the reader lists them).
struct AspectConserve {
  uint16_t mot1, mot2, mot9, mot13, mot46;
  char nomVue[255];  // the name in the view of documents before Unicode names
  TextStyle stylesVue[3];
  char texte14[32];
  uint8_t octet10, octet11, octet17, octet18, octet33, octet41, octet44, octet45;
  int16_t valeur12, valeur26, valeur36;
  uint8_t octets23[3], octets25[3];
  uint8_t interrupteurs24[3];  // bits 0, 2 and 4 of their byte
  uint8_t paire28[2];
  uint8_t interrupteurs34[2];  // bit 0, and bit 1 inverted
  uint8_t octet35;             // the fifth of the stem and beam bytes
};

// The block that views save and restore whole: the staff's display settings,
// its name and short name with their styles.
struct AspectGraphiquePortee {
  uint32_t valeur1;  // 1
  uint32_t valeur2;  // 3
  uint8_t octet1;    // 1
  int16_t mot1;      // -2
  char nom[256];     // UTF-8, NUL-terminated
  TextStyle styleNom;
  uint16_t encodageNom;   // text encoding the name was stored in
  int16_t valeursNom[2];  // stored with the name
  char nomAbrege[256];    // UTF-8, NUL-terminated
  TextStyle styleNomAbrege;
  uint16_t encodageNomAbrege;
  int16_t valeursNomAbrege[2];
  // 1 when a part group shows this staff's name for it: the staff's own name
  // and abbreviation are then left out left of systems.
  uint8_t nomsCaches;
  // Display settings.
  uint32_t modeAffichage;                 // 2
  uint16_t tailleUnite;                   // 72: music-font size at 72 dpi (karaoke text, key signatures)
  uint8_t octet2;                         // 1
  uint32_t corpsAccord;                   // 3
  uint8_t octets1[4];                     // 1, 1, 1, 1
  uint8_t flagsLignes[7];                 // 1 each
  uint16_t mot2;                          // 6
  uint8_t afficheLigne[kNbLignesPortee];  // positions -5 to 10
  uint16_t ligneBarrePremiere;            // 0: bar-line extent, first and last line positions
  uint16_t ligneBarreDerniere;            // 4
  uint16_t motBarre;                      // 3
  uint8_t tailleQueue;                    // 12: stem and beam sizes
  uint8_t epaisseurBarre;                 // 12: default beam thickness of new effect records
  uint8_t ecartBarre;                     // 6: default beam gap of new effect records
  uint8_t tailleQueue2;                   // 20
  TextStyle styleStd;
  // Bar-number settings.
  uint16_t numeroMesure1;  // 1
  uint16_t numeroMesure2;  // 0
  uint8_t numeroMesure3;   // 0
  uint16_t numeroMesure4;  // 1
  uint8_t numeroMesure5;   // 1
  AspectConserve conserve;
};

// Values a native document stores with a staff that nothing in this system
// reads, kept as read; named by the place they hold in the stored staff.
struct ValeursNativesPortee {
  uint8_t ancienneCle;   // an old alternate-clef staff (old type 6)
  int32_t valeurNom;     // stored after the name's style
  uint16_t motRuban;     // the word before the piano-roll height
  uint8_t interrupteur;  // bit 0 of the byte after the notes
  uint8_t valeurOctet;   // its bits 1..7
  char chaine[255];      // a string stored after it, with a style and a word
  TextStyle styleChaine;
  uint16_t motChaine;
  uint8_t octetLangue;  // the byte before the text-line base height's byte
  uint8_t octetLigneTexte;
  uint16_t motsFusion[2];  // the words and bytes before the merge flags
  uint8_t octetsFusion[2];
  int16_t valeurFusion;
  uint8_t octetsPiste[16];  // display settings after the digital track
  uint16_t motsPiste[2];
  uint8_t interrupteurs770[2];
  uint8_t octet770;
  uint8_t interrupteursPiste[4];
  int32_t modePiste;
  uint16_t motPiste;
  uint8_t octetsPiste2[2];
  uint8_t octet800;
  uint8_t interrupteursFin[2];  // the bytes before the beam settings
  uint8_t bitFin;
  uint8_t bitsFin;
  uint8_t octetsFin[2];
  uint8_t octets940[2];
  uint32_t valeur960;
  uint16_t mot9631;
  uint8_t octet9631;
  uint8_t octet9701;
  uint8_t octetsDerniers[2];
};

// A digital audio track's settings (a staff of type 10); its samples are
// in the staff's sample stream, its volume and pan in the staff's own.
struct ReglagesPiste {
  uint32_t frequence;  // Hz
  int16_t bits;        // per sample
  int16_t nbMarqueurs;
  Handle marqueurs;  // nbMarqueurs int32_t sample positions
  // Six stored one-byte settings; the second, third and fifth are kept wide.
  uint8_t reglage1;
  uint16_t reglage2;
  uint16_t reglage3;
  uint8_t reglage4;
  uint16_t reglage5;
  uint8_t reglage6;
  TextStyle style;  // the track's labels
};

struct Portee {
  uint16_t marqueur;           // kMarqueurPortee
  uint16_t idUnique;           // document-wide id; 0 = none yet
  int16_t index;               // position in the score's staff array
  int16_t decalageConcertKey;  // semitones saved in concert-key mode
  Handle collection;           // keyed collection of the staff
  uint8_t affichee;            // 1: the staff is displayed
  uint32_t typeVolatile;       // 0 for an ordinary staff
  int16_t indexPorteeSource;   // staff a volatile staff comes from; -1 none
  int16_t marqueur1;           // -1
  int16_t marqueur2;           // -1
  uint8_t octet1;              // 0
  uint32_t type;               // staff type code
  uint8_t octet2;              // 1
  uint8_t cacheeModePage;      // hidden in the page view (1 for a digital track)
  int16_t instrument;          // index in the score's instrument table; -1 or out of range = none
  PositionPortee positions[kNbPositionsPortee];

  // Text-line settings, first part.
  uint8_t ligneTexte1[4];  // 1, 1, 3, 1
  // Chord diagrams placed on the staff.
  int16_t nbDiagrammes;
  Handle diagrammes;
  // Text-line settings, second part.
  uint32_t affichageTexte;  // 2
  TextStyle styleLigneTexte;
  TextStyle styleLigneTexte2;
  uint8_t octetLigneTexte;                        // 255
  uint8_t fondLigneTexte;                         // 1
  uint32_t valeurLigneTexte;                      // 2
  uint16_t motLigneTexte;                         // 1
  uint8_t octetLigneTexte2;                       // 1
  VectTraiteTaquet traiteTaquetLigneTexteAccord;  // spacing-column handler of chord-text lines
  uint16_t fondPorteeTexte;                       // 4: background of a text-line staff

  Handle staffHeightEvts;    // staff-height events
  uint8_t flagGrilleAccord;  // set by the installer: note edits invalidate the chord grid
  Rect rect;                 // screen rectangle, computed by layout

  // Vertical placement, copied along a merged group.
  int16_t yHaut;  // staff top and bottom y
  int16_t yBas;
  int16_t decalageLigneBas;  // bottom staff line below the rectangle's top
  int16_t yEcran;
  float interligne;    // pixels; 0 read as 6.0
  int16_t yBarreHaut;  // bar-line top and bottom y
  int16_t yBarreBas;
  int16_t yBarreOrigine;    // origin of ending brackets on tablature staves
  int16_t codeMiseEnPage1;  // two layout codes; the second is the height in interlines
  int16_t codeMiseEnPage2;
  // Height and inner lines (layout/HauteursPortees.h), each kept at 72 dpi,
  // zoomed to the destination resolution and zoomed for the piano roll. The
  // height is hauteurBaseRuban, hauteurEcran, hauteurRuban; the base line
  // decalageLigneBasBaseRuban, decalageLigneBas, decalageLigneBasRuban; the
  // chord line ligneAccord, lignesTexte[1].decalageHaut, ligneAccordRuban; the
  // lyrics base line hauteurBaseLigneTexte, lignesTexte[0].decalageHaut,
  // ligneBaseKaraokeRuban.
  int16_t hauteurEcran;
  int16_t ligneAccord;
  int16_t ligneAccordRuban;
  int16_t ligneBaseKaraokeRuban;
  // Piano-roll placement.
  BigRect aireRuban;
  int32_t yRuban;
  int16_t hauteurRuban;
  int16_t hauteurBaseRuban;
  int16_t decalageLigneBasRuban;
  float interligneRuban;
  int32_t largeurNoteRuban;
  int16_t decalageNotationEcran;
  int16_t decalageNotationRuban;
  int16_t etendueEcran;  // horizontal extent on screen and on the ribbon
  int16_t etendueRuban;
  int16_t decalageLigneBasBaseRuban;  // unzoomed reference offset of the band
  int16_t huitiemeRuban;              // an eighth and a fifteenth of the zoomed music-font size
  int16_t quinziemeRuban;
  float uniteObjet;  // object heights are divided by it; 0 read as 1.0

  int16_t largeurCle;  // clef area (header width) set by slot 0; the widest shown
                       // staff sets the score's header width
  AspectGraphiquePortee aspect;

  int32_t nbNotes;
  Handle notes;        // Signe records
  int32_t turboIndex;  // last note-index lookup: index and tick (0, 0 = empty)
  int32_t turboTemps;
  Handle tablature;  // Tablature record
  int16_t nbTextes;
  Handle textes;  // Texte records
  int16_t nbGraphiques;
  Handle graphiques;
  int32_t nbDiagrammesAccord;  // chord diagrams
  int16_t nbDynamiques;
  Handle dynamiques;  // Dynamique records
  // Velocity events the preparation derives from the dynamics (EvtDynamique
  // records, sorted by start; the handle may hold more than the count).
  int32_t nbEvtDynamiques;
  Handle evtDynamiques;
  float facteurDynamiques;   // 1.0 after each preparation
  uint8_t dynamiquesDessus;  // new velocity objects go above the staff
  int16_t nbFXs;
  Handle fxs;
  int16_t nbLois;
  Handle lois;
  // Style of the staff name.
  uint16_t policeNom;      // standard font
  uint8_t styleNom;        // 0
  uint16_t tailleNom;      // 12
  uint16_t nomValeurs[3];  // 0
  // Key and clef table.
  int16_t nbTonalites;
  Handle tabTonalite;            // TabTonalite entries, sorted by bar
  int16_t cacheMesureTonalite;   // search cache: last bar looked up and its entry,
  int16_t cacheIndexTonalite;    // -1 at creation
  uint8_t fusionneAvecSuivante;  // drawn merged with the staff that follows
  uint32_t modeFusion;           // kFusionAucune, kFusionMembre, kFusionMaitre
  int32_t flux;                  // sample stream of a digital track (0 = none)
  uint16_t pan;                  // 64
  uint16_t volume;               // 127
  ReglagesPiste piste;           // a digital track's format, markers and settings
  VecteursPortee vecteurs;
  Organe organe;
  AireOrgane aireOrgane;
  uint16_t nbParamEffets;
  Handle paramEffets;     // ParamEffet records
  Partition** partition;  // owning score
  // Singing configuration.
  uint8_t chantConfig1;
  uint8_t chantConfig2;
  Handle voixParam;  // voice parameter block
  uint8_t chante;    // sung
  uint8_t chantCalcule;
  uint8_t chantACalculer;
  uint8_t voixInitialisee;
  int16_t volumeVoix;
  int16_t panVoix;  // 0..127
  uint16_t langueVoix;
  // Curves.
  Handle courbes;  // Courbe records
  int16_t courbeActive;
  InterpreteCourbe interpreteCourbe;  // the curves' values in force during playback
  float echelle;                      // 1.0
  int32_t dureeCache;                 // written length; -1 or 0 = to be computed
  uint16_t mot1;                      // 1
  uint8_t octet3;                     // 1

  // Display and drawing settings read by layout, drawing and the staff types.
  uint8_t flagAffichage;  // one-byte display flag set by the installer
  uint32_t modeGrise;     // 1 = greyed, drawn in colour 247
  uint8_t pasImprimee;    // not printed
  uint8_t jamaisCachee;
  uint8_t placeeDansSysteme;
  int16_t couleur;  // colour index of the staff
  int16_t couleurNotes;
  int16_t largeurTete;
  int16_t huitiemeEcran;  // an eighth and a fifteenth of the music-font size at the destination resolution
  int16_t quinziemeEcran;
  float echelleSymboles;
  uint8_t modeQueues;  // 0 automatic, 1 all stems down
  uint8_t queuesMilieuNotes;
  uint8_t queuesMilieuGraces;
  int16_t decalageQueue;
  uint8_t crochetsEnBarres;
  uint8_t cacheSilences;
  uint8_t sansDecoupeMesure;  // drawing state: notes are not cut at bar lines while set
  uint8_t pauseMesureEntiere;
  uint8_t pauseCentree;
  uint8_t modeSilencesFantomes;
  uint8_t penteMaxBarre;   // percent
  uint8_t epaisseurBarre;  // 12
  uint8_t ecartBarre;      // 6
  uint8_t longueurBarrePartielle;
  uint8_t espaceCrochets;
  uint8_t epaisseurTremolo;
  uint8_t ecartTremolo;
  uint8_t modeFormeNotes;  // 0..6
  uint8_t extensionLigneSup;
  uint8_t debutLigne;  // start-line flag
  uint8_t cacheBarresMesure;
  int16_t couleurRupture;          // colour index of bar lines and repeats; 0: the staff's
  int16_t quatrePointsRepetition;  // non-zero: repeat signs take four dots
  uint8_t afficheRuptures;         // shown when the score leaves it to each staff
  uint8_t lignesTraversantes;
  uint32_t flagNumeroMesure;
  uint32_t enteteTablature;
  int16_t subdivisionBatterie;   // default drum grid subdivision
  uint8_t ligneParolesAffichee;  // text line 1 (lyrics) shown
  uint8_t ligneAccordsAffichee;  // text line 2 (chord names) shown
  LigneTexte lignesTexte[2];     // text lines 1 and 2
  uint8_t texteEchelle;
  int16_t espacementSyllabes;
  int8_t hauteurElision;
  int8_t espacementRangees;
  uint8_t nomsAccordsAuto;
  uint8_t karaoke;  // karaoke lyrics flag
  int16_t premiereLigneVisible;
  int16_t derniereLigneVisible;
  uint8_t ambitus;
  uint8_t ambitusBas;
  uint8_t ambitusHaut;
  int32_t noteCourante;  // the staff's current-note cursor
  Handle usedBars;       // used-bars table
  uint8_t fxLie;         // FX channel linked to another staff
  int16_t fxPorteeLiee;
  Handle diagrammesCustoms;  // the staff's own chord diagrams (DiagrammeAccord records)
  Handle listeAccords;       // the chord list (AccordTaquet records), one per column of the chord line
  uint8_t accordsCalcules;   // the automatic chords are up to date
  // The chord analysis (nomsAccordsAuto switches it on, with the next byte).
  uint8_t analyseAccords;
  uint8_t niveauAccords;         // 3 triads, 4 sevenths, 5 ninths
  uint8_t methodeAccords;        // non-zero root scoring, 0 degrees of the key
  uint8_t unAccordParMesure;     // one chord per bar
  uint8_t accordsParDiagrammes;  // tablatures name chords from the diagram of their fingering
  uint16_t nbAccordsDiagramme;   // chords named from a diagram by the last analysis
  uint16_t nbAccordsSansDiagramme;
  uint16_t valeurAccordeonDefaut;
  uint32_t styleDiagrammes;  // 4000: keyboard diagrams

  // Groups as old documents marked them on the staves (bit 1 first staff,
  // bit 2 last staff), converted into part groups after loading.
  uint16_t ancienGroupeCrochet;
  uint16_t ancienGroupeAccolade;

  // Settings the document reader stores as read.
  int32_t valeurIndex;       // value stored beside the index
  uint8_t flagVue;           // view flag of the staff
  int32_t quartetsFlags[2];  // two nibbles of an old flags byte
  // Bar numbers (notation/BarresMesure.h).
  int32_t reglageNumeroMesure;  // 1: digits; any other value: letters
  uint8_t octetNumeroMesure;
  uint8_t minimumNumeroMesure;  // at least 3
  TextStyle styleNumeroMesure;
  uint16_t intervalleNumeroMesure;  // every N bars (below 1 read as 1)
  uint8_t switchesNumeroMesure[3];  // framed on white; after the clef area; at each system start instead of every N
  int16_t premiereMesureNumerotee;  // no number below this displayed number
  int16_t decalageNumeroMesure;     // added to the displayed number
  uint8_t prefixeNumeroMesure;      // character before the number, 0 none
  int16_t ligneNumeroMesure;        // 72-dpi units below the staff top, never negative
  int32_t neck;                     // neck id of a tablature
  uint16_t octetNeck;
  // Chord-name line.
  uint8_t ligneAccords;  // chord line switch
  uint8_t reglagesLigneAccords[6];
  uint16_t valeursLigneAccords[2];
  uint8_t octetLigneAccords;
  TextStyle stylesLigneAccords[2];
  uint8_t octetsLigneAccords[2];
  int32_t sensRatioAccords;  // direction flag of the ratio
  uint16_t ratioAccords;     // 0..256
  char chaineLigneAccords[255];
  TextStyle styleChaineLigneAccords;
  uint16_t nbLignesAccords;
  // Chord diagrams over the chord line's cells. Documents store no setting
  // known to be these: they are off unless set.
  uint8_t diagrammesLigneAccords;   // shown
  uint8_t diagrammesDessusLigne;    // above the line rather than under it
  uint8_t diagrammesLigneAvecNom;   // with their name (Zoom(12) taller)
  uint8_t diagrammesLigneDoigtes;   // fingering diagrams asked for
  int16_t decalageDiagrammesLigne;  // below the line, 72-dpi units
  uint16_t taillePortee;            // staff size (interline unit)
  uint16_t reglagesLignes[5];       // five staff-line settings
  uint16_t hauteurBaseLigneTexte;
  uint8_t octetsGroupe[7];  // a group of per-staff bytes
  TextStyle styleTexte;     // the staff's text style
  char nomCourt[32];        // name of at most 31 characters
  int16_t idSecond;         // -2 from the reader
  ValeursNativesPortee natif;
};
