// Instrument records of native documents, written by the test writer and
// read back: the table, every header field by version, the chunks, the
// sampled sounds in their stored forms, and damaged records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/Document.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/LectureInstrument.h"
#include "sound/SCvtdgit.h"
#include "sound/SINSTRUM.h"
#include "support/NativeInstruments.h"
#include "system/QrvFiles.h"

using tamrel_test::DigitRecord;
using tamrel_test::DigitSlotRecord;
using tamrel_test::InstrumentRecord;
using tamrel_test::NativeWriter;
using tamrel_test::SoundBlockRecord;

namespace {

class LectureInstrument : public ::testing::Test {
 protected:
  void SetUp() override {
    doc_ = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
    score_ = NewPartition(doc_);
  }
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
    while (doc_->nbPartitions > 0) SupprimePartition(doc_, doc_->partitions[doc_->nbPartitions - 1]);
    DisposeVuesDocument(doc_);
    DisposePtr(reinterpret_cast<Ptr>(doc_));
  }
  // Reads a table written at a version; the byte after it must be the marker.
  int16_t LitTable(const std::vector<InstrumentRecord>& table, uint16_t version, bool marqueur = true) {
    NativeWriter w(version);
    tamrel_test::WriteInstruments(w, table);
    if (marqueur) w.U8('Z');
    Ouvre(w, version);
    const int16_t r = ReadInstrumentsPartition(score_);
    if (marqueur && r) {
      EXPECT_EQ(ReadCar(), 'Z');
    }
    return r;
  }
  // One record into a fresh entry.
  Instrument Lit(const InstrumentRecord& record, uint16_t version) {
    EXPECT_EQ(LitTable({record}, version), 1) << std::hex << version;
    return *GetInstrument(score_, 0);
  }
  void Ouvre(const NativeWriter& w, uint16_t version) {
    octets_ = w.Finish();
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
  }
  Instrument& Entree(int16_t i) { return *GetInstrument(score_, i); }

  Document* doc_ = nullptr;
  Partition** score_ = nullptr;
  std::vector<uint8_t> octets_;
};

std::vector<uint8_t> Mots(std::initializer_list<int16_t> mots) {
  std::vector<uint8_t> o;
  for (int16_t m : mots) o.insert(o.end(), {uint8_t(uint16_t(m) >> 8), uint8_t(m)});
  return o;
}

}  // namespace

