#pragma once
// The automatic slur shape: a slur's end offsets and control height worked
// out from the notes it spans, so that the curve clears their heads, stems
// and marks. The work is done on the piano roll at a fixed zoom; nothing is
// done while the automatic-shape preference (`pref.formeAutoCoules`) is off.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// The piano-roll zoom shaping works at.
constexpr int16_t kZoomCalculCoules = 200;

// Shaping settings for the length of a scope: the score's piano-roll zoom at
// 200, the piano-roll sizes of the staff (null: of every staff) made again,
// the bar table rebuilt and then held; all put back when the scope ends,
// whichever way it ends. Nested scopes leave the settings to the outermost.
class ReglagesCalculCoules {
 public:
  ReglagesCalculCoules(Partition** score, Portee** staff);
  ~ReglagesCalculCoules();
  ReglagesCalculCoules(const ReglagesCalculCoules&) = delete;
  ReglagesCalculCoules& operator=(const ReglagesCalculCoules&) = delete;

 private:
  Partition** score_;
  Portee** staff_;
  int16_t zoom_;
  bool actif_;
};

// Reshapes the slur that starts at the note, above or below; a slur whose
// keep-shape flag is set only when forced. A slur that reads as a tie takes
// the tie shape; only the solid and dotted spline styles are reshaped.
void AjusteCoule(Portee** staff, int32_t note, bool above, bool force);
// The slurs that start and end at a note, each on the side of its control
// point, unless they keep their shape.
void AjusteAutoCouleSymbole(Portee** staff, int32_t note, bool force);
// The slurs at a note and every slur of its staff that starts before it and
// ends after it.
void AjusteCouleEnglobeSymbole(Portee** staff, int32_t note);
// The slurs of a staff's notes first .. last - 1 (clamped to the staff), and
// those that enclose the range's ends when a slur from before it reaches in.
void AjusteCouleRange(Portee** staff, int32_t first, int32_t last, bool force);
// Every slur of the score (the MusicXML import reshapes what it loaded).
void AjusteCoulesPartition(Partition** score);
