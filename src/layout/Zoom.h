#pragma once
// SHARED(services): destination resolution and zoom, which every layer
// that measures or draws calls. Every length of the engine is kept in
// screen units of 72 dpi; drawing happens at the destination resolution
// `dpiDest` (screen, page preview, printer, picture) and every length, pen
// and text size goes through the conversions below. Also the conversions
// between pixels and the tenths of a millimetre of page setups.
#include "platform/PlatformTypes.h"

struct Partition;
struct MiseEnPage;
struct Portee;
struct TextStyle;

// Centimetres to inches, in double precision.
constexpr double kCmEnPouce = 0.39370078740157477;

// Resolution.
int16_t GetDpiDest();
void SetDpiDest(int16_t dpi);  // 0 becomes 1
// Destination resolution = truncation of the score's zoom x screen scale in
// single precision (72 without a score); 0 becomes 1.
void SetDpiPartition(Partition** score);
// Sets the score's zoom, clamped to 12..800 (truncated for the integer
// zooms); the staves are prepared again and the spacing marked dirty unless
// nothing changed.
void InjecteZoomPartition(Partition** score, float zoom);
// Changes the screen scale when it differs by more than 0.0001 and brings the
// bar tables up to date.
void SetEchelleEcran(Partition** score, float scale);

// A 72-dpi length at the destination resolution and back, rounded half away
// from zero. A non-zero length never scales to 0: Zoom gives +1 then, DeZoom
// gives 1 with the length's sign.
int32_t Zoom(int32_t v);
int32_t DeZoom(int32_t v);
// Each coordinate becomes floor(v x scale + 0.5).
void AppliqueEchelleRect(Rect* rect, float scale);

// Pen sizes. A size converted from baseDpi to dpiDest: 0 stays 0, a non-zero
// size whose 16-bit result is 0 becomes 1.
int16_t CvtTaillePlumeZoom(int32_t size, int32_t baseDpi);
// The pen height last set by PenSizeZoom or FixeEpaisseurCouleur.
int16_t GetLastPnSizeV();
void SetLastPnSizeV(int16_t dy);

// QuickDraw Move by the zoomed lengths.
void MoveZoom(int32_t dx, int32_t dy);
// QuickDraw PenSize of a pen given in units of baseDpi; the height is kept
// as the last pen height.
void PenSizeZoom(int32_t w, int32_t h, int32_t baseDpi);
// Pen size and colour of a line of w x h units of baseDpi. A colour index
// below 0 keeps the current colour. With the fine-rendering preference a line
// thinner than a pixel is drawn 1 pixel wide in a lighter colour.
void FixeEpaisseurCouleur(int32_t w, int32_t h, int32_t baseDpi, int16_t colourIndex);
// Text size (12 when 0) at the destination resolution without a score, at
// the score's piano-roll zoom with one.
void TextSizeZoom(Partition** score, int16_t size);
// Font, size and face: the music font through its own selection when the font
// is the music font's print number, else the font at the zoomed size.
void TextLookZoom(Partition** score, int16_t font, int16_t size, int16_t face);
// Font, face, zoomed size and colour of a text style.
void SetTextStyleZoom(Partition** score, const TextStyle* style);
// The same with an explicit size (12 when 0), always at the destination resolution.
void SetTextStyleHauteurZoom(const TextStyle* style, int16_t size);

// Pen of a line `w` x `h` in units of baseDpi at the destination resolution.
// With fine rendering, a line thinner than a pixel gets a 1-pixel pen and the
// fraction of a pixel it covers; it is drawn lighter (EclaircitCouleurTraitFin).
struct EpaisseurTrait {
  int16_t largeur;
  int16_t hauteur;
  bool fin;        // thinner than a pixel
  float fraction;  // the pixels it would cover, when fin
};
EpaisseurTrait CalculeEpaisseurTrait(int32_t w, int32_t h, int32_t baseDpi, bool rendreFin);
// The colour of a thin line: mixed with white by f = fraction x 2.2 (at least
// 0.4); the plain colour from f = 1.
RGBColor EclaircitCouleurTraitFin(RGBColor couleur, float fraction);

// The y of the staff's top line relative to its base line, by staff type.
int16_t CalculeDeltaPixelSelonTypePortee(Portee** staff);

// Anchors of staff objects. An absolute position is in ticks, or (isPixel)
// in piano-roll pixels at zoom 72 times 32. Relative to a note (byNote) the
// anchor is the note's id with an offset (pixels or ticks) from the note;
// relative to a bar it is bar x 10000 + the position inside the bar in
// ten-thousandths of its width (pixel form only). -1 when nothing anchors.
int32_t AireAbsolueToRelative(Partition** score, Portee** staff, bool isPixel, int32_t value, bool byNote,
                              int32_t* offset);
// Back to the absolute value; nothing written for a negative anchor or a note
// id the staff does not hold.
void AireRelativeToAbsolue(Partition** score, Portee** staff, bool isPixel, bool byNote, int32_t anchor, int32_t offset,
                           int32_t* value);

// Tenths of a millimetre (truncated toward zero). A page-setup scale below
// 0.1 (or not a number) counts as 0.1, as everywhere a setup's scale divides.
int16_t CvtPixel72EnPosDixiemeMM(Partition** score, int32_t v);
int16_t CvtPosDixiemeMMEnPixel(const MiseEnPage* setup, int32_t v);
int16_t CvtPixelEnPosDixiemeMM(const MiseEnPage* setup, int32_t v);
// The first system's indent in pixels: 0 without a setup or when isFirst is 0;
// a setup scale below 0.1 (or not a number) is reset to 1.0 in the setup.
int16_t CalculeDecalageXPremierGroupe(MiseEnPage* setup, int16_t isFirst);
// The scale a setup's lengths are divided by: never below 0.1.
float EchelleMiseEnPageSure(float scale);
