#pragma once
// Piano-roll coordinates: an unjustified horizontal axis on which time runs
// at a fixed rate per bar (the ribbon bar table, screen mode 0), and a band
// per staff on the vertical axis. Staff objects are anchored here; their page
// positions come from the maps below. No conversion fails: a missing table
// gives 0, bars past the end are extrapolated, page values are clamped.
// In the bar rows, a bar's "scale" is its `etirement`, its "left margin" the
// whole header `largeurEntete` and the header's "first segment" the bar line's
// `largeurRupture`.
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct Document;
struct Partition;
struct Portee;

// The score's piano-roll zoom (72 is 100 %) applied to a length and back; a
// non-zero length that scales to 0 becomes +1 or -1 while the process flag is
// set (it is at start).
int32_t ZoomRuban(Partition** score, int32_t v);
int32_t DeZoomRuban(Partition** score, int32_t v);
bool IsNoNullZoomResult();
void SetNoNullZoomResult(bool on);

// Ticks, bars and piano-roll x.
int32_t CvtTempsEnPixelRuban(Partition** score, int32_t tick);
int32_t CvtPixelRubanEnTemps(Partition** score, int32_t x);
int32_t CvtPixelRubanEnMesure(Partition** score, int32_t x);
int32_t CvtMesureEnPixelRuban(Partition** score, int32_t bar);
int32_t CvtMesureEnPixelRubanDebutMesure(Partition** score, int32_t bar);
int16_t CvtMesureEnMargeGaucheMesureRuban(Partition** score, int32_t bar);
int16_t CvtMesureEnTailleUtileMesureRuban(Partition** score, int32_t bar);
int16_t CvtMesureEnTailleRubanClePixel(Partition** score, int32_t bar);
int32_t CvtMesureEnTaillePixelRuban(Partition** score, int32_t bar);
int16_t CalculeMargeDebutMesureRuban(Partition** score, int32_t bar);
int16_t CalculeMargeRubanApresCle(Partition** score, int32_t bar);
int32_t CvtIndexNoteEnPixelRuban(Portee** staff, int32_t index);

// Piano-roll x and page x (page and print modes; unchanged otherwise).
int32_t CvtPixelRubanEnPixelEcran(Partition** score, int32_t x);
int32_t CvtPixelEcranEnPixelRuban(Partition** score, int32_t x);

// Staff bands.
int16_t CvtPosYRubanEnIndexPortee(Partition** score, int32_t y);
// The staff of a piano-roll point; with the flag, the walk goes on from it (up
// when the point lies above the staff's reference line, else down) to the
// nearest shown staff that is not a member of a merged group, and its index
// field is returned. -1 when no staff holds it.
int16_t CvtPtRubanEnIndexPortee(Document* document, const Point* pagePoint, BigPt point, bool flag);
void InitTailleRubanPortee(Partition** score, Portee** staff);
void CalculeAireRubanPorteesPartition(Partition** score);
// Gives a merged staff the piano-roll band of its leader.
void AppliquePorteeFusionneRuban(Portee** leader, Portee** staff);

// Piano-roll points and areas to page or window coordinates.
void CvtPtRubanEnPtEcranDansPorteeOffset(Document* document, Portee** staff, int32_t xOffset, BigPt point, Point* out);
bool CvtPtRubanEnPtEcran(Document* document, BigPt point, Point* out, uint16_t* systemIndex);
void CvtAireRubanEnAireEcranDansPorteeOffset(Document* document, Portee** staff, int32_t xOffset, const BigRect* area,
                                             Rect* out);
void CvtAireRubanEnAireEcran(Document* document, const BigRect* area, Rect* out);

// Anchored objects: start and end in ticks (or, with the pixel flag,
// piano-roll pixels x 32), top and bottom in object units.
struct AireObjet {
  int32_t debut;
  int32_t fin;
  int32_t haut;
  int32_t bas;
};
void CalculeAireObjetRuban(Portee** staff, const AireObjet* area, bool pixels, int32_t leftShift, int32_t rightShift,
                           BigRect* out);
bool CvtAireObjetEnAireEcran(Document* document, Portee** staff, int32_t xOffset, const AireObjet* area,
                             int32_t leftShift, int32_t rightShift, bool pixels, Rect* out);
