#pragma once
// Graphic objects of a staff: pictures from the picture library, embedded
// pictures and images, and drawn lines with ends of several kinds, placed in
// the piano roll by time (or by piano-roll pixels) and by object units,
// drawn on the page where their span meets the drawn range, cut when bars go
// and made relative to their notes around structural edits. A graphic with
// an id belongs to a note's picture mark, which draws it.
#include "platform/PlatformTypes.h"
#include "system/PortLayer.h"

struct Document;
struct Partition;
struct Portee;

// Kinds of a graphic's data.
enum : uint32_t {
  kGraphiquePicture = 1,     // the data is a picture
  kGraphiqueImageDebut = 2,  // 2 to 6: image data (3 is PNG)
  kGraphiqueImageFin = 6,
};

// The picture id of a line object.
constexpr int16_t kIdGraphiqueLigne = 999;

// Line styles of a line object.
enum : int32_t {
  kLignePleine = 0,
  kLigneTirets = 1,
  kLignePointillee = 2,
  kLigneOnde = 3,
  kLigneCoule = 4,  // 4 to 7: slur shapes
  kLigneCouleDerniere = 7,
};

// Kinds of a line object's ends.
enum : int16_t {
  kExtremiteAucune = 0,
  kExtremiteTrait = 1,         // a one-sided tick
  kExtremiteTraitInverse = 2,  // the same tick on the other side
  kExtremiteBarre = 3,         // a bar across the line
  kExtremiteFleche = 4,        // an arrowhead
};

// One graphic. A staff holds its graphics back to back in a handle with their
// count beside it; a new record is zero-filled. The document stores each
// field here; the last four are kept as read.
struct Graphique {
  uint32_t typeDonnees;  // kGraphiquePicture, kGraphiqueImage..., other values: nothing to draw
  Handle donnees;        // embedded picture or image data; null for none
  Offscreen image;       // the image data decoded and turned, made when first drawn
  int16_t idPicture;     // a picture of the library, or kIdGraphiqueLigne
  // Area: start and end in ticks (pixel-anchored: piano-roll pixels x 32),
  // top and bottom in object units from the staff band's reference line.
  int32_t debut;
  int32_t fin;
  int32_t haut;
  int32_t bas;
  int16_t decalageGauche;  // horizontal shifts
  int16_t decalageDroite;
  int16_t rotation;        // degrees the image is turned by
  int16_t couleur;         // colour index; 0 draws a picture in its own colours
  uint8_t ancrePixel;      // 1: start and end are piano-roll pixels x 32
  uint8_t effaceFond;      // 1: the area is erased in white first
  uint8_t cache;           // 1: never drawn
  int32_t styleLigne;      // line objects: kLigne...
  int16_t extremiteDebut;  // kExtremite... at the start and at the end
  int16_t extremiteFin;
  int16_t epaisseur;       // pen width at 72 dpi
  int16_t decalageYDebut;  // offsets of the two ends from the area's middle
  int16_t decalageYFin;
  int16_t tailleExtremite;  // length of the ends' ticks and bars
  int16_t controleX;        // offset of a slur's control point from the line's middle
  int16_t controleY;
  uint32_t id;             // non-zero: the graphic of a note's picture mark
  uint32_t ancrePreserve;  // note-relative position kept across structural edits
  uint32_t decalagePreserve;
  uint8_t octetGraphique;  // the byte stored before the data kind
  uint16_t motPosition;    // the byte stored before the position mode
  char nom[129];           // UTF-8, NUL-terminated
  uint16_t motFin;         // the word stored after the name
};

// The resource file of the picture library; -1 when none is open (a
// previewer opens none: library pictures then draw as missing).
extern int16_t idOrvantaGrafFile;

// The staff's graphics and their count (bounded by the handle); null when none.
Graphique* GetGraphiquesPortee(Portee** staff, int32_t* count);
// Appends a zero-filled record; its index, or -1 when the list cannot grow.
int32_t NewGraphique(Portee** staff);
// Frees the record's data and image and removes it.
void DeleteGraphique(Portee** staff, int32_t index);
void DisposeGraphiques(Portee** staff);
// Sorts the staff's graphics by CompareGraphiques (equal records keep their order).
void PrepareGraphiquesPortee(Portee** staff);
// By start; at equal starts -1 when a is higher, else 1 when a reaches lower, else 0.
int16_t CompareGraphiques(const Graphique* a, const Graphique* b);

// The graphic's page Rect, at least 2 wide and 4 high. A negative x offset
// places it through the piano roll, else within the staff at that offset.
bool CalculeAireGraphiqueEcran(Document* document, Portee** staff, int32_t index, int32_t xOffset, Rect* out);
// Draws the graphic in the Rect (its cached image may be made).
void AfficheGraphique(const Rect* r, Graphique* graphic);
// Changes the rotation; the cached image is made again at the next drawing.
void SetRotationPictGraphique(Graphique* graphic, int16_t rotation);
// The graphic's natural frame; false when it is not known (then 32 x 32).
bool GetRecPictGraphique(Graphique* graphic, Rect* out);
// Draws the staff's graphics without an id whose span meets [t0, t1] and
// whose Rect meets the clip. Always 1.
int16_t AfficheGraphiquesPortee(Portee** staff, const Rect* clip, int32_t xOffset, int32_t t0, int32_t t1);
// Draws one end of a line object at the point (end 0 the start, 1 the end)
// for a line along (dx, dy); an arrowhead moves the point to its base.
void DisplayExtremite(int16_t end, int16_t kind, Point* point, int32_t dx, int32_t dy, int32_t pen, int32_t size);

// Removes the graphics of `count` deleted bars from `bar` and moves the later
// ones back; graphics with an id stay.
void DeleteMesureGraphiques(Portee** staff, int32_t bar, int32_t count);

// Graphics made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back. Pairs nest: only the outermost
// one converts.
void PreservePositionGraphiques(Partition** score, int16_t mode);
void RestaurePositionGraphiques(Partition** score, int16_t mode);

// The staff's graphic with this id, or null (also for id 0). The pointer
// holds until the list changes.
Graphique* GetGraphiqueFromID(Portee** staff, uint32_t id);
// Deletes the staff's first graphic with this id.
void DeleteGraphiqueFromID(Portee** staff, uint32_t id);
// Deletes the graphics that the graphic-link marks of an effect record stand for.
void DeleteRelatedGraphiques(Portee** staff, int32_t effect);
