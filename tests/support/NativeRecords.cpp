#include "support/NativeRecords.h"

namespace tamrel_test {

void WriteTextStyle(NativeWriter& w, const TextStyleRecord& style) {
  w.I16(style.font);
  if (w.From(0x0512)) w.String(style.fontName);
  w.U8(style.dropped);
  w.U8(style.face);
  w.U16(style.size);
  for (uint16_t c : style.rgb) w.U16(c);
}

void WriteTitle(NativeWriter& w, const TitleRecord& title) {
  w.String(title.text);
  WriteTextStyle(w, title.style);
  w.U8(title.flag);
  for (int i = 0; i < 4; i++) w.U16(title.positions[i]);
  if (w.From(0x0920)) w.U16(title.positions[4]);
}

namespace {

void WriteHeaderFooter(NativeWriter& w, const HeaderFooterRecord& block, int distanceOffset) {
  for (const std::string& t : block.templates) w.String(t);
  for (const TextStyleRecord& s : block.styles) WriteTextStyle(w, s);
  w.U8(block.mirrorEvenPages);
  w.U8(block.ruleAbove);
  w.U8((block.ruleBelow ? 1 : 0) | (block.notOnPage1 ? 2 : 0));
  w.U16(block.leftInset);
  w.U16(block.rightInset);
  w.U16(uint32_t(block.distance - distanceOffset));
}

}  // namespace

void WritePageSetup(NativeWriter& w, const PageSetupRecord& s) {
  if (w.From(0x0800)) w.F32(s.scale);
  else w.I16(int16_t(s.scale * 100.0f + (s.scale >= 0 ? 0.5f : -0.5f)));
  w.U16(s.marginLeft);
  w.U16(s.marginTop);
  w.U16(s.marginRight);
  w.U16(s.marginBottom);
  w.U16(s.firstBar);
  w.U16(s.lastBar);
  w.U8(s.titles);
  w.U8((s.lyricPages ? 1 : 0) | (s.spare1 ? 2 : 0) | (s.spare2 ? 4 : 0));
  for (uint8_t b : s.seven) w.U8(b);
  if (w.From(0x0710)) w.U8(s.grouping);
  if (w.From(0x0740)) {
    w.U8(s.scoreCopyByte);
    w.U8((s.lineHeaders ? 1 : 0) | (s.courtesyClefKey ? 2 : 0));
    w.U8((s.hideEmptyStaves ? 1 : 0) | (s.showStavesOnceFirst ? 2 : 0));
    w.U8((s.spreadSystems ? 1 : 0) | (s.notOnLastPage ? 2 : 0));
    w.U8((s.emptySystemsNeedBarLine ? 1 : 0) | (s.justifyLastSystem ? 2 : 0) | (s.mirrorMargins ? 4 : 0));
    w.U8(s.firstMusicPage);
    w.U8(s.minimumRun);
    w.U16(s.systemGap);
  }
  WriteHeaderFooter(w, s.footer, 0);
  WriteHeaderFooter(w, s.header, w.From(0x0750) ? 0 : 92);
  if (!w.From(0x0513)) return;
  w.U16(s.reserved);
  if (!w.From(0x0941)) return;
  w.I16(s.firstSystemIndent);
  w.Gap(16);
}

void WriteStaffAspect(NativeWriter& w, const StaffAspectRecord& a) {
  w.U16(a.word1);
  w.U16(a.word2);
  w.I16(a.value3);
  w.String(a.viewName);
  for (const TextStyleRecord& s : a.viewStyles) WriteTextStyle(w, s);
  w.U8(a.byte8);
  w.U16(a.word9);
  w.U8(a.byte10);
  w.U8(a.byte11);
  w.U8(a.byte12);
  w.U16(a.word13);
  w.String(a.text14);
  w.Gap(2);
  // The name and the short name are stored alike.
  auto name = [&w](const std::string& text, uint16_t v1, uint16_t v2, const TextStyleRecord& style, uint16_t encoding) {
    w.String(text);
    w.U16(v1);
    w.U16(v2);
    WriteTextStyle(w, style);
    w.U16(encoding);
  };
  name(a.name, a.nameValue1, a.nameValue2, a.nameStyle, a.nameEncoding);
  name(a.shortName, a.shortNameValue1, a.shortNameValue2, a.shortNameStyle, a.shortNameEncoding);
  w.U8(a.byte17);
  w.U8(a.byte18);
  w.I16(a.displayMode);
  w.U16(a.unitSize);
  for (uint8_t b : a.five) w.U8(b);
  w.U16(a.chordBody);
  for (uint8_t b : a.three23) w.U8(b);
  w.U8((a.switch0 ? 1 : 0) | (a.switch2 ? 4 : 0) | (a.switch4 ? 16 : 0));
  w.Gap(1);
  for (uint8_t b : a.three25) w.U8(b);
  w.U8(a.lineFlags[0]);
  if (w.From(0x0960)) {
    for (int i = 1; i < 7; i++) w.U8(a.lineFlags[i]);
    w.U8(a.byte26);
    w.Gap(31);
  }
  w.U16(a.word27);
  w.U8(a.pair28[1]);
  w.U8(a.pair28[0]);
  for (uint8_t b : a.shownLines) w.U8(b);
  w.U16(a.barLineFirst);
  w.U16(a.barLineLast);
  w.U8(a.barLineWord);
  w.U8(a.byte33);
  w.U8((a.switch34a ? 1 : 0) | (a.switch34b ? 0 : 2));
  for (uint8_t b : a.stems) w.U8(b);
  w.U8(a.byte36);
  WriteTextStyle(w, a.standardStyle);
  w.U16(a.barNumber1);
  w.U16(a.barNumber2);
  w.U8(a.barNumber3);
  w.U8(a.byte41);
  w.U16(a.barNumber4);
  w.U8(a.barNumber5);
  w.U8(a.byte44);
  w.U8(a.byte45);
  w.U16(a.word46);
}

}  // namespace tamrel_test
