#include "platform/Collections.h"

#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/Memory.h"

struct OpaqueCollection {
  struct Item {
    CollectionTag tag;
    int32_t id;
    std::vector<uint8_t> data;
  };
  std::vector<Item> items;                       // order of addition
  std::unordered_map<uint64_t, size_t> byKey;  // (tag, id) -> index in items

  static uint64_t Key(CollectionTag tag, int32_t id) { return (uint64_t(tag) << 32) | uint32_t(id); }
};

Collection NewCollection() { return new (std::nothrow) OpaqueCollection; }

void DisposeCollection(Collection c) { delete c; }

OSErr AddCollectionItem(Collection c, CollectionTag tag, int32_t id, int32_t itemSize, const void* itemData) {
  if (!c || itemSize < 0 || (itemSize > 0 && !itemData)) return paramErr;
  if (itemSize > kMaxBlockSize) return memFullErr;
  const auto* bytes = static_cast<const uint8_t*>(itemData);
  try {
    std::vector<uint8_t> data(bytes, bytes + itemSize);
    uint64_t key = OpaqueCollection::Key(tag, id);
    auto it = c->byKey.find(key);
    if (it != c->byKey.end()) {
      c->items[it->second].data.swap(data);
    } else {
      c->items.push_back({tag, id, std::move(data)});
      c->byKey.emplace(key, c->items.size() - 1);
    }
  } catch (const std::bad_alloc&) {
    return memFullErr;
  }
  return noErr;
}

OSErr GetCollectionItem(Collection c, CollectionTag tag, int32_t id, int32_t* itemSize, void* itemData) {
  if (!c) return paramErr;
  auto it = c->byKey.find(OpaqueCollection::Key(tag, id));
  if (it == c->byKey.end()) return collectionItemNotFoundErr;
  const std::vector<uint8_t>& data = c->items[it->second].data;
  int32_t size = static_cast<int32_t>(data.size());
  if (itemSize) {
    if (itemData && *itemSize > 0 && size > 0)
      std::memcpy(itemData, data.data(), static_cast<size_t>(*itemSize < size ? *itemSize : size));
    *itemSize = size;
  }
  return noErr;
}

int32_t CountCollectionItems(Collection c) { return c ? static_cast<int32_t>(c->items.size()) : 0; }
