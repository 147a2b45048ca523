#pragma once
// Bar element tables: one row per bar, one table per screen mode (0 ribbon,
// the master that edits change; 1 page and 2 print, zoomed copies of 3, the
// paginated table). Edits mark parts of the table dirty; readers ask for an
// update of the parts they need before reading.
#include "platform/PlatformTypes.h"

struct Partition;
struct MiseEnPage;

// Dirty bits: 1 spacing (pixel positions and widths), 2 page layout, 4 start
// ticks and bar count. 7 asks for everything.
enum : uint16_t { kTabEltEspacement = 1, kTabEltMarges = 2, kTabEltTemps = 4, kTabEltTout = 7 };

// A score never has more bars than this.
constexpr int16_t kMaxMesures = 7999;

// Written time of a whole note.
constexpr int32_t kDureeRonde = 161280;

// Time signature and beam grouping of a bar. The mask has one bit per
// boundary between subdivisions: bit i set starts a new beam group after
// subdivision i + 1.
//
// The five values are numbered in record order: value 1 is the division code
// (the numerator), value 2 the denominator, values 3 and 4 the two additive
// parts, value 5 the additive denominator. A native document stores u16
// value 1, u8 value 4, u8 value 3, u16 value 2, u16 value 5, then the byte
// octet1 (the time signature drawn as a symbol); from 7.90 a byte whose bit 0
// is octet2 and bit 1 groupePar4, and the mask's first word (copied into the
// other seven before 9.20; from 9.20 seven more words follow). Before 7.90
// octet2 and groupePar4 are 1 and the mask is the default of the numerator.
// octet3 is never stored.
struct DivisionTemporelle {
  int16_t numerateur;
  int16_t denominateur;
  int16_t partieAdditive1;  // (p1 + p2) / denominateurAdditif
  int16_t partieAdditive2;
  int16_t denominateurAdditif;
  uint8_t octet1;      // 0 by default
  uint8_t octet2;      // 1 by default
  uint8_t groupePar4;  // CanDivisionTemporelleGroupBy4
  uint8_t octet3;
  uint16_t masqueAccroche[8];
};

// One bar of a table. Lengths marked "72 dpi" are screen units; the others
// are pixels at the table's resolution.
//
// The conversions read the derived widths under these names: a bar's "scale"
// is `etirement`, its "left margin" is `largeurEntete` (the whole header) and
// the "first segment" of the header is `largeurRupture`.
//
// Pagination reads them so: the fixed width is the header, the two
// stretchable widths the music and the right margin (both follow the stored
// scale), the clef-and-key courtesy width `largeurCleArmure` and the reminder
// width `largeurRappel`. It writes the line start (`marquePagination`, the bar
// opens a line and shows its clef and key), the system and page starts, the
// multi-bar state (`motPagination`: 0 ordinary, 1 inside a group or outside
// the printed range, 2 first bar of a multi-bar rest, 3 of a multi-bar
// repeat), `sansLargeur` for the bars of state 1 and the courtesy area at the
// end of the system before the bar. The bar's breaks: `sautSysteme` and
// `sautPage` after the bar, `continueLigneSuivante` no break after it.
//
// A native document stores per row: u16 echelle in thousandths of the natural
// width (held in 20..8000 like SetEchelleMesureOrig; documents before 7.40
// scale it by their bar-width factor / 10), u8 signatureVisible, the division,
// a byte whose bits 0, 3, 2 and 1 are sautSysteme, continueLigneSuivante,
// sautPage and sautQuatrieme; from 7.40 margeGauche and margeDroite in 72-dpi
// screen units (16 and 0 before); from 8.00 a byte whose bits 0, 1 and 2 are
// nonComptee, numeroGarde and numeroCache, etatDecoupeNote and
// numeroRedemarrage. Start ticks are never stored: each row starts where the
// bars before it end.
struct TabEltMesure {
  uint16_t echelle;  // thousandths of the natural width; 1000 natural
  uint8_t signatureVisible;
  uint8_t sautSysteme;            // the user asked for a new system here
  uint8_t continueLigneSuivante;  // cut bar: continued by the next row (not counted)
  uint8_t sautPage;
  uint8_t sautQuatrieme;  // kept, copied and cleared with the three above
  uint8_t nonComptee;     // does not advance the numbering
  uint8_t numeroGarde;    // not counted but shows the running number
  uint8_t numeroCache;
  uint8_t etatDecoupeNote;
  uint16_t numeroRedemarrage;  // numbering restarts here when non-zero
  DivisionTemporelle division;
  int16_t margeGauche;  // 72 dpi; 16 in a new table
  int16_t margeDroite;  // 72 dpi
  uint8_t marquePagination;
  float etirement;      // screen stretch, per mille
  uint32_t debutTemps;  // start tick; kTempsPerime after an insertion
  int32_t debutX;
  int32_t largeurRupture;    // bar line or repeat sign at the start
  int32_t largeurCleArmure;  // clef, key and time signature
  int32_t largeurRappel;     // courtesy clef at the end
  uint32_t motPagination;
  int32_t largeurEntete;       // Zoom(margeGauche) + clef and key + rupture
  int32_t largeurMusique;      // the notes (the useful width)
  int32_t largeurMargeDroite;  // Zoom(margeDroite)
  int32_t largeurTotale;
  uint8_t debutSysteme;  // written by pagination
  uint8_t debutPage;
  // Written by pagination: width of the courtesy signs drawn after the right
  // edge of a system that ends before this bar; 0 for none.
  int32_t largeurRappelFinSysteme;
  uint32_t sansLargeur;   // 1: collapsed by pagination
  uint16_t numeroMesure;  // shown number, 0 none
  uint8_t numeroForce;    // the bar number is printed whatever the staff's rule
  uint8_t octetMiseEnPage;
  // The spacing engine's natural width of the bar, in space units (at least 1;
  // 1000 in a new row).
  uint32_t echelleZorodava;
};

