#pragma once
// SHARED(services): the calls the layers below layout make into it (the
// model above all): screen modes, the spacing engine's settings, columns and
// conversions, page setups, the graphic mode and staff lines. Each group says
// which file defines it. The zoom and destination resolution are in
// layout/Zoom.h, included here.
#include "layout/DonneesMiseEnPage.h"
#include "layout/DonneesModeGraphique.h"
#include "layout/DonneesZorodava.h"
#include "layout/Zoom.h"
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct Document;
struct Partition;
struct Portee;

// Screen modes (ModesEcran.cpp).
enum : int32_t { kModeEcranRuban = 0, kModeEcranPage = 1, kModeEcranImpression = 2, kModeEcranImpression2 = 3 };
int32_t GetModeEcran(Partition** score);  // 0 without a score
bool IsModePagePartition(Partition** score);
bool IsModeImpressionPartition(Partition** score);
// The same for the document's current score; false without one.
bool IsModePageDocument(Document* document);
bool IsModeImpressionDocument(Document* document);
// Marks the current score's page layout dirty.
void FixeMiseEnPageNonCalculee(Document* document);
// Whether guide marks are drawn: objects set invisible show only then; never
// while the process switch is off, else always in mode 0, else the document's.
bool IsTraceReperes(Partition** score);
// With the page-limits preference, a bar that starts a system gets a line at
// x over the staff's height (4 pixels wide at 72 dpi where a page starts).
void TraceLimitePage(Document* document, Portee** staff, int32_t bar, int32_t x);
// Re-paginates the current score: writes the mode-3 bar table.
void RecalculeMiseEnPage(Document* document);
// The scale by which the mode-3 table is zoomed into the page and print tables:
// the mode's resolution / 72 in print modes, zoom x resolution x page-view
// factor / 5184 otherwise.
float CalculeEchelleVisualisationModePage(Document* document);
// Screen areas of the ribbon, page and print modes after a rebuild; in mode 0
// the shown staves are stacked by their zoomed heights under the ruler (a
// document without a window area keeps its staves where they are).
void InitAiresEcranModeRuban(Document* document);
void InitAiresEcranModePage(Document* document);
void InitAiresEcranImpression(Document* document);
// Page locations, in page and print modes. The page system and staff entry
// showing a piano-roll point (its bar and the staff under it); false when no
// shown page holds it.
bool CvtPtRubanEnLocalisationPage(Document* document, BigPt point, LocalisationPage* location);
// The first music system showing the bar of `tick`, with the first staff
// entry of `staff` or after it (the first entry without a staff); with
// shownOnly only pages that meet the view; with fallBack the last system
// before the bar when none holds it (staff entry 0). True when filled.
bool CvtTempsPorteeEnLocalisationPage(Document* document, Portee** staff, int32_t tick, bool shownOnly, bool fallBack,
                                      LocalisationPage* location);
// Hit test of a screen point: modes 0 and 1 give the shown page nearest to it
// (true when there is one); modes 2 to 4 the element of the kind (-1 any)
// under it, mode 4 down to its staff entry.
bool CvtPointEcranEnLocalisationPageSelonType(Document* document, Point point, int32_t kind, LocalisationPage* location,
                                              int16_t mode);
// Clips drawing to the drawing frame of a located page element within the
// drawable area of the mode.
void SetClipSysteme(Document* document, const LocalisationPage* location);
// The drawable area of the window: everything in print modes; the window in
// page mode; in mode 0 the window less the score's inset (unless flag 8), the
// gutter (unless flag 2) and the ruler's height (unless flag 4).
void CalculeAireSelonMode(Document* document, int16_t flags, Rect* out);

// The spacing engine (Zorodava.cpp).
// Gives a score the user's settings; with keepOn 0 the engine is switched off.
void SetDefaultZorodavaPartition(Partition** score, int16_t keepOn);
// Releases the score's cache of spacing columns and clears its count.
void DisposeZorodavaTaquets(Partition** score);
// Whether the spacing engine lays out the score (any staff when none is given).
bool IsModeZorodava(Partition** score, Portee** staff);
// Rebuilds the spacing columns of the document's current score; 0.
int16_t RecalculeZorodavaDocument(Document* document);
// Page x, piano-roll x and window x of a tick through the spacing columns, and
// the tick of a piano-roll x; negative when the columns do not hold it.
int32_t ZorodavaCvtTempsEnPixelEcran(Partition** score, int32_t tick);
int32_t ZorodavaCvtTempsEnPixelRuban(Partition** score, int32_t tick);
int32_t ZorodavaCvtPixelRubanEnTemps(Partition** score, int32_t x);
int32_t ZorodavaCvtPosTempsEnPosColEcr(Partition** score, int32_t tick);
// Window x of the column of a tick in a bar (the drawing of chord pieces; the
// note's spacing x and its piece list are not needed).
int32_t ZorodavaCalculePosColEcrSelonListeNote(Partition** score, int32_t bar, int32_t posZorodava, Handle pieces,
                                               int32_t pieceIndex, int32_t tick);
// The (offset, x) pairs of a bar's onsets, from (0, 0) to (bar duration,
// natural width), sorted by offset; the caller frees it. Null for a bar
// outside the score.
Handle ZorodavaCalculeHandlePos(Partition** score, bool useRibbon, int32_t bar);
// Reads a stored setup from the document byte stream.
void ReadZorodava(ZorodavaSetup* setup);

// Page setups (MiseEnPage.cpp).
// The defaults of a setup of the given kind.
void FixeMiseEnPageStandard(MiseEnPage* setup, uint32_t kind);
// Frees every page of the score with its elements and their staff entries,
// then the bar tables of screen modes 1, 2 and 3.
void DisposeMiseEnPagePartition(Partition** score);
// Page count of the score after bringing its bar tables up to date; 0 for a
// null score.
int16_t CombienDePages(Partition** score);
// Whether a staff is printed with a setup.
bool IsPorteeImprimable(MiseEnPage* pageSetup, Portee** staff);
void SetSystemeDefaut(Systeme* system);
// Adds an element to a page (a copy of its staff entries; the caller keeps its
// own), after the others or first; the page's running y becomes the element's
// bottom + gap. Returns the element's index, or -1 when it could not be added.
int16_t AjouteSysteme(Partition** score, int16_t page, const Systeme* system, int16_t gap, bool first);

// The graphic mode (ModeGraphique.cpp; ReadConfigGraphique in LectureModeGraphique.cpp).
// The user's mode, from the preferences.
void GetUserModeGraphique(ModeGraphique* mode);
// Installs the score's mode, with the preferences' minimum printed thicknesses
// in print modes.
void SetCurrentModeGraphique(Partition** score);
// Reads a stored mode at the version being loaded, with the document's
// text-style reader (LitConfigGraphique in layout/ModeGraphique.h at any version).
int16_t ReadConfigGraphique(ModeGraphique* mode);

// Staff heights (HauteursPortees.cpp).
// The chord-name line's y below the staff's top (zoomed), at the score's own
// resolution, restored afterwards.
void SetLigneAccordPortee(Portee** staff, int16_t y);
// Sets a new staff's inner line positions.
void SetDefaultLignesInternesPortees(Portee** staff);
// The lyrics base line's default: 2 line spacings under the base line (3
// under a tablature, 0 on lyrics and track staves).
void SetDefaultLignesBaseKaraoke(Portee** staff);
// Raises the height to what the base line, tablature and text lines need;
// 1 when it had to.
int16_t CheckHauteurPortee(Portee** staff);
