#include "platform/Collections.h"

#include <cstring>

#include "platform/Memory.h"

// Items follow one another: tag, id and size (native order, 4 bytes each),
// then the data, padded to a multiple of 4 bytes.
namespace {

constexpr Size kEntete = 12;

Size Pad(Size n) { return (n + 3) & ~Size(3); }

struct Entete {
  uint32_t tag;
  int32_t id;
  int32_t size;
};

Entete LitEntete(Collection c, Size pos) {
  Entete e;
  std::memcpy(&e.tag, *c + pos, 4);
  std::memcpy(&e.id, *c + pos + 4, 4);
  std::memcpy(&e.size, *c + pos + 8, 4);
  return e;
}

// Offset of the item with that tag and id, or -1.
Size Cherche(Collection c, CollectionTag tag, int32_t id, Entete* found) {
  Size total = GetHandleSize(c);
  for (Size pos = 0; pos + kEntete <= total;) {
    Entete e = LitEntete(c, pos);
    if (e.tag == tag && e.id == id) {
      *found = e;
      return pos;
    }
    pos += kEntete + Pad(e.size);
  }
  return -1;
}

}  // namespace

Collection NewCollection() { return NewHandle(0); }

void DisposeCollection(Collection c) {
  if (c) DisposeHandle(c);
}

OSErr AddCollectionItem(Collection c, CollectionTag tag, int32_t id, int32_t itemSize, const void* itemData) {
  if (!c || itemSize < 0 || (itemSize > 0 && !itemData)) return paramErr;
  Size total = GetHandleSize(c);
  if (itemSize > kMaxBlockSize - kEntete - 3) return memFullErr;
  Size room = kEntete + Pad(itemSize);
  Entete old{};
  Size pos = Cherche(c, tag, id, &old);
  if (pos < 0) {
    if (total > kMaxBlockSize - room) return memFullErr;
    SetHandleSize(c, total + room);
    if (MemError() != noErr) return memFullErr;
    pos = total;
  } else {
    // Same tag and id: the item is replaced where it stands.
    Size oldRoom = kEntete + Pad(old.size);
    Size after = total - pos - oldRoom;
    if (room > oldRoom) {
      if (total > kMaxBlockSize - (room - oldRoom)) return memFullErr;
      SetHandleSize(c, total + room - oldRoom);
      if (MemError() != noErr) return memFullErr;
    }
    std::memmove(*c + pos + room, *c + pos + oldRoom, static_cast<size_t>(after));
    if (room < oldRoom) SetHandleSize(c, total + room - oldRoom);
  }
  std::memcpy(*c + pos, &tag, 4);
  std::memcpy(*c + pos + 4, &id, 4);
  std::memcpy(*c + pos + 8, &itemSize, 4);
  if (itemSize > 0) std::memcpy(*c + pos + kEntete, itemData, static_cast<size_t>(itemSize));
  std::memset(*c + pos + kEntete + itemSize, 0, static_cast<size_t>(Pad(itemSize) - itemSize));
  return noErr;
}

OSErr GetCollectionItem(Collection c, CollectionTag tag, int32_t id, int32_t* itemSize, void* itemData) {
  if (!c) return paramErr;
  Entete e{};
  Size pos = Cherche(c, tag, id, &e);
  if (pos < 0) return collectionItemNotFoundErr;
  if (itemSize) {
    if (itemData && *itemSize > 0 && e.size > 0)
      std::memcpy(itemData, *c + pos + kEntete, static_cast<size_t>(*itemSize < e.size ? *itemSize : e.size));
    *itemSize = e.size;
  }
  return noErr;
}

int32_t CountCollectionItems(Collection c) {
  int32_t n = 0;
  Size total = GetHandleSize(c);
  for (Size pos = 0; pos + kEntete <= total; n++) pos += kEntete + Pad(LitEntete(c, pos).size);
  return n;
}
