#pragma once
// SHARED(data): the thirteen operation slots of a staff, written by its staff type's
// installer. A slot the type does not fill stays null: callers test it.
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct Portee;
struct Signe;

// Slot 0: the zoomed metrics of the staff (and its header width).
typedef void (*VectInitPortee)(Portee** staff);
// Slot 1: the staff lines and background over `clip` (may be null). `headerEnd`
// is the x where the music starts after a line header; `startLine` is 1 on a
// system that opens the score (the start line may be drawn).
typedef void (*VectTraceFondPortee)(Portee** staff, const Rect* staffRect, int16_t headerEnd, const Rect* clip,
                                    int32_t startTick, uint8_t startLine);
// Slot 2: clef, key and (with withTime) time signature at a line start, for
// the bar holding `tick`.
typedef void (*VectTraceArmature)(Portee** staff, const Rect* rect, const Rect* clip, int32_t tick, uint8_t withTime);
// Slots 3 and 4: the y of a note at a tick on the screen or on the ribbon.
// `index` is the note's index in the staff (-1 for a note built on the
// fly); `flags` (may be null) gets the accidental code to show in bits 0-2,
// 128 for a stem down and the note's own display bits.
typedef int16_t (*VectNote2Y)(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
// Slots 5 and 6: the note at a ribbon height or a ribbon y at a tick (the
// pitch into *note); 0 when none is found.
typedef int16_t (*VectRuban2Note)(Portee** staff, int32_t tick, int32_t y, int16_t* note);
// Slot 7: draws the chain of notes from signs[first] (x of the first note,
// xRef the x of its bar, tick its start); returns the index of the first
// sign not drawn. graceIndex is the effects index for grace notes and marks,
// proportional forces proportional spacing.
typedef int32_t (*VectTraceNotes)(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t tick, int32_t first,
                                  int32_t count, int16_t bar, int16_t graceIndex, uint8_t proportional);
// Slot 8: the pass at a bar line: the bar's header signs (clef, key, time
// signature, marks, number), its bar line when drawLine is set. clipTop is the
// top of the drawing's clip; option is the caller's bar-line option. Returns
// the x after the header signs.
typedef int16_t (*VectTraceBarreMesure)(Portee** staff, int16_t bar, int16_t x, int16_t clipTop, uint8_t drawLine,
                                        uint8_t option);
// Slots 9 to 11 (menus and clicks) are never called in this system.
typedef void (*VectPorteeProc)();
// Slot 12: the ribbon rectangle of a note; 1 when filled.
typedef int16_t (*VectCvtIndexNoteEnAireRuban)(Portee** staff, int32_t index, BigRect* out);

struct VecteursPortee {
  VectInitPortee vect_init_portee;                      // 0: zoomed metrics of the staff
  VectTraceFondPortee vect_trace_fond_portee;           // 1: staff lines and background
  VectTraceArmature vect_trace_armature;                // 2: clef, key and time at a line start
  VectNote2Y vect_Note2Ecr;                             // 3: screen y of a note
  VectNote2Y vect_Note2Ruban;                           // 4: ribbon y of a note
  VectRuban2Note HauteurRuban2Note;                     // 5
  VectRuban2Note vect_Ruban2Note;                       // 6
  VectTraceNotes vect_trace_notes;                      // 7
  VectTraceBarreMesure vect_trace_barre_mesure;         // 8
  VectPorteeProc vect_installe_menu;                    // 9
  VectPorteeProc vect_click_shift;                      // 10
  VectPorteeProc vect_traite_option_menu;               // 11
  VectCvtIndexNoteEnAireRuban CvtIndexNoteEnAireRuban;  // 12
};
