#pragma once
// Conversions between ticks, bars, note indexes and screen positions. Times,
// signatures and durations come from the ribbon bar table; page x positions
// and widths from the table of the current screen mode. No conversion fails:
// a missing table gives 0 (or the defaults below) and positions past the last
// bar are extrapolated with the last bar's division and width.
// In the bar rows, a bar's "scale" is its `etirement`, its "left margin" the
// whole header `largeurEntete`, its "clef width" `largeurCleArmure`, its
// "useful width" `largeurMusique`, its "right margin" `largeurMargeDroite`.
#include "platform/PlatformTypes.h"

struct Document;
struct Partition;
struct Portee;
struct TabEltMesure;
struct DivisionTemporelle;

// 1/1008: at 72 dpi one pixel is 1008 ticks before a bar's own scale.
constexpr float kPixelsParTemps = 0.0009920635f;

// Times and bars.
int16_t CvtTempsEnMesure(Partition** score, int32_t tick);
int32_t CvtMesureEnTemps(Partition** score, int32_t bar);
int32_t CvtMesureEnDureeMesure(Partition** score, int32_t bar);
int32_t GetDureeMesureElt(const TabEltMesure* row);
int16_t CvtMesureEnNbTemps(Partition** score, int32_t bar);
int16_t GetNbBeat(int16_t numerator);
void CvtMesureEnDivisionTemporelle(Partition** score, int32_t bar, DivisionTemporelle* out);
uint8_t CvtMesureEnVisibiliteSignatureTemps(Partition** score, int32_t bar);
bool IsMesureDecoupee(Partition** score, int32_t bar);
int32_t DureeMesuresDecoupees(Partition** score, int32_t bar);

// Page pixels.
int32_t CvtDureeEnPixelEcran(Partition** score, int32_t ticks);
int32_t CvtPixelEcranEnDuree(Partition** score, int32_t pixels);
int32_t CvtDureeEnPixelEcranDansMesure(Partition** score, int32_t ticks, int32_t bar);
int32_t CvtTempsEnPixelEcran(Partition** score, int32_t tick);
int32_t CvtMesureEnPixelEcran(Partition** score, int32_t bar);
int32_t CvtMesureEnPixelEcranDebutMesure(Partition** score, int32_t bar);
int32_t CalculeDebutVis(Partition** score, int32_t tick);
int16_t CvtMesureEnTaillePixelEcran(Partition** score, int32_t bar);
int16_t CvtMesureEnMargeGaucheMesureEcran(Partition** score, int32_t bar);
int16_t CalculeMargeDebutMesureEcran(Partition** score, int32_t bar);
int16_t CvtMesureEnMargeDroiteMesureEcran(Partition** score, int32_t bar);
int16_t CalculeMargeFinMesureEcran(Partition** score, int32_t bar);
int16_t CvtMesureEnTailleUtileMesureEcran(Partition** score, int32_t bar);
int16_t CvtMesureEnTailleEcranClePixel(Partition** score, int32_t bar);
int16_t CalculeMargeEcranApresCle(Partition** score, int32_t bar);
int32_t CvtMesureDecoupeeEnPixelEcran(Partition** score, int32_t bar);

// Notes (staff first).
int32_t CvtTempsEnIndexNote(Portee** staff, int32_t tick);
int32_t GetTempsLastCvtTempsEnIndxNote();
int32_t CvtMesureEnIndexNote(Partition** score, Portee** staff, int32_t bar);
// Start tick of the note at an index; past the end, the end of the last note.
int32_t CvtIndexNoteEnTemps(Portee** staff, int32_t index);
int16_t CvtIndexNoteEnMesure(Portee** staff, int32_t index);
// Marks the cached starts from the index on stale.
void ClrTurboCvtTempsEnIndexNote(Portee** staff, int32_t index);
// A whole-bar rest at index, starting bar b at tick t: centred over the bar
// and its cut continuations.
bool IsPauseMesureEntiere(Portee** staff, int32_t index, int32_t t, int32_t b);
int32_t CvtIndexNoteEnPixelEcran(Portee** staff, int32_t index);
int16_t CvtIndexNoteEnPosEcranLin(Portee** staff, int32_t index);
int16_t CvtIndexNoteEnPosRubanLin(Portee** staff, int32_t index);
int32_t CvtIndexNoteEnPixelRubanSelonSensCorps(Portee** staff, int32_t index);

// Window positions (page x unchanged in page mode).
int32_t CvtPixelEnPosEcr(Document* document, int32_t x);
int32_t CvtTempsEnPosEcr(Document* document, int32_t tick);
int32_t CvtMesureEnPosEcr(Document* document, int32_t bar);
int32_t CvtMesureEnPosEcrDebutMesure(Document* document, int32_t bar);

// Written tick of a digital-track position (samples at the track's rate,
// laid along played time).
int32_t CvtPosPisteEnTempsEcrit(Partition** score, uint32_t sampleRate, uint32_t sampleOffset);
