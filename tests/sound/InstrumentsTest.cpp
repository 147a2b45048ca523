// The instrument table of a score: growth and reuse, names, look-up by name,
// use counts, the metronome instruments and the sound-id arithmetic.
#include <gtest/gtest.h>

#include <string>

#include "SoundFixtures.h"
#include "model/Matrices.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "sound/SINSTRUM.h"

using tamrel_test::Messages;
using tamrel_test::PartitionSon;

TEST(Instruments, TableGrowsBySixteenAndReusesTheLowestFreeRecord) {
  PartitionSon s;
  EXPECT_EQ(AjouteInstrument(s.score()), 0);
  EXPECT_EQ(s->nbInstruments, 16);
  for (int i = 1; i < 16; i++) EXPECT_EQ(AjouteInstrument(s.score()), i);
  SetNomInstrument(s.score(), 3, "Viola");
  EXPECT_EQ(AjouteInstrument(s.score()), 16);
  EXPECT_EQ(s->nbInstruments, 32);
  EXPECT_GE(GetHandleSize(s->instruments), Size(32 * sizeof(Instrument)));
  // Older records survive the growth; the added ones are fresh and unused.
  EXPECT_STREQ(GetInstrument(s.score(), 3)->name, "Viola");
  EXPECT_EQ(GetInstrument(s.score(), 20)->inUse, 0);
  EXPECT_EQ(GetInstrument(s.score(), 20)->index, 20);

  GetInstrument(s.score(), 5)->inUse = 0;
  GetInstrument(s.score(), 2)->inUse = 0;
  EXPECT_EQ(AjouteInstrument(s.score()), 2);
  EXPECT_EQ(AjouteInstrument(s.score()), 5);
  EXPECT_EQ(AjouteInstrument(s.score()), 17);
  EXPECT_EQ(GetInstrument(s.score(), 32), nullptr);
  EXPECT_EQ(GetInstrument(s.score(), -1), nullptr);
}

TEST(Instruments, NewRecordsCarryTheirDefaults) {
  PartitionSon s;
  const int16_t i = AjouteInstrument(s.score());
  const Instrument& r = *GetInstrument(s.score(), i);
  EXPECT_EQ(r.inUse, 1);
  EXPECT_EQ(r.auxFlag, 1);
  EXPECT_EQ(r.midiWord2, 127);
  EXPECT_EQ(r.volumeOn, 1);
  EXPECT_EQ(r.volume, 127);
  EXPECT_EQ(r.panOn, 0);
  EXPECT_EQ(r.pan, 64);
  EXPECT_EQ(r.defaultRef, kRefSonAucun);
  EXPECT_EQ(r.organCode, 0u);  // no device chosen
  for (const SlotSonInstrument& slot : r.digitArea.modele.slots) EXPECT_EQ(slot.soundRef, kRefSonAucun);
  for (const auto& tableau : r.sampleHandles)
    for (Handle h : tableau) EXPECT_EQ(h, nullptr);
  EXPECT_NE(r.effects.delaiMaxFlanger, 0);  // the effect defaults, not zeroes

  // A fresh table: every record has its defaults and its index, none in use.
  ASSERT_EQ(CreeTableauInstrument(s.score(), 3), 1);
  EXPECT_EQ(s->nbInstruments, 3);
  for (int16_t k = 0; k < 3; k++) {
    EXPECT_EQ(GetInstrument(s.score(), k)->index, k);
    EXPECT_EQ(GetInstrument(s.score(), k)->inUse, 0);
    EXPECT_EQ(GetInstrument(s.score(), k)->volume, 127);
  }
  ASSERT_EQ(CreeTableauInstrument(s.score(), 0), 1);
  EXPECT_EQ(s->nbInstruments, 0);
  EXPECT_EQ(RechercheInstrumentParNom(s.score(), "", -1), -1);
}