TEST_F(LectureInstrument, ATableOfTheNewestVersion) {
  InstrumentRecord piano;
  piano.name = "Grand Piano";
  piano.soundId = 121;
  piano.organCode = FourCC("exmo");
  piano.organPort = 3;
  piano.organBlock = 1;
  piano.organBytes = {1, 2, 3};
  piano.note = -5;
  piano.midiWord1 = 7;
  piano.channel = 4;
  piano.vibratoOn = 1;
  piano.chunks = [](NativeWriter& w) {
    tamrel_test::WriteSubVersionChunk(w, "AALI", 0x0101, std::vector<uint8_t>(22, 0xAA));
    std::vector<uint8_t> onde(512);
    for (size_t i = 0; i < onde.size(); i++) onde[i] = uint8_t(i);
    tamrel_test::WriteSubVersionChunk(w, "ONDE", 0x0101, onde);
    w.Text("WHAT");  // an unknown tag: no body
    tamrel_test::WriteMidiChunk0102(w, 3, 0x5F, 0x23, 36);
    tamrel_test::WriteSubVersionChunk(w, "HP\0\0", 0x0101, {0x12, 0x34});
    DigitRecord d;
    d.slots = {{100, 1, 2, 3, -4, {5, 6, 7}, {9, 9}}, {101, 11, 12, 13, 14, {}, {}}, {}};
    SoundBlockRecord plain;
    plain.count = 2;
    plain.loopEnd = 2;
    plain.data = Mots({0x1234, -2});
    SoundBlockRecord rle;
    rle.form = 0x0008;
    rle.bits = 8;
    rle.count = 6;
    rle.data = {0, 0, 0, 0, 0, 6, 0x05, 0x80, 0x00, 0x80, 0x03, 0x07};
    d.sounds = {plain, SoundBlockRecord{}, rle};
    tamrel_test::WriteDigitChunk(w, d);
  };
  InstrumentRecord libre;
  libre.present = 0;
  InstrumentRecord batterie;
  batterie.name = "Drums";
  batterie.isDrum = 1;
  batterie.organCode = FourCC("midi");
  batterie.organBlock = 1;
  batterie.organText = "Port A";
  ASSERT_EQ(LitTable({piano, libre, batterie}, 0x9805), 1);
  ASSERT_EQ((*score_)->nbInstruments, 3);

  const Instrument& p = Entree(0);
  EXPECT_EQ(p.inUse, 1);
  EXPECT_STREQ(p.name, "Grand Piano");
  EXPECT_EQ(p.soundId, 121u);
  EXPECT_EQ(p.organCode, kOrganeObsn);  // "exmo" documents play on the sampled device
  EXPECT_EQ(p.organPort, 0u);
  EXPECT_EQ(p.organText[0], 0);
  EXPECT_EQ(p.note, -5);
  EXPECT_EQ(p.midiWord1, 7);
  EXPECT_EQ(p.channel, 4);
  EXPECT_EQ(p.volumeOn, 1);
  EXPECT_EQ(p.volume, 100);
  EXPECT_EQ(p.panOn, 0);
  EXPECT_EQ(p.pan, 64);
  EXPECT_EQ(p.ctrl4On, 1);
  EXPECT_EQ(p.ctrl4, 5);
  EXPECT_EQ(p.vibratoOn, 1);
  EXPECT_EQ(p.vibrato[3], 4);
  EXPECT_EQ(p.tremoloOn, 0);
  EXPECT_EQ(p.waveTable[200], 200);
  EXPECT_EQ(p.bank, 3);
  EXPECT_EQ(p.melodic, 1);
  EXPECT_EQ(p.program, ((0x5F * 64) & 0x3F80) + 0x23);
  EXPECT_EQ(p.drumNote, 36);
  EXPECT_EQ(p.hpWord, 0x1234);

  const AireDigitInstrument& a = p.digitArea;
  EXPECT_EQ(a.ownSounds, 1);
  EXPECT_EQ(a.modele.digitParam[5], 6);
  EXPECT_EQ(a.modele.digitByte2, 11);
  EXPECT_EQ(a.modele.group3On, 0);
  EXPECT_EQ(a.modele.extBytes[3], 4);
  EXPECT_EQ(a.modele.soundCount, 3);
  EXPECT_EQ(a.modele.slots[0].soundRef, 100);
  EXPECT_EQ(a.modele.slots[0].slotValue, -4);
  EXPECT_EQ(a.modele.slots[0].slotBytes[2], 7);
  EXPECT_EQ(a.modele.slots[1].param3, 13);
  EXPECT_EQ(a.modele.slots[3].soundRef, kRefSonAucun);
  // A plain sound is marked as stored big-endian; a run-length one arrives decoded.
  Handle plain = p.sampleHandles[0][0];
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(GetEnteteDigit(plain).form, kDigitGrandBoutien);
  EXPECT_EQ(GetEnteteDigit(plain).byteB, 62);
  EXPECT_EQ(GetHandleSize(plain), 4 + kSurplusDigit);
  EXPECT_EQ(p.sampleHandles[0][1], nullptr);
  Handle rle = p.sampleHandles[0][2];
  ASSERT_NE(rle, nullptr);
  EXPECT_EQ(GetEnteteDigit(rle).form, 0);
  EXPECT_EQ(std::vector<uint8_t>(*rle + kTailleEnteteDigit, *rle + kTailleEnteteDigit + 6),
            (std::vector<uint8_t>{0x05, 0x80, 0x07, 0x07, 0x07, 0x07}));
  // Into host order, the plain sound is its two words.
  Handle hote = CvtBuffDigit(plain, 16, GetEnteteDigit(plain).rate, 0);
  int16_t mots[2];
  std::memcpy(mots, *hote + kTailleEnteteDigit, 4);
  EXPECT_EQ(mots[0], 0x1234);
  EXPECT_EQ(mots[1], -2);
  DisposeHandle(hote);

  EXPECT_EQ(Entree(1).inUse, 0);
  EXPECT_EQ(Entree(1).index, 1);
  EXPECT_EQ(Entree(2).inUse, 1);
  EXPECT_STREQ(Entree(2).organText, "Port A");
  EXPECT_EQ(Entree(2).isDrum, 1);
}