constexpr uint32_t kTempsPerime = 0xFFFFFFFFu;

// Process-wide: the bar-count check runs while this is above 0; the first
// append lowers it for good.
int16_t GetIsCheckNbMesures();
void SetIsCheckNbMesures(int16_t value);

// Dirty-bit protocol.
void DisableCalculTabElt(Partition** score);
void EnableCalculTabElt(Partition** score);
void SetTabEltMesureModifie(Partition** score, uint16_t mask);
void SetDisableMaskTabEltMesureModifie(Partition** score, uint16_t mask);
void UpdateTabEltMesure(Partition** score, uint16_t mask);
// The table of the score's screen mode; null for a null score or a mode above 3.
Handle GetTabEltMesureEcran(Partition** score);
// Frees the four tables and sets the row count to 0.
void DisposeTabEltMesure(Partition** score);

// Rows of a table handle and its row array (null for a null handle).
int32_t GetNbLignesTabElt(Handle table);
TabEltMesure* GetLignesTabElt(Handle table);
// The live ribbon table and its row count (the smaller of the stored count and
// what the handle holds).
Handle GetTabEltMesureRuban(Partition** score);
int32_t GetNbMesuresTabEltRuban(Partition** score);

// Appending rows: to the live ribbon table (false when memory runs out or the
// table is full), and to every view's copy (false for n < 1).
bool AddEltTabEltMesureRubanCurView(Partition** score, int32_t n);
bool AddEltTabEltMesureRuban(Partition** score, int32_t n);

void RecalculeNumeroMesures(Partition** score);
void CheckNbMesures(Partition** score);
void RecalculeNbMesures(Partition** score, bool fromTable);
void InsereMesureChangeEchelleMesure(Partition** score, int16_t atBar, int16_t count, bool withDivision,
                                     const DivisionTemporelle* division);
void DeleteMesureChangeEchelleMesure(Partition** score, int16_t atBar, int16_t count);

// The pixel pass: start ticks, start x and widths of rows fromBar..toBar-1 at
// a resolution; with maxPixels >= 0 it stops once the middle of a bar passes
// start x + maxPixels.
void CalculePosTempsPixelTabElt(Partition** score, MiseEnPage* pageSetup, Handle table, int32_t fromBar, int32_t toBar,
                                int16_t resolution, int32_t maxPixels);
// Rescales the positions and widths of every row in place.
void ZoomeTabEltMesure(Partition** score, Handle table, float factor);

// Single fields of a bar's row.
uint16_t GetEchelleMesureOrig(Partition** score, int16_t bar);
void SetEchelleMesureOrig(Partition** score, int16_t bar, uint16_t scale);
int16_t FixeEchelleMesureBrut(Partition** score, int16_t bar, uint16_t scale);
float CalculeEchelleEcranMesure(Partition** score, const TabEltMesure* row);
void FixeMargeDroiteMesure(Partition** score, int16_t bar, int32_t pixels);
void FixeMargeGaucheMesure(Partition** score, int16_t bar, int32_t pixels);
int16_t CvtMesureEnMargeGaucheMesure(Partition** score, int16_t bar);
int16_t CvtMesureEnMargeDroiteMesure(Partition** score, int16_t bar);
void FixeEtatComptageMesurePartition(Partition** score, int16_t bar, uint8_t state);
void FixeEtatDecoupeNoteMesurePartition(Partition** score, int16_t bar, uint8_t state);

// Time divisions.
void GetDivisionMesurePartitionStd(Partition** score, DivisionTemporelle* out);
void FixeDivisionMesurePartition(Partition** score, int16_t bar, const DivisionTemporelle* division, uint8_t visible,
                                 bool recount);
void SetDivisionMesureStdValues(Partition** score, int16_t numerator, int16_t denominator);
void GetDefautMasqueAccroche(int16_t numerator, uint16_t mask[8]);
bool GetBitMasqueAccroche(int32_t i, const uint16_t mask[8]);
bool CanDivisionTemporelleGroupBy4(const DivisionTemporelle* division);
bool AdapteDivisionTemporelle();
// The 4/4 division of a new table.
void GetDivisionTemporelleDefaut(DivisionTemporelle* out);
