#pragma once
// Staff heights and inner lines: the height of a staff and, inside it, the
// base line of its lines, its chord-symbol line, its lyrics base line and its
// tablature's base line. Each is kept at 72 dpi (the master), zoomed to the
// destination resolution and zoomed for the piano roll (model/Portee.h names
// the fields); setting one marks the score's page layout dirty. The inner
// lines of a new staff, which the model sets, are declared in
// layout/ServicesMiseEnPage.h.
#include "layout/ServicesMiseEnPage.h"
#include "platform/PlatformTypes.h"

struct Portee;

// The staff's zoomed line spacing (from its music-font size when it has none yet).
float InterlignePortee(Portee** staff);
// The height of one piano-roll line of the staff, by type.
int16_t GetHauteurLigneRubanPortee(Portee** staff);
// The zoomed height the staff's type and text lines ask for.
int16_t HauteurNormalePortee(Portee** staff);
// The tablature's zoomed height (its height slot asked with 1); 0 without one.
int16_t GetHauteurTablaturePortee(Portee** staff);

// Setters take zoomed values; the master is DeZoom of it, the other two forms
// are made from the master.
void SetHauteurPortee(Portee** staff, int16_t h);
// Negative values are stored as 0.
void SetLigneBasePortee(Portee** staff, int16_t y);
void SetLigneBaseTablature(Portee** staff, int16_t y);
void SetLigneBaseKaraoke(Portee** staff, int16_t y);
// Default: the chord line 6 line spacings and Zoom(4) above the base line
// (under the tablature on a tablature staff). The lyrics base line's default
// and the height check are in layout/ServicesMiseEnPage.h.
void SetDefaultLignesAccordPortee(Portee** staff);
