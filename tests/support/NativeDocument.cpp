#include "support/NativeDocument.h"

#include <stdexcept>

namespace tamrel_test {

namespace {

void WriteMagic(NativeWriter& w, const std::string& magic) {
  if (magic.size() != 4) throw std::invalid_argument("a magic is four bytes");
  w.Text(magic);
}

void WriteOutputEffects(NativeWriter& w, const OutputEffectsRecord& e) {
  if (w.From(0x0630)) {
    w.U16(e.first);
  } else {
    w.Gap(9);
    w.U16(e.first);
    w.Gap(8);
  }
  w.U8(e.reverbOn);
  w.U16(e.reverbTime);
  w.U16(e.reverbLevel);
  w.U8(e.surroundOn);
  w.U16(e.surroundDelay);
  w.U16(e.surroundLevel);
  w.U8(e.noiseReductionOn);
  w.U16(e.noiseReduction);
  w.U8(e.bassBoostOn);
  w.U16(e.bassBoostFrequency);
  w.U16(e.bassBoostLevel);
  w.U8(e.gainControlOn);
  w.U16(e.gainControlRise);
  if (!w.From(0x0630)) w.Gap(16);
  w.Gap(32);
}

}  // namespace

void WriteEmptyViews(NativeWriter& w, const NativeDocument& doc) {
  w.U32(doc.viewIdCounter);
  w.I16(doc.viewIndex);
  w.U32(doc.baseViewId);
  w.Gap(16);
  w.I16(0);
}

std::vector<uint8_t> WriteNativeDocument(const NativeDocument& doc) {
  // The gates follow the version the reader will use: 0 stands for 98.05 and
  // 0x9400 for 9.40.
  uint16_t v = doc.version;
  if (v == 0) v = 0x9805;
  if (v == 0x9400) v = 0x0940;
  NativeWriter w(v);

  // Header.
  WriteMagic(w, doc.magic);
  w.U16(doc.version);
  if (w.From(0x0323)) w.Bytes(doc.checkBytes.data(), doc.checkBytes.size());
  if (w.From(0x0321)) {
    w.U8(doc.lzw);
    if (doc.lzw) w.StartLZW();
    if (w.From(0x0790)) {
      w.U8(doc.h1);
      w.U8(doc.w);
    }
  }
  if (w.From(0x0811)) w.U16(doc.headerValue);

  // Titles.
  if (w.From(0x0740)) {
    for (const TitleRecord& t : doc.titles) WriteTitle(w, t);
  } else {
    for (const TitleRecord& t : doc.titles) {
      w.String(t.text);
      WriteTextStyle(w, t.style);
    }
  }

  // Views.
  if (w.From(0x0940)) {
    if (doc.views) doc.views(w);
    else WriteEmptyViews(w, doc);
  }

  // Display block.
  w.U8(doc.displayD0);
  if (w.From(0x0511)) {
    w.U8(doc.displayByte1);
    w.U8(doc.displayByte2);
    w.Bytes(doc.displayBytes.data(), doc.displayBytes.size());
    w.Gap(4);
  }
  if (w.From(0x0511) || doc.displayD0 != 0) w.U32(doc.displayValue);

  // Title extras of old files.
  if (!w.From(0x0740)) {
    w.U16(doc.oldTitleMark);
    if (doc.oldTitleMark == 0x1562) {
      w.Gap(2);
      w.U8(doc.oldTitleFlags[0]);
      w.U8(doc.oldTitleFlags[2]);
      w.U8(doc.oldTitleFlags[1]);
    }
    if (!w.From(0x0300)) w.Gap(6);
  }

  if (w.From(0x0800)) {
    for (uint32_t x : doc.values800) w.U32(x);
    w.String(doc.text128);
    w.String(doc.text64);
  }
  w.Bytes(doc.fourBytes.data(), doc.fourBytes.size());

  // Page setups.
  if (!w.From(0x0511)) {
    w.U8(doc.oldPageByte0);
    w.U8(doc.oldPageByte1);
    w.U8(doc.oldPageFlags);
    if (w.From(0x0203)) w.Gap(8);
    if (w.From(0x0501)) {
      w.I16(doc.oldPrintZoom);
      w.Gap(16);
    }
  } else {
    for (const PageSetupRecord& s : doc.pageSetups) WritePageSetup(w, s);
    if (w.From(0x0750)) {
      w.U8(doc.pageByte);
      w.U8(doc.layoutGuides);
      w.U8(doc.ownRects);
      for (const RectRecord& r : doc.rects) w.Rect(r.left, r.top, r.right, r.bottom);
      w.U8(doc.pageBytes[0]);
      w.U8(doc.pageBytes[1]);
    }
  }
  w.Gap(8);

  if (w.From(0x0780)) {
    w.U8(doc.splitByte0);
    w.U8(uint8_t(doc.splitByte1));
    w.U8(doc.splitB);
    w.U16(doc.splitValue);
    w.U16(doc.splitN);
    w.Gap(11);
  }

  // Scores.
  if (w.From(0x0201)) {
    w.I16(doc.scoreCount ? *doc.scoreCount : int16_t(doc.scores.size()));
    w.I16(doc.currentScore);
    if (!w.From(0x0300)) w.Gap(32);
  }
  for (const SectionWriter& s : doc.scores) s(w);

  // Trailer.
  w.U8(doc.trailerByte);
  if (!w.From(0x0511)) {
    w.U16(doc.oldBarRange[0]);
    w.U16(doc.oldBarRange[1]);
  }
  w.U16(doc.datesFlag);
  if (doc.datesFlag == 1) {
    for (uint32_t d : doc.dates) w.U32(d);
    w.U16(doc.revisions);
  }
  if (w.From(0x0701)) {
    w.I16(doc.dataValue);
    w.U32(doc.extraDataLength ? *doc.extraDataLength : uint32_t(doc.extraData.size()));
    w.Bytes(doc.extraData.data(), doc.extraData.size());
  }
  w.U32(doc.uninterpretedLength ? *doc.uninterpretedLength : uint32_t(doc.uninterpreted.size()));
  w.Bytes(doc.uninterpreted.data(), doc.uninterpreted.size());
  if (w.From(0x0321)) {
    WriteOutputEffects(w, doc.effects);
    if (w.From(0x0964)) {
      w.I16(doc.effectLevelCount ? *doc.effectLevelCount : int16_t(doc.effectLevels.size()));
      for (int16_t x : doc.effectLevels) w.I16(x);
    }
  }
  if (!w.From(0x0300)) w.Gap(56);
  WriteMagic(w, doc.closingMagic);
  return w.Finish();
}

}  // namespace tamrel_test
