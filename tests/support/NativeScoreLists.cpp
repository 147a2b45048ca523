#include "support/NativeScoreLists.h"

namespace tamrel_test {

void WritePartGroups(NativeWriter& w, const std::vector<PartGroupRecord>& groups) {
  w.I16(int32_t(groups.size()));
  for (const PartGroupRecord& g : groups) {
    w.I16(g.kind);
    w.I16(g.barLines);
    w.I16(g.first);
    w.I16(g.last);
    w.I16(g.indent);
    w.I16(g.topExtension);
    w.I16(g.bottomExtension);
    w.String(g.name);
    w.I16(g.nameValues[0]);
    w.I16(g.nameValues[1]);
    w.String(g.abbreviation);
    w.I16(g.abbreviationValues[0]);
    w.I16(g.abbreviationValues[1]);
    WriteTextStyle(w, g.nameStyle);
    if (w.From(0x0920)) {
      WriteTextStyle(w, g.abbreviationStyle);
      w.I16(g.nameValue);
      w.I16(g.abbreviationValue);
    }
    w.U8(g.singleStaff);
    w.Gap(15, 0xA5);
  }
}

void WriteFreeObjects(NativeWriter& w, const std::vector<FreeObjectRecord>& objects, bool longCount) {
  if (!w.From(0x0780)) return;
  if (longCount) {
    w.I16(32767);
    w.I32(int32_t(objects.size()));
  } else {
    w.I16(int32_t(objects.size()));
  }
  for (const FreeObjectRecord& o : objects) {
    w.U8(o.type);
    w.I32(o.values1[0]);
    w.I32(o.values1[1]);
    w.I16(o.value1);
    w.String(o.strings[0]);
    w.String(o.strings[1]);
    w.I32(int32_t(o.data.size()));
    w.Text(o.data);
    w.U8(o.value2);
    w.I16(o.value3);
    w.Rect(o.left, o.top, o.right, o.bottom);
    w.U8(o.anchor);
    w.U8(o.secondClass);
    WriteTextStyle(w, o.style);
    w.U8(o.byte1);
    w.U8(o.oldFormat);
    for (int16_t v : o.values3) w.I16(v);
    w.U8(o.byte2);
    if (w.From(0x0920)) w.I16(o.systemValue);
    if (w.From(0x0940)) w.I32(o.value4);
    w.I16(o.page + 1);
    w.U8((o.flag1 ? 1 : 0) | (o.flag2 ? 2 : 0));
    if (w.From(0x0963)) w.String(o.name);
    w.Gap(12, 0xA5);
  }
}

void WriteTargets(NativeWriter& w, const std::vector<TargetRecord>& targets) {
  w.I16(int32_t(targets.size()));
  for (const TargetRecord& t : targets) {
    w.String(t.name);
    w.I16(t.bar);
    w.U8(t.unlabelled);
    w.Gap(15, 0xA5);
  }
}

void WriteMatrix(NativeWriter& w, const MatrixRecord& m) {
  w.U16(m.values[0]);
  w.U16(m.values[1]);
  w.U8(m.byte);
  w.Bytes(m.block.data(), m.block.size());
  w.I16(m.highestEnd);
  for (uint16_t v : m.display) w.U16(v);
  w.U16(uint32_t(m.rows.size()));
  for (const MatrixRowRecord& r : m.rows) {
    w.U16(r.value);
    w.I16(r.start);
    w.I16(r.end);
    w.U16(r.spare1);
    w.U16(r.index);
    w.U16(r.spare2);
    w.U16(r.spare3);
  }
  if (w.From(0x0630)) w.I16(m.effectCount);
}

}  // namespace tamrel_test
