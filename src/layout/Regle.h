#pragma once
// The ruler above the score: one framed cell per bar with the bar's number,
// icons for what happens at the bar and, optionally, the marks of the bar's
// margins. Previews are drawn as printed and show none of it.
#include <cstdint>

#include "platform/PlatformTypes.h"

// Whether the ruler shows the marks of each bar's margins (on at start; the
// preview plug-in turns it off).
void SetModeAfficheTaquetsRegle(int16_t mode);
int16_t GetModeAfficheTaquetsRegle();

struct Document;
// The ruler's height: 19 when the document shows it, else 0.
int16_t CalculeHauteurRegle(Document* document);
// The area of the ruler's menu button: empty in page mode, else the 12
// pixels at the window's left over the ruler's 18.
void CalculeAireEcranMenuRegle(Document* document, Rect* out);
// The label of bar b (0-based) whose displayed number is `numero`: "b+1"
// when they agree, "(b+1)" for a bar without a number, else "numero (b+1)".
void LibelleMesureRegle(int32_t numero, int32_t bar, char* out, int32_t size);
// Draws the ruler in `ruler` over the bars from the bar of firstTime to the
// bar of lastTime, the cells that meet `update`; the menu button and other
// on-screen icons only when not printing.
void AfficheRegle(Document* document, const Rect* ruler, int32_t firstTime, int32_t lastTime, const Rect* update,
                  bool printing);
