#pragma once
// The instrument table of a score: a handle of Instrument records (declared in
// sound/DonneesInstrument.h) and their count, held by the score, with the two
// metronome instruments, the binding of a staff to its instrument's output
// device, and the sound ids of the standard sound base. The table's
// operations that the model calls are declared in sound/ServicesSon.h.
#include "sound/DonneesInstrument.h"
#include "sound/ServicesSon.h"

// Four-character codes of the output devices.
constexpr uint32_t kOrganeMidi = FourCC("midi");
constexpr uint32_t kOrganeQuic = FourCC("quic");
constexpr uint32_t kOrganeObsn = FourCC("obsn");
constexpr uint32_t kOrganeExmo = FourCC("exmo");
constexpr uint32_t kOrganeKivs = FourCC("kivs");

// Sound ids: melodic ids are family x 100 + the program's two decimal digits
// exchanged; drum ids start here.
constexpr int32_t kIdSonBatterie = 20000;
constexpr int32_t kIdMetronomeCloche = 20034;
constexpr int32_t kIdMetronomeClic = 20033;

// The output device the user chose last, for new instruments; negative when
// none was chosen (the plug-in never chooses one).
extern int32_t gOrganeChoisi;
// Bars the metronome plays, for the playback side.
extern int16_t NbMesuresMetronome;

// Replaces the score's table by n records with their defaults, none in use
// (the reader marks those it fills). 1.
int16_t CreeTableauInstrument(Partition** score, int16_t n);
// The defaults of a new record at an index: not in use.
void InstrumentParDefaut(Instrument* record, int16_t index);
// The record at an index, null outside the table. The pointer is into the
// table's block: it does not survive a call that adds an instrument.
Instrument* GetInstrument(Partition** score, int16_t index);
// First record in use, other than skipIndex, whose name equals the text
// ignoring letter case; -1 when none.
int16_t RechercheInstrumentParNom(Partition** score, const char* text, int16_t skipIndex);
bool IsInstrumentMetronome(Partition** score, int16_t index);
// Adds "Metronome Bell" and "Metronome Click" and makes them the score's
// metronome instruments.
void CreeInstrumentsMetronome(Partition** score);
void SetRealTimeMetronome(int16_t bars);
// Frees the record's sample handles (all four arrays) and the velocity
// cache file this process made for it; 1.
int16_t LibereDonneesInstrument(Instrument* record);

// Binding a staff to its instrument's output device while a score plays
// (never in the plug-in, which plays nothing).
// The devices themselves are in sound/OrganeDigit.h.
int16_t InitInstrumentPortee(Partition** score, Portee** staff);
void TermineInstrumentPortee(Partition** score, Portee** staff);

// Sound ids (16-bit arithmetic).
int16_t RsrcDgitInstrument(int16_t family, uint16_t program);
int16_t RsrcDgitBatterie(int16_t kit, int16_t note);
void CvtIDBatterieEnParamMidi(int16_t unused, int32_t id, int16_t* kit, uint8_t* melodic, uint16_t* program,
                              int16_t* note);
// Rewrites the instrument's MIDI fields from its sound id; the program, or
// the kit for a drum id.
int16_t CvtIdStandardEnParamMIDIInstrument(Instrument* instrument);
