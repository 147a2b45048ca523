#pragma once
// The signs that join staves: braces, brackets with their hooks and thin
// sub-brackets, drawn into the current port in a rectangle. Part groups draw
// them at a system's left, free objects anywhere on a page.
#include <cstdint>

#include "platform/PlatformTypes.h"

// A brace filling the rectangle, its tip at the middle of the left edge; p is
// its width value, q its shape value (both at the destination resolution).
void DrawAccolade(const Rect* rect, int32_t p, int32_t q);
// Its mirror about the rectangle's vertical middle: the tip at the right.
void DrawAccoladeInverse(const Rect* rect, int32_t p, int32_t q);
// A bracket along the rectangle's left edge with hooks at its top and bottom
// when asked; thickness is a factor of the bar's width, hook the hook's length
// (72-dpi units).
void DrawBracket(const Rect* rect, bool topHook, bool bottomHook, int32_t thickness, int32_t hook);
// The bracket of a right-hand side: along the right edge, hooks to the left.
void DrawBracketInverse(const Rect* rect, bool topHook, bool bottomHook, int32_t thickness, int32_t hook);
// A thin open bracket: lines along the top, the left edge and the bottom.
void DrawSubBracket(const Rect* rect);

struct Document;
struct Systeme;
// Every part group of the current score for one system (or, without a
// system, outside pages): its sign at the system's left and its name (the
// full one on the score's first system, else the abbreviation) beside it.
// A grey background shows only on screen.
void DrawPartGroupSystem(Document* document, const Rect* rect, const Systeme* system);
