#pragma once
// Free objects of a score: page decorations (text boxes, images, pictures,
// shapes, lines, curves, braces and brackets) placed on pages by their
// distance to the page edges.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Document;
struct GrafPort;
struct MiseEnPage;
struct Partition;
struct PrInfo;

// Types.
enum : uint32_t {
  kObjetLibreTexte = 0,
  kObjetLibreImage = 1,  // image data (or a picture in the old format)
  kObjetLibrePicture = 2,
  // 3 to 8 framed or filled rectangles, ovals and rounded rectangles; 9 to 12
  // lines; 13 to 16 curves; 17 to 20 brace, bracket and their inverses.
};

// Anchor bits: the rectangle is measured from the page's bottom, right edge.
enum : uint32_t { kAncreObjetLibreBas = 1, kAncreObjetLibreDroite = 2 };

// The face value that marks UTF-8 text in a text box's style.
constexpr uint8_t kFaceObjetLibreUTF8 = 128;

struct ObjetLibre {
  uint32_t type;
  uint8_t reserve1[4];
  int32_t valeurs1[2];
  int16_t valeur1;
  char chaines[2][780];
  Handle donnees;    // text (UTF-8), image data or picture; one byte in a new object
  GrafPort* image;   // decoded image kept for drawing, never stored
  uint32_t valeur2;  // stored as a byte
  int16_t valeur3;
  Rect rect;              // top, left, bottom, right: tenths of a millimetre from the page's edges
  uint32_t ancre;         // kAncreObjetLibre* bits; stored as a byte
  uint8_t secondeClasse;  // shown by the placement option's bit 1, else by its bit 2
  uint8_t flags[2];       // stored as bits 1 and 2 of one byte
  TextStyle style;
  uint8_t octet1;
  uint8_t octet2;  // cleared for image data of documents below 9.64
  // Given to the page element of a text box or an image (its angle field).
  int16_t valeurSysteme;
  uint32_t ancienFormat;  // stored as a byte; 1: image data holding an old-format picture
  int16_t valeurs3[3];
  int16_t page;  // 0-based; -1 none
  uint8_t reserve2[136];
  int32_t idVue;  // the view the object shows in (stored since views came)
  char nom[128];  // UTF-8
};

int16_t NbObjetsLibres(Partition** score);
// Appends an object of a type to the current score; its index, or -1.
int16_t NewObjetLibre(Document* document, uint32_t type);
// Frees an object and moves the later ones down (the list goes with the last
// object); an index out of range is ignored.
void LibereObjetLibre(Partition** score, int16_t index);
void LibereObjetsLibres(Partition** score);
// Frees the score's objects, then reads the stored list from the document
// byte stream; 0 when it cannot be read (the stream is then marked at its
// end, and the objects read so far stay with the score), else 1.
int16_t ReadObjetsLibres(Partition** score);
// Adds the page element of an object to page `page` (0-based) of the current
// score, measured in the print information's page: after the page's other
// elements when inFront is set, first otherwise. Nothing when the document's
// placement option leaves the object out.
void AjouteObjetLibreSysteme(Document* document, MiseEnPage* setup, const PrInfo* printInfo, int16_t index,
                             int16_t page, int16_t inFront);