TEST_F(LectureInstrument, HeaderFieldsFollowTheVersion) {
  // Before 2.00 a record is its name.
  InstrumentRecord r;
  r.name = "Old";
  Instrument i = Lit(r, 0x0150);
  EXPECT_STREQ(i.name, "Old");
  EXPECT_EQ(i.inUse, 1);
  EXPECT_EQ(i.organCode, kOrganeMidi);

  // Old organ numbers.
  struct Cas {
    uint16_t numero;
    uint32_t code, port;
  };
  for (const Cas& c :
       {Cas{2, kOrganeMidi, 0}, Cas{4, kOrganeMidi, 2}, Cas{12, kOrganeMidi, 3}, Cas{21, kOrganeMidi, 12},
        Cas{7, kOrganeQuic, 0}, Cas{6, kOrganeObsn, 0}, Cas{5, 5, 0}, Cas{0xFFFE, 0xFFFFFFFEu, 0}}) {
    r.oldOrgan = c.numero;
    i = Lit(r, 0x9500);
    EXPECT_EQ(i.organCode, c.code) << c.numero;
    EXPECT_EQ(i.organPort, c.port) << c.numero;
  }

  // Names: 79 characters kept of 100, all consumed; bytes 1 to 8 dropped before 9.20.
  r.name = std::string(100, 'x');
  EXPECT_EQ(std::string(Lit(r, 0x9805).name), std::string(79, 'x'));
  r.name =
      "A\x01"
      "B\x08"
      "C";
  EXPECT_STREQ(Lit(r, 0x0910).name, "ABC");
  EXPECT_STREQ(Lit(r, 0x0920).name, r.name.c_str());

  // Vibrato and tremolo from 5.00; the sampled sound 2483 an octave lower before 97.01.
  r.vibratoOn = 1;
  r.tremoloOn = 1;
  r.soundId = 2483;
  r.oldOrgan = 6;
  r.note = 70;
  i = Lit(r, 0x0400);
  EXPECT_EQ(i.vibratoOn, 0);
  EXPECT_EQ(i.note, 58);
  i = Lit(r, 0x0600);
  EXPECT_EQ(i.tremolo[0], 5);
  EXPECT_EQ(i.tremoloOn, 1);
  r.organCode = kOrganeObsn;
  EXPECT_EQ(Lit(r, 0x9701).note, 70);
}

TEST_F(LectureInstrument, MidiChunks) {
  InstrumentRecord r;
  r.chunks = [](NativeWriter& w) { tamrel_test::WriteMidiChunk0102(w, 2, 0x21, 0x05, 40); };
  // Before 8.10 the two halves of the program were stored the other way round.
  Instrument i = Lit(r, 0x0800);
  const uint16_t p = ((0x21 * 64) & 0x3F80) + 0x05;
  EXPECT_EQ(i.program, ((p & 0xFF80) >> 7) + (0x05 << 7));
  EXPECT_EQ(i.melodic, 1);
  EXPECT_EQ(Lit(r, 0x0810).program, p);

  // The older layout rebuilds the sound id.
  for (const bool drum : {false, true}) {
    r.chunks = [drum](NativeWriter& w) {
      w.Text("MIDI");
      w.U16(0x0101);
      w.U16(36);  // note
      w.U16(1);
      w.U16(2);
      w.U16(0xFFFF);  // port
      w.U16(9);       // channel
      w.Gap(1);
      w.U16(1);  // bank
      w.U8(drum ? 0 : 1);
      w.U8(drum ? 1 : 0);
      w.U8(47);
      w.U8(uint8_t(~0x11));  // volume and fourth controller
      w.U16(90);
      w.U16(30);
      w.Gap(2);
      w.U16(3);
      w.Gap(2);
      w.U16(4);
    };
    i = Lit(r, 0x9805);
    EXPECT_EQ(i.soundId, drum ? 20161u : 174u) << drum;
    EXPECT_EQ(i.organCode, kOrganeMidi);
    EXPECT_EQ(i.organPort, 0xFFFFFFFFu);
    EXPECT_EQ(i.channel, 9);
    EXPECT_EQ(i.program, 47 << 7);
    EXPECT_EQ(i.volumeOn, 1);
    EXPECT_EQ(i.panOn, 0);
    EXPECT_EQ(i.ctrl4On, 1);
    EXPECT_EQ(i.volume, 90);
    EXPECT_EQ(i.ctrl4, 4);
  }
}