TEST(Instruments, NamesAreCutAndBadIndexesReported) {
  PartitionSon s;
  AjouteInstrument(s.score());
  SetNomInstrument(s.score(), 0, std::string(100, 'n').c_str());
  EXPECT_EQ(std::string(GetInstrument(s.score(), 0)->name), std::string(79, 'n'));

  // An unused record inside the table is named all the same; outside the
  // table nothing is stored. Both are reported.
  std::string dit = Messages([&] { SetNomInstrument(s.score(), 7, "Spare"); });
  EXPECT_NE(dit.find("SINSTRUM"), std::string::npos);
  EXPECT_STREQ(GetInstrument(s.score(), 7)->name, "Spare");
  dit = Messages([&] { SetNomInstrument(s.score(), 16, "Beyond"); });
  EXPECT_NE(dit.find("SINSTRUM"), std::string::npos);
}

TEST(Instruments, LookUpByNameIgnoresCaseAndSkipsOneIndex) {
  PartitionSon s;
  for (const char* n : {"Flute", "Oboe", "oboe"}) SetNomInstrument(s.score(), AjouteInstrument(s.score()), n);
  EXPECT_EQ(RechercheInstrumentParNom(s.score(), "OBOE", -1), 1);
  EXPECT_EQ(RechercheInstrumentParNom(s.score(), "OBOE", 1), 2);
  EXPECT_EQ(RechercheInstrumentParNom(s.score(), "flute", 0), -1);
  GetInstrument(s.score(), 1)->inUse = 0;
  EXPECT_EQ(RechercheInstrumentParNom(s.score(), "Oboe", -1), 2);
  EXPECT_EQ(RechercheInstrumentParNom(s.score(), "Horn", -1), -1);
}

TEST(Instruments, MetronomeInstrumentsAndUseCounts) {
  PartitionSon s;
  const int16_t piano = AjouteInstrument(s.score());
  // Zero indexes of a score without metronome name no metronome.
  EXPECT_FALSE(IsInstrumentMetronome(s.score(), piano));
  EXPECT_EQ(InstrumentUtiliseCombienDeFois(s.score(), piano), 0);

  CreeInstrumentsMetronome(s.score());
  EXPECT_EQ(s->metronome, 1);
  const Instrument& cloche = *GetInstrument(s.score(), s->instrumentCloche);
  const Instrument& clic = *GetInstrument(s.score(), s->instrumentClic);
  EXPECT_EQ(s->instrumentCloche, 1);
  EXPECT_EQ(s->instrumentClic, 2);
  EXPECT_STREQ(cloche.name, "Metronome Bell");
  EXPECT_STREQ(clic.name, "Metronome Click");
  EXPECT_EQ(cloche.soundId, 20034u);
  EXPECT_EQ(clic.soundId, 20033u);
  EXPECT_EQ(cloche.note, 34);
  EXPECT_EQ(clic.drumNote, 33);
  EXPECT_EQ(cloche.pan, 32);
  EXPECT_EQ(clic.pan, 96);
  EXPECT_EQ(clic.channel, 9);
  EXPECT_EQ(clic.organCode, kOrganeObsn);
  EXPECT_EQ(clic.isDrum, 1);
  EXPECT_EQ(clic.panOn, 1);
  EXPECT_TRUE(IsInstrumentMetronome(s.score(), 2));
  EXPECT_FALSE(IsInstrumentMetronome(s.score(), piano));

  // Staves count when shown and not volatile; the metronome counts once.
  Portee** a = NewPortee(s.score(), kTypePorteeStandard);
  Portee** b = NewPortee(s.score(), kTypePorteeStandard);
  Portee** c = NewPortee(s.score(), kTypePorteeStandard);
  Portee** d = NewPortee(s.score(), kTypePorteeStandard);
  for (Portee** p : {a, b, c, d}) (*p)->instrument = piano;
  (*c)->typeVolatile = kVolatilePorteeTemporaire;
  (*d)->affichee = 0;
  EXPECT_EQ(InstrumentUtiliseCombienDeFois(s.score(), piano), 2);
  (*a)->instrument = s->instrumentClic;
  EXPECT_EQ(InstrumentUtiliseCombienDeFois(s.score(), s->instrumentClic), 2);
  EXPECT_EQ(InstrumentUtiliseCombienDeFois(s.score(), -1), 0);
}

