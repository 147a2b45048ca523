#pragma once
// A populated score for tests of structural edits: one document, one score of
// 12 bars (4/4, bar 1 in 3/4) holding every kind of object the model keeps,
// most of them tagged with the bar they were placed in so that a test can
// tell where each went.
//
// Staff 0 (standard, lyrics shown): quarter notes, velocity 10 + bar (a chord
// in bar 2); a lyric cell "L<bar> " on every bar; a slur from bar 1 to bar 2,
// a slur from bar 6 to staff 1's bar 7, a beam link in bar 9; a staccato in
// bar 3 and a picture mark in bar 5 (its graphic with `haut` 5); G major from bar 4, the
// bass clef from bar 8; free texts "T<bar>" in bars 2, 6 and 10; graphics in
// bars 1, 5 and 9, dynamics in bars 0, 6 and 11, sound effects in bars 3 and
// 7 (each with `haut` = its bar); a curve with a point at the start of bars
// 0, 4, 8 and 11 (value = bar); height events 'G' = 10 x bar on every bar and
// 'P' on bar 6.
// Staff 1 (standard): a whole-bar rest per bar, velocity 10 + bar, except a
// half note (velocity kVelociteACheval) that crosses from bar 3 into bar 4.
// Staff 2 (lyrics staff): free texts "T1" and "T7".
// Score: a repeat from bar 2 to the end of bar 5, an ending at bar 9, a jump
// to bar 8 at the end of bar 11 and the end-of-music bar line there; targets
// "C3", "C7", "C10" at their bars; a chord grid of 12 bars whose bar b uses
// b + 1 cells; accompaniment ranges 0..3, 4..7, 8..11 (entries 0, 1, 2) and a
// rhythm range 2..9; a part group over staves 0 and 1; a free object; current
// bar 9; every staff selected. Document: page setup 0 over bars 3..10 and 1
// over 5..12 (1-based); one view with its own bar table, page setup (2..11)
// and height events 'G' = 10 x bar + 1 for staves 0 and 1.
#include <cstdint>

struct Document;
struct Partition;

constexpr int16_t kMesuresPeuplees = 12;
constexpr uint8_t kVelociteACheval = 99;

// The document (its current score is the populated one), or null.
Document* CreeDocumentPeuple();
// Frees the document with its scores and views.
void LibereDocumentPeuple(Document* document);