TEST_F(LectureInstrument, OlderDigitLayouts) {
  InstrumentRecord r;
  DigitRecord d;
  d.layout = 0x0101;
  SoundBlockRecord s;
  s.count = 1;
  s.data = Mots({5});
  d.sounds = {s, {}, {}, {}, {}, s};
  r.chunks = [&d](NativeWriter& w) { tamrel_test::WriteDigitChunk(w, d); };
  Instrument i = Lit(r, 0x9805);
  EXPECT_EQ(i.digitArea.modele.soundCount, 6);
  EXPECT_EQ(i.digitArea.modele.digitParam[0], 1);
  EXPECT_EQ(i.digitArea.modele.slots[255].param3, 7);
  EXPECT_EQ(i.digitArea.modele.slots[255].param1, 8);
  EXPECT_EQ(i.digitArea.modele.slots[255].param2, 9);
  EXPECT_NE(Entree(0).sampleHandles[0][5], nullptr);

  d.layout = 0x0200;
  d.slots = {{0, 1, 2, 3, 0, {}, {}}};
  d.sounds.resize(12);
  i = Lit(r, 0x9805);
  EXPECT_EQ(i.digitArea.modele.soundCount, 12);
  EXPECT_EQ(i.digitArea.modele.slots[0].param2, 2);
  EXPECT_EQ(i.digitArea.modele.slots[0].soundRef, kRefSonAucun);
  EXPECT_EQ(i.digitArea.modele.extBytes[0], 0);

  d.layout = 0x0300;
  d.slots = {{300, 1, 2, 3, -7, {}, {}}};
  d.sounds = {s};
  i = Lit(r, 0x9805);
  EXPECT_EQ(i.digitArea.modele.soundCount, 1);
  EXPECT_EQ(i.digitArea.modele.slots[0].soundRef, 300);
  EXPECT_EQ(i.digitArea.modele.slots[0].slotValue, -7);
  EXPECT_EQ(i.digitArea.modele.longs4[2], 0u);

  // Without its own sounds no block is read, whatever the count.
  d.ownSounds = 0;
  d.sounds.clear();
  i = Lit(r, 0x9805);
  EXPECT_EQ(i.digitArea.modele.soundCount, 1);
  EXPECT_EQ(Entree(0).sampleHandles[0][0], nullptr);
}

TEST_F(LectureInstrument, DamagedRecordsStopTheLoad) {
  // Unknown sub-versions warn and read on: their bodies are taken as tags.
  InstrumentRecord r;
  r.chunks = [](NativeWriter& w) {
    tamrel_test::WriteSubVersionChunk(w, "ONDE", 0x0999);
    tamrel_test::WriteSubVersionChunk(w, "HP\0\0", 0x0102);
  };
  EXPECT_EQ(LitTable({r}, 0x9805), 1);

  struct Cas {
    const char* quoi;
    std::function<void(NativeWriter&)> chunks;
  };
  DigitRecord trop;
  trop.storedCount = 257;
  trop.slots.resize(257);
  DigitRecord inconnu;
  inconnu.layout = 0x0500;
  DigitRecord enorme;
  enorme.slots.resize(1);
  const Cas cas[] = {
      {"257 sounds", [&](NativeWriter& w) { tamrel_test::WriteDigitChunk(w, trop); }},
      {"unknown layout", [&](NativeWriter& w) { tamrel_test::WriteDigitChunk(w, inconnu); }},
      {"a sound larger than the stream",
       [&](NativeWriter& w) {
         tamrel_test::WriteDigitChunk(w, enorme);
         w.U32(0x7F000000);  // its size; a few bytes follow
         w.Gap(60);
       }},
      {"a size that overflows with its header",
       [&](NativeWriter& w) {
         tamrel_test::WriteDigitChunk(w, enorme);
         w.U32(0xFFFFFFF0);
         w.Gap(60);
       }},
  };
  for (const Cas& c : cas) {
    r.chunks = c.chunks;
    EXPECT_EQ(LitTable({r}, 0x9805, false), 0) << c.quoi;
    TermineSurPtr();
  }

  // A negative count, or more records than the stream could hold.
  for (const std::vector<uint8_t>& octets :
       {std::vector<uint8_t>{0xFF, 0xFF}, std::vector<uint8_t>{0x01, 0x00, 0, 0}}) {
    octets_ = octets;
    FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
    EXPECT_EQ(ReadInstrumentsPartition(score_), 0);
    TermineSurPtr();
  }

  // A record cut anywhere fails, and never reads past its bytes.
  InstrumentRecord complet;
  complet.organBlock = 1;
  complet.chunks = [](NativeWriter& w) {
    DigitRecord d;
    d.slots.resize(1);
    d.sounds.resize(1);
    d.sounds[0].count = 2;
    d.sounds[0].data = Mots({1, 2});
    tamrel_test::WriteDigitChunk(w, d);
  };
  NativeWriter w(0x9805);
  tamrel_test::WriteInstruments(w, {complet});
  const std::vector<uint8_t> entier = w.Finish();
  for (size_t n = 0; n + 1 < entier.size(); n++) {
    octets_.assign(entier.begin(), entier.begin() + long(n));
    FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
    EXPECT_EQ(ReadInstrumentsPartition(score_), 0) << n;
    TermineSurPtr();
  }
}