TEST(Instruments, AccompanimentsAndRhythmsInUseCountTheirInstruments) {
  PartitionSon s;
  const int16_t piano = AjouteInstrument(s.score());
  const int16_t tambour = AjouteInstrument(s.score());
  for (int k = 0; k < 2; k++) {
    const int16_t a = AjouteAccompagnement(s.score());
    reinterpret_cast<Accompagnement*>(*s->accompagnements)[a].instrument = uint16_t(piano);
    const int16_t r = AjouteRythme(s.score(), false);
    for (int t = 0; t < 2; t++) {
      const int16_t p = AjoutePorteeRythme(s->banqueRythmes, r);
      Rythme& ry = reinterpret_cast<Rythme*>(*s->banqueRythmes)[r];
      reinterpret_cast<PorteeRythme*>(*ry.portees)[p].instrument = uint16_t(tambour);
    }
  }
  // Only the entries some bars play count.
  EXPECT_EQ(InstrumentUtiliseCombienDeFois(s.score(), piano), 0);
  EXPECT_EQ(InstrumentUtiliseCombienDeFois(s.score(), tambour), 0);
  AjouteRangeMatrice(s->matriceAccompagnement, -1, 0, 0, 3, 1);
  AjouteRangeMatrice(s->matriceRythme, -1, 0, 0, 3, 0);
  EXPECT_EQ(InstrumentUtiliseCombienDeFois(s.score(), piano), 1);
  EXPECT_EQ(InstrumentUtiliseCombienDeFois(s.score(), tambour), 2);
}

TEST(Instruments, SoundIds) {
  EXPECT_EQ(RsrcDgitInstrument(1, 12 << 7), 121);
  EXPECT_EQ(RsrcDgitInstrument(3, 47 << 7), 374);
  EXPECT_EQ(RsrcDgitInstrument(0, 5 << 7), 50);
  EXPECT_EQ(RsrcDgitBatterie(1, 36), 20161);
  EXPECT_EQ(RsrcDgitBatterie(70, 130), 20124);
  EXPECT_EQ(RsrcDgitBatterie(63, 124), 27999);

  int16_t kit = -1, note = -1;
  uint8_t melodic = 9;
  uint16_t program = 0;
  CvtIDBatterieEnParamMidi(0, 20161, &kit, &melodic, &program, &note);
  EXPECT_EQ(kit, 1);
  EXPECT_EQ(note, 36);
  EXPECT_EQ(melodic, 0);
  EXPECT_EQ(program, 0xFFFF);
  CvtIDBatterieEnParamMidi(0, 374, &kit, &melodic, &program, &note);
  EXPECT_EQ(kit, 0);
  EXPECT_EQ(note, 0);
  EXPECT_EQ(melodic, 1);

  // Back from an id to the MIDI fields: the digits are exchanged again.
  Instrument r{};
  r.soundId = 374;
  EXPECT_EQ(CvtIdStandardEnParamMIDIInstrument(&r), 47 << 7);
  EXPECT_EQ(r.bank, 3);
  EXPECT_EQ(r.program, 47 << 7);
  EXPECT_EQ(r.melodic, 1);
  EXPECT_EQ(RsrcDgitInstrument(int16_t(r.bank), r.program), 374);
  r.soundId = 20161;
  EXPECT_EQ(CvtIdStandardEnParamMIDIInstrument(&r), 1);
  EXPECT_EQ(r.bank, 1);
  EXPECT_EQ(r.drumNote, 36);
  EXPECT_EQ(r.program, 0xFFFF);
  EXPECT_EQ(r.melodic, 0);
}

TEST(Instruments, DisposalFreesEveryStoredSound) {
  PartitionSon s;
  const int16_t i = AjouteInstrument(s.score());
  GetInstrument(s.score(), i)->sampleHandles[0][0] = NewHandle(100);
  GetInstrument(s.score(), i)->sampleHandles[3][255] = NewHandle(10);
  // A record given up still holds its sound: it is freed all the same.
  GetInstrument(s.score(), 4)->sampleHandles[1][7] = NewHandle(10);
  DisposeInstruments(s.score());  // the sanitizer build sees any leak
  EXPECT_EQ(s->instruments, nullptr);
  EXPECT_EQ(s->nbInstruments, 0);
  EXPECT_EQ(AjouteInstrument(s.score()), 0);
}
